#pragma once
// Every real adapter and subsystem a run is made of, wired once per front
// end (the window program and the console front end share this wiring).
#include <memory>
#include <string>

#include "app/MappingRun.h"

class FileSystem;
class UndoStore;
class UndoExecutor;

class RunAssembly {
 public:
  RunAssembly(RunContext& ctx, const std::string& programFolder);
  ~RunAssembly();

  RunParts Parts();
  FileSystem& Files();
  UndoStore& Undo();
  UndoExecutor& Undoer();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
