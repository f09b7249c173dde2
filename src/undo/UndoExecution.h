#pragma once
// "Undo Changes": brings an undo entry's changes back. Its order gives back
// the state before the run: first the backed-up files, written to the paths
// they were saved from (inside the moved folder, at its new place), then the
// move back, which carries them home with the folder, then the registry
// backup, applied by the program itself (it touches neither of the others).
//
// A place is given back only while it still holds what the run wrote there
// (the entry's written record, UndoNNNNN.after): one already as before the
// run is counted and left, so a second undo changes nothing; one changed
// after the run (by hand, or by a later run undone out of order) is left and
// named with the later entry that changed it, unless the undo is forced.
// Every place the record names is restored, already as before, or named:
// a damaged or cut backup never reads as a complete undo. Records of earlier
// builds have no written record: everything in them is restored, as then.
//
// The scheduled tasks the run registered again are registered back with the
// definitions of its task backup (UndoNNNNN.tasks), under the same rule; a
// task deleted since the run is named and not made again, even when forced.
//
// Before a move back changes anything, every place the run changed is
// checked: a text value changed again after the run (a list such as `Path`
// where a later run changed another entry) gets the run's old place back
// inside it while the later change stays, where the run's own text still
// stands there unchanged. A place that cannot be given back so would point
// at the place the item leaves: unless forced, nothing at all is undone
// then, and the places are named with the later entries that changed them.
//
// Each step runs whatever became of the one before; the closing message says
// what was restored, what was moved back, what was already as before and, in
// further lines, what was left and why. An item no longer where the record
// says gets nothing restored into its place and is not moved; folders the
// run's move made go again once they are empty.
#include <optional>
#include <set>
#include <string>

#include "core/MapBack.h"
#include "core/OptionalRef.h"
#include "engine/GuardRails.h"
#include "engine/ItemInUseCheck.h"
#include "engine/RunPorts.h"
#include "engine/TaskService.h"
#include "engine/UndoPorts.h"
#include "engine/UndoWords.h"
#include "engine/WrittenRecord.h"
#include "core/CodePage.h"
#include "core/FileSystem.h"
#include "regmap/RegImport.h"
#include "regmap/RegRestore.h"
#include "regmap/RegistryBackend.h"
#include "undo/MoveDir.h"
#include "undo/UndoStore.h"

class OfflineHives;

// What every undo obeys: a record is no licence to write over the program
// or its records, to race a run, or to move an item programs run from.
struct UndoRails {
  // No file is written back over the program or its records (the move back
  // keeps to the mover's own rails).
  GuardRails& places;
  // Held for the whole undo: nothing else changes the records or the places
  // they name meanwhile.
  RunLock& lock;
  // Looked at before a move back: a running image cannot leave its folder.
  ProcessesAndServices& running;
};

// What an undo can do without; each says what is left then.
struct UndoExtras {
  // The Task Scheduler the run's tasks are registered back through; none:
  // they are named as not restored.
  OptionalRef<TaskService> tasks;
  // Loads the hives of users not logged on that a registry backup names;
  // none: their places are left as keys that are not there.
  OptionalRef<OfflineHives> offlineHives;
  // Told when an undo set an environment value back; none: no one is told.
  OptionalRef<EnvironmentNotice> environment;
};

class UndoExecution : public UndoExecutor {
 public:
  // `ansi` reads registry backups stored in the ANSI code page.
  UndoExecution(FileSystem& fs, UndoStore& store, RegistryBackend& registry, CodePage& ansi, FolderMove& mover,
                UndoRails rails, UndoExtras extras = {})
      : fs_(fs), store_(store), registry_(registry), ansi_(ansi), mover_(mover), rails_(rails), extras_(extras) {}

  // Throws Error when another run holds the run lock, and when programs or
  // services run from the item the undo would move back: nothing is undone.
  UndoOutcome UndoEntry(const UndoName& name, bool force = false, UndoProgress* progress = nullptr) override;

 private:
  struct Undo;
  // Tells the undo's watcher a step begins; what counts its places (none without one).
  static PlaceDone Begin(Undo& u, UndoStep step, const std::string& item = "");
  // Weighs the written record against the change report (RecordDamage.h).
  void CheckRecord(Undo& u);
  void ReadMoveRecord(Undo& u);
  void RestoreFiles(Undo& u);
  RestoreDecision CheckFile(Undo& u, const std::string& savedFrom, const std::string& target,
                            const std::string& backup);
  // Notes the copies a stopped replacement left beside the file; true when
  // it left no file at the name, which the undo then restores.
  bool InterruptedReplacement(Undo& u, const std::string& target, const FileWrite& ran, const std::string& backup,
                              bool targetThere);
  // Removes those copies where the file is back; `kept` gets the others.
  void RemoveLeftoverCopies(Undo& u, std::set<std::string>& kept);
  void RemoveTemporaryFiles(Undo& u, const std::vector<std::string>& paths);
  void MoveBack(Undo& u);
  void RestoreRegistry(Undo& u);
  // The run's replacement (a move's, or Map Only's find and replace), for
  // giving its old place back inside changed places; none for other entries.
  std::optional<PlaceSwap> SwapOf(Undo& u) const;
  // Names (in u.changed) each place changed after the run that would still
  // point at the item's new place after its move back; true when there is one
  // and the undo is not forced: nothing is undone then.
  bool MoveBackWouldStrand(Undo& u);
  // A file changed after the run, with the run's old place back inside it
  // around the later change; none when that is not certain.
  std::optional<std::string> MapBackFile(Undo& u, const FileWrite& ran, const std::string& backup,
                                         const std::string& now) const;
  void FilesThatWouldStrand(Undo& u, std::vector<std::string>& places);
  void RegistryThatWouldStrand(Undo& u, std::vector<std::string>& places);
  void TasksThatWouldStrand(Undo& u, std::vector<std::string>& places);
  // "HKEY_...\Key, value "Name" was changed after the run (...)" with the later entries.
  std::string ChangedRegistryText(Undo& u, const ChangedPlace& c);
  std::string ChangedTaskText(Undo& u, const std::string& path);
  // The task still holds what the run registered (or the record cannot tell).
  bool TaskAsRunWrote(const Undo& u, const std::string& path, const std::string& nowXml) const;
  // Gives the places of a moved item back only where none would be stranded:
  // false when it was held back (the outcome says so).
  bool MayMoveBack(Undo& u);
  // Reads the entry's written record (UndoNNNNN.after), where it has one.
  void ReadWritten(Undo& u);
  // The change report keeps what this undo did, in full.
  void AppendToReport(Undo& u);
  // The registry backup's lines the undo takes, by the written record.
  RegImportResult RestoreRecordedRegistry(Undo& u, const ParsedRegFile& parsed,
                                          const std::vector<PassedOver>& notLoaded);
  void RestoreTasks(Undo& u);
  // Registers the saved definition back when the task still holds what the
  // run wrote; else names it (or counts it as already as before).
  bool RestoreTask(Undo& u, const std::string& path, const std::string& savedXml);
  // " It was changed again by Undo00016: undo that entry first." or "".
  std::string LaterEntries(Undo& u, const std::string& file, const std::string& key,
                           const std::string& valueName);
  // The outcome's result, from what the undo did.
  void SettleResult(Undo& u) const;

  FileSystem& fs_;
  UndoStore& store_;
  RegistryBackend& registry_;
  CodePage& ansi_;
  FolderMove& mover_;
  OfflineHives* OfflineHivesOrNone() const { return extras_.offlineHives ? &extras_.offlineHives->get() : nullptr; }

  UndoRails rails_;
  UndoExtras extras_;
};
