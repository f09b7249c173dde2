#pragma once
// The undo store: hands each run its undo name, keeps the undo list of the
// records in the program folder (oldest first), deletes an entry on request
// and deletes old record files by the chosen age limit.
#include <string>
#include <vector>

#include "engine/UndoPorts.h"
#include "undo/UndoTexts.h"
#include "core/FileSystem.h"
#include "undo/FileBackupArchive.h"
#include "undo/UndoPlatform.h"


// The items of the age limit box (undoAgeIndex); -1 when none is selected.
enum AgeLimitIndex { kAgeOneDay = 0, kAgeOneWeek = 1, kAgeOneMonth = 2, kAgeDoNotDelete = 3, kAgeNoneSelected = -1 };

class UndoStore : public UndoList {
 public:
  UndoStore(FileSystem& fs, UndoPlatform& platform, std::string programFolder);

  int ageLimitIndex = kAgeOneWeek;  // the settings file's default

  // Age cleanup of the listed entries first; with true the lowest free undo
  // number (-1 when Undo00000 to Undo99999 are all taken), with false the
  // list is rebuilt and 0 returned.
  int FillUndoBox(bool nextNumber) override;

  // undoLines: "Undo00003 - <short date> <long time>" lines, oldest first, or
  // the single line "No Changes to Undo".
  std::vector<std::string> Lines() override { return lines_; }
  void SetAgeIndex(int index) override { ageLimitIndex = index; }
  std::vector<std::string> EntriesAgedOut(int index) override;
  // The entry's line, -1 when it is not listed.
  int IndexOf(const std::string& undoName) const;

  // Deletes the entry's record files; the list is rebuilt by the next FillUndoBox.
  void DeleteEntry(const std::string& undoName) override;

  // Writes back the files of the entry's archive (nothing when it has none),
  // each to placeOf(the path it was saved from) when placeOf is given.
  RestoreResult RestoreFiles(const std::string& undoName, const RestorePlace& placeOf = {});

 private:
  void AgeCleanup();
  // Calls `old` for every record file of a listed entry beyond the age limit.
  template <class Each>
  void ForAgedOut(int index, Each old);
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
