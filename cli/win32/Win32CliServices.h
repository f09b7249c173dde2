#pragma once
// The console front end's composition root: the real adapters wired under
// the portable run.
#include <memory>

#include "CliApp.h"
#include "wiring/win32/RunAssembly.h"
#include "engine/win32/Win32Platform.h"

class Win32CliServices : public CliServices {
 public:
  Win32CliServices();
  ~Win32CliServices() override;
  std::string ProgramFolder() override { return programFolder_; }
  DriveSource& Drives() override { return drives_; }
  int OsGeneration() override { return QueryOsGeneration(); }
  std::int64_t NowMs() override { return MonotonicMs(); }
  RunParts MakeRunParts(RunContext& ctx) override;
  UndoList& Undo(RunContext& ctx) override;
  UndoExecutor& UndoRunner(RunContext& ctx) override;
  void WriteFile(const std::string& path, const std::string& bytes) override;

 private:
  RunAssembly& Assembly(RunContext& ctx);

  std::string programFolder_;
  Win32Drives drives_;
  std::unique_ptr<RunAssembly> assembly_;
  const RunContext* assemblyCtx_ = nullptr;
};
