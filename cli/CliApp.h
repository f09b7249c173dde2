#pragma once
// The console front end over the same run as the window program.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ExitCode.h"
#include "engine/MappingRun.h"
#include "engine/UndoPorts.h"
#include "core/Drives.h"
#include "core/FileSystem.h"
#include "engine/Refusal.h"
#include "engine/Rights.h"

// The platform and subsystems the console front end runs over; the Windows
// composition root implements it, the tests fake it.
class CliServices {
 public:
  virtual ~CliServices() = default;
  virtual std::string ProgramFolder() = 0;
  virtual DriveSource& Drives() = 0;
  virtual std::int64_t NowMs() = 0;
  // The run's parts, wired once.
  virtual RunParts MakeRunParts() = 0;
  virtual UndoList& Undo() = 0;
  virtual UndoExecutor& UndoRunner() = 0;
  // The rights the run may lack; none: not checked.
  virtual RightsPort* Rights() { return nullptr; }
  // The records folder must not be used, and why.
  virtual std::optional<EngineRefusal> RecordsRefusal() { return std::nullopt; }
  // Record folders left out of the undo list, and why.
  virtual std::vector<std::string> RecordsNotes() { return {}; }
  // The program runs as the system account (a deployment tool's job).
  virtual bool RunsAsSystem() { return false; }
  // Whether stderr is a console a person watches (not a file or a pipe).
  virtual bool ErrorsOnTerminal() { return false; }
  // Writes a file whole (the --report file); throws Error.
  virtual void WriteFile(const std::string& path, const std::string& bytes) = 0;
  // The same for a file written as it is made (the --report file of every
  // finding): here gathered and written whole; the Windows services write
  // each piece as it comes.
  virtual void WriteFileStreamed(const std::string& path, const BytesWriter& write) {
    std::string bytes;
    write([&bytes](std::string_view piece) { bytes.append(piece); });
    WriteFile(path, bytes);
  }
  // Reads a file whole (apply's report); throws Error.
  virtual std::string ReadFile(const std::string& path) = 0;
};

int RunCli(const std::vector<std::string>& args, CliServices& services, std::istream& in, std::ostream& out,
           std::ostream& err);
