#pragma once
// Before a run: will it need rights the program lacks? Without elevation,
// Windows keeps HKEY_LOCAL_MACHINE and folders such as Program Files from
// the user, and a run would then change only part of what it should. The
// front ends say so before anything is changed and let the user restart as
// administrator or go on with what can be changed.
#include <string>
#include <vector>

#include "engine/RunSettings.h"

class RightsPort {
 public:
  virtual ~RightsPort() = default;
  // The process holds administrator rights (an elevated token, or no UAC).
  virtual bool Elevated() = 0;
  // The user may create files in the folder (given with or without "\"),
  // or, for one not there yet, in the nearest folder that is.
  virtual bool CanWriteFolder(const std::string& folder) = 0;
  virtual bool FolderExists(const std::string& folder) = 0;
  virtual bool CanWriteMachineRegistry() = 0;
  // The folders the system keeps for administrators (Program Files, the
  // Windows folder ...), each with its trailing "\".
  virtual std::vector<std::string> ProtectedFolders() = 0;
};

struct RightsCheck {
  // One line per place the run could not change, saying what it is.
  std::vector<std::string> lacking;
  // The undo records cannot be written: nothing may be changed at all,
  // since every change is backed up first.
  bool recordsBlocked = false;
  bool NeedsMore() const { return !lacking.empty(); }
};

// What a run of these choices needs and lacks; nothing when elevated or for
// a preview, which changes nothing.
RightsCheck CheckRights(const RunChoices& choices, bool preview, RightsPort& port);

// The warning both front ends show: the lacking places, one a line.
std::string RightsWarningText(const RightsCheck& check);
