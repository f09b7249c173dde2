#pragma once
// The undo store: hands each run its undo name, keeps the undo list of the
// records in the program folder (oldest first), deletes an entry on request
// and deletes old record files by the chosen age limit.
#include <string>
#include <vector>

#include "app/RunPorts.h"
#include "core/FileSystem.h"
#include "undo/FileBackupArchive.h"
#include "undo/UndoPlatform.h"

inline constexpr const char* kNoChangesToUndo = "No Changes to Undo";
inline constexpr const char* kNoItemsToDelete = "There are no items to delete";
inline constexpr const char* kPleaseSelectAnItem = "Please select an item";

// The items of the age limit box (suiComboBox1); -1 when none is selected.
enum AgeLimitIndex { kAgeOneDay = 0, kAgeOneWeek = 1, kAgeOneMonth = 2, kAgeDoNotDelete = 3, kAgeNoneSelected = -1 };

class UndoStore : public UndoNumbers {
 public:
  UndoStore(FileSystem& fs, UndoPlatform& platform, std::string programFolder);

  int ageLimitIndex = kAgeOneWeek;  // the settings file's default

  // Age cleanup of the listed entries first; with true the lowest free undo
  // number (-1 when Undo00000 to Undo99999 are all taken), with false the
  // list is rebuilt and 0 returned.
  int FillUndoBox(bool nextNumber) override;

  // ListBox1: "Undo00003 - <short date> <long time>" lines, oldest first, or
  // the single line "No Changes to Undo".
  const std::vector<std::string>& Lines() const { return lines_; }
  // The entry's line, -1 when it is not listed.
  int IndexOf(const std::string& undoName) const;

  // The "Delete" button with line `selected` selected (-1 for none): deletes
  // the entry's records and rebuilds the list. Returns the message to show,
  // empty when the entry was deleted.
  std::string suiButton2Click(int selected);

  // Writes back the files of the entry's archive (nothing when it has none).
  RestoreResult RestoreFiles(const std::string& undoName);

 private:
  void AgeCleanup();
  void Rebuild();
  int NextFreeNumber();
  std::string DateTimeText(FileTicks utc);

  FileSystem& fs_;
  UndoPlatform& platform_;
  std::string folder_;
  std::vector<std::string> lines_{kNoChangesToUndo};
  std::vector<std::string> names_;  // the undo name of each line; empty for the placeholder
};

// The number of a record file name ("Undo00042.zip" gives 42, any case of
// the letters), -1 for every other name.
int UndoRecordNumber(const std::string& fileName);
