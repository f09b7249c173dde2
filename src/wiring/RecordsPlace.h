#pragma once
// Where a copy of the program keeps its undo records and Ostrivane.ini.
//
// A portable copy keeps them beside itself. An installed copy sits in
// Program Files, which users cannot write, so it keeps them in a folder for
// the whole machine (%ProgramData%\Ostrivane). "Installed" means: the package
// recorded its install folder, and this copy runs from that very folder; a
// copy of the installed files taken elsewhere is portable. (A marker file
// beside the program would travel with such a copy; the folder name alone
// would take any copy under Program Files for an installed one.)
//
// An undo record tells the program what to move, restore and delete. With
// administrator rights, records from a folder that other users can change
// are refused: anyone could have slipped one in.
#include <optional>
#include <string>
#include <vector>

#include "engine/Refusal.h"

class RecordsPlatform {
 public:
  virtual ~RecordsPlatform() = default;
  // The folder of the running program, with its trailing "\".
  virtual std::string ProgramFolder() = 0;
  // The install folder the package recorded; none when not installed.
  virtual std::optional<std::string> InstalledFolder() = 0;
  // %ProgramData%\Ostrivane\ (with its trailing "\").
  virtual std::string MachineDataFolder() = 0;
  virtual bool FolderExists(const std::string& folder) = 0;
  // Any undo record or Ostrivane.ini in the folder.
  virtual bool HoldsRecords(const std::string& folder) = 0;
  // Creates the folder (or, when it exists, resets its access list) so that
  // only Administrators and SYSTEM may change it and users may read it.
  virtual bool GuardFolder(const std::string& folder) = 0;
  // Someone other than Administrators, SYSTEM and the user running the
  // program may change the folder's content or its access list (also when
  // the list cannot be read).
  virtual bool OthersMayChange(const std::string& folder) = 0;
  virtual bool Elevated() = 0;
};

struct RecordsPlace {
  std::string folder;                // new records and Ostrivane.ini, with "\"
  std::vector<std::string> earlier;  // further folders whose records are listed
  bool installed = false;
  // Runs and undos must not use the records, and why.
  std::optional<EngineRefusal> refusal;
  // Folders left out of the list, and why.
  std::vector<std::string> notes;
};

RecordsPlace ChooseRecordsPlace(RecordsPlatform& platform);
