#include "win32/Win32CliServices.h"

#include "core/Error.h"

// Everything a run is wired with lives here, for the length of the process.
struct Win32CliServices::Parts {};

Win32CliServices::Win32CliServices() : programFolder_(ProgramFolderOfExe()) {}
Win32CliServices::~Win32CliServices() = default;

RunParts Win32CliServices::MakeRunParts(RunContext&) {
  RunParts p;
  p.lock = &lock_;
  return p;
}

UndoCommands& Win32CliServices::Undo(RunContext&) { throw Error("This build cannot do the undo store yet."); }
