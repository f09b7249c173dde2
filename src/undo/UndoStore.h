#pragma once
// The undo store: hands each run its undo name, keeps the undo list of the
// records in the program folder (oldest first), deletes an entry on request
// and deletes old record files by the chosen age limit.
#include <optional>
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

  // Each runs the age cleanup of the listed entries first. The lowest free
  // undo number (-1 when Undo00000 to Undo99999 are all taken):
  int NextUndoNumber() override;
  // The list's lines read afresh from the records:
  void RebuildList() override;

  // undoLines: "Undo00003 - <short date> <long time>" lines, oldest first
  // by the start of their runs, followed by " - Map Only: OLD -> NEW" for an
  // entry with a change report (UndoNNNNN.log) and by " - undone <short
  // date> <short time>" once it was undone; or the single line "No Changes
  // to Undo".
  std::vector<std::string> Lines() override { return lines_; }
  void SetAgeIndex(int index) override { ageLimitIndex = index; }
  // Records in this folder are listed, undone and deleted too, and their
  // numbers are not handed out again (an installed copy's records that an
  // earlier copy left beside the program).
  void AddEarlierFolder(const std::string& folder);
  // The folder that holds the entry's records (the store's own folder when
  // no listed folder does), with its "\".
  std::string FolderOf(const std::string& undoName) const override;
  std::vector<std::string> EntriesAgedOut(int index) override;
  // The entry's line, -1 when it is not listed.
  int IndexOf(const std::string& undoName) const;

  // Deletes the entry's record files; the list is rebuilt by the next
  // RebuildList. Holds the run lock meanwhile, so no run loses its records
  // under it. Throws Error when another run holds the lock or a file stays.
  void DeleteEntry(const std::string& undoName) override;
  // The lock every change of the records takes (none in tests that need none).
  void SetLock(RunLock* lock) { lock_ = lock; }

  // The local time now, as the list shows times.
  std::string NowText();
  // The time now as the change reports keep it for the list to read back.
  std::string NowUtcStamp();
  // Adds an undo's result to the entry's change report, when it has one.
  void AppendUndoSection(const std::string& undoName, const std::vector<std::string>& restored,
                         const std::vector<std::string>& notRestored);

  // Writes back the files of the entry's archive (nothing when it has none),
  // each to placeOf(the path it was saved from) when placeOf is given.
  RestoreResult RestoreFiles(const std::string& undoName, const RestorePlace& placeOf = {},
                             const RestoreGuard& guard = {}, const RestoreCheck& check = {});

 private:
  void AgeCleanup();
  // Calls `old` for every record file of a listed entry beyond the age limit.
  template <class Each>
  void ForAgedOut(int index, Each old);
  void Rebuild();
  int NextFreeNumber();
  std::string DateTimeText(FileTicks utc);
  // The store's own folder first, then the earlier ones.
  std::vector<std::string> Folders() const;
  std::string LocalTimeText(FileTicks local);
  // What the entry's change report tells the list.
  struct ReportFacts {
    std::string summary;              // " - Map Only: OLD -> NEW", or nothing
    std::optional<FileTicks> started;  // the run's start (UTC); none in earlier builds' reports
    bool undone = false;
    std::optional<FileTicks> undoneAt;  // of the last undo (UTC)
  };
  ReportFacts ReportOf(const std::string& undoName);

  FileSystem& fs_;
  UndoPlatform& platform_;
  std::string folder_;
  std::vector<std::string> earlier_;
  RunLock* lock_ = nullptr;
  std::vector<std::string> lines_{kNoChangesToUndo};
  std::vector<std::string> names_;  // the undo name of each line; empty for the placeholder
};

// The number of a record file name ("Undo00042.zip" gives 42, any case of
// the letters), -1 for every other name.
int UndoRecordNumber(const std::string& fileName);
