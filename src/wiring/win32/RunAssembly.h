#pragma once
// Every real adapter and subsystem a run is made of, wired once per front
// end (the window program and the console front end share this wiring).
#include <memory>
#include <string>

#include "engine/MappingRun.h"

class FileSystem;
class UndoStore;
class UndoExecutor;

// Whether the shell may show its own progress window, questions and error
// reports while it moves an item (the window program), or must stay silent
// (the console front end, which reports a failure itself).
enum class ShellDialogs { Shown, Silent };

class RunAssembly {
 public:
  RunAssembly(const std::string& programFolder, ShellDialogs dialogs);
  ~RunAssembly();

  // Records an earlier copy left in that folder: listed, undone and deleted
  // as the others, and, like them, never rewritten by a walk.
  void AddEarlierRecordsFolder(const std::string& folder);
  RunParts Parts();
  FileSystem& Files();
  UndoStore& Undo();
  UndoExecutor& Undoer();
  // The window the shell's dialogs belong to (an HWND).
  void SetOwnerWindow(void* window);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
