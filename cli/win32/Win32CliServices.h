#pragma once
// The console front end's composition root: the real adapters wired under
// the portable run.
#include <memory>

#include "CliApp.h"
#include "wiring/win32/RunAssembly.h"
#include "engine/win32/Win32Platform.h"
#include "wiring/RecordsPlace.h"
#include "wiring/win32/Win32Rights.h"

class Win32CliServices : public CliServices {
 public:
  Win32CliServices();
  ~Win32CliServices() override;
  // The records folder: beside a portable copy, in ProgramData for an installed one.
  std::string ProgramFolder() override { return place_.folder; }
  DriveSource& Drives() override { return drives_; }
  std::int64_t NowMs() override { return MonotonicMs(); }
  RunParts MakeRunParts() override;
  UndoList& Undo() override;
  UndoExecutor& UndoRunner() override;
  RightsPort* Rights() override { return &rights_; }
  std::optional<EngineRefusal> RecordsRefusal() override { return place_.refusal; }
  std::vector<std::string> RecordsNotes() override { return place_.notes; }
  bool RunsAsSystem() override;
  bool ErrorsOnTerminal() override;
  void WriteFile(const std::string& path, const std::string& bytes) override;
  void WriteFileStreamed(const std::string& path, const BytesWriter& write) override;
  std::string ReadFile(const std::string& path) override;

 private:
  RunAssembly& Assembly();

  Win32Rights rights_;
  RecordsPlace place_;
  Win32Drives drives_;
  std::unique_ptr<RunAssembly> assembly_;
};
