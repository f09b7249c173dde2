#pragma once
// The undo store: hands each run its undo name, keeps the undo list of the
// records in the program folder (oldest first), deletes an entry on request
// and deletes old record files by the chosen age limit.
#include <optional>
#include <string>
#include <vector>

#include "engine/UndoPorts.h"
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

  // The entries oldest first by the start of their runs, each as its
  // records tell it (its change report, UndoNNNNN.log, tells the run and its
  // undos; records of earlier builds have none).
  std::vector<UndoListEntry> Entries() override { return entries_; }
  void SetAgeIndex(int index) override { ageLimitIndex = index; }
  // Records in this folder are listed, undone and deleted too, and their
  // numbers are not handed out again (an installed copy's records that an
  // earlier copy left beside the program).
  void AddEarlierFolder(const std::string& folder);
  // The folder that holds the entry's records (the store's own folder when
  // no listed folder does), with its "\".
  std::string FolderOf(const UndoName& name) const override;
  std::vector<UndoName> EntriesAgedOut(int index) override;
  // The entry's place in the list, -1 when it is not listed.
  int IndexOf(const UndoName& name) const;

  // Deletes the entry's record files; the list is rebuilt by the next
  // RebuildList. Holds the run lock meanwhile, so no run loses its records
  // under it. Throws Error when another run holds the lock or a file stays.
  void DeleteEntry(const UndoName& name) override;
  // The lock every change of the records takes (none in tests that need none).
  void SetLock(RunLock* lock) { lock_ = lock; }

  // The local time now, as the list shows times.
  std::string NowText();
  // The time now as the change reports keep it for the list to read back.
  std::string NowUtcStamp();
  // Adds an undo's result to the entry's change report, when it has one.
  void AppendUndoSection(const UndoName& name, const std::vector<std::string>& restored,
                         const std::vector<std::string>& notRestored);

  // Writes back the files of the entry's archive (nothing when it has none),
  // each to placeOf(the path it was saved from) when placeOf is given.
  RestoreResult RestoreFiles(const UndoName& name, const RestorePlace& placeOf = {},
                             const RestoreGuard& guard = {}, const RestoreCheck& check = {},
                             const PlaceDone& each = {});

 private:
  void AgeCleanup();
  // Calls `old` for every record file of a listed entry beyond the age limit.
  template <class Each>
  void ForAgedOut(int index, Each old);
  void Rebuild();
  int NextFreeNumber();
  std::string DateTimeText(FileTicks utc);
  // "<short date> <short time>" in local time; none for none.
  std::optional<std::string> ShortLocalText(std::optional<FileTicks> utc);
  // The store's own folder first, then the earlier ones.
  std::vector<std::string> Folders() const;
  std::string LocalTimeText(FileTicks local);
  // What the entry's change report tells the list: its run and its undos,
  // and the run's start (UTC; none in earlier builds' reports).
  std::optional<FileTicks> ReadReportInto(UndoListEntry& entry);
  // The entry's record file with that extension, in the folder that holds it.
  std::string RecordPath(const UndoName& name, const char* extension) const;

  FileSystem& fs_;
  UndoPlatform& platform_;
  std::string folder_;
  std::vector<std::string> earlier_;
  RunLock* lock_ = nullptr;
  std::vector<UndoListEntry> entries_;
};

// The entry a record file belongs to ("Undo00042.zip" to Undo00042, any case
// of the letters, one of the record extensions); none for every other name.
std::optional<UndoName> RecordFileEntry(const std::string& fileName);
