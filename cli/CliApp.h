#pragma once
// The console front end over the same run as the window program.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/MappingRun.h"
#include "core/Drives.h"

class UndoCommands {
 public:
  virtual ~UndoCommands() = default;
  // The undo list, oldest first ("No Changes to Undo" when empty).
  virtual std::vector<std::string> ListLines() = 0;
  // Deletes the entry's records; throws Error when there is no such entry.
  virtual void Delete(const std::string& name) = 0;
  // Undoes the entry; returns the closing message. Throws Error.
  virtual std::string Run(const std::string& name) = 0;
};

// The platform and subsystems the console front end runs over; the Windows
// composition root implements it, the tests fake it.
class CliServices {
 public:
  virtual ~CliServices() = default;
  virtual std::string ProgramFolder() = 0;
  virtual DriveSource& Drives() = 0;
  virtual int OsGeneration() = 0;
  virtual std::int64_t NowMs() = 0;
  // The run's parts wired for this context; a part left null means its
  // target is not available in this build.
  virtual RunParts MakeRunParts(RunContext& ctx) = 0;
  virtual UndoCommands& Undo(RunContext& ctx) = 0;
};

enum CliExit { kExitFinished = 0, kExitCancelled = 1, kExitUsage = 2, kExitError = 3 };

int RunCli(const std::vector<std::string>& args, CliServices& services, std::istream& in, std::ostream& out,
           std::ostream& err);
