#pragma once
// The one long operation: move (in Move and Map), then the walks for the
// chosen targets, with progress and the result for the end pages.
#include <functional>
#include <string>
#include <vector>

#include "engine/ItemInUseCheck.h"
#include "engine/RunContext.h"
#include "engine/RunPorts.h"
#include "engine/WrittenRecord.h"

class FileSystem;
class OfflineHives;

inline constexpr const char* kShortFormAfterMoveNote =
    "References found in the short (8.3) form are shown with the new place's long form: its short form is set by "
    "the move.";
inline constexpr const char* kNoUndoNameMessage =
    "Every undo name from Undo00000 to Undo99999 is in use.  Delete old entries on the undo page before starting "
    "another run.";

// What a run is made of. The parts every run needs are references: a run
// wired without one does not compile. The others are optional by name.
struct RunParts {
  UndoNumbers& undo;
  ItemMover& mover;
  BackupArchive& archive;
  RegistryMapper& registry;
  FileMapper& files;
  ShortNames& shortNames;
  // Where the records of a run are kept: its change report (UndoNNNNN.log),
  // its backups, and what is settled of the run before it.
  FileSystem& records;
  // The record of what the run wrote (UndoNNNNN.after), which lets an undo
  // leave alone what changed after the run.
  WrittenRecord& written;

  RunLock* optionalLock = nullptr;
  std::function<void()> optionalRefreshTrees = {};  // the move page's trees
  EnvironmentNotice* optionalEnvironment = nullptr;
  // The local time as the change report shows it, and the UTC stamp it keeps.
  std::function<std::string()> optionalTimeText = {};
  std::function<std::string()> optionalUtcStamp = {};
  // Walkers for searches side by side (the registry, each drive); without
  // it a run's searches go one after the other.
  SearchCrew* optionalCrew = nullptr;
  // The scheduled tasks, searched with the configuration files.
  TaskMapper* optionalTasks = nullptr;
  // The processes and services that may run from an item to be moved;
  // none: nothing is looked for.
  ProcessesAndServices* optionalRunning = nullptr;
  // The hives of users not logged on, loaded for the registry walks; none:
  // only the hives loaded already are searched.
  OfflineHives* optionalOfflineHives = nullptr;
};

class MappingRun {
 public:
  MappingRun(RunContext& ctx, RunParts parts) : ctx_(ctx), parts_(std::move(parts)) {}

  // Runs the whole request; afterwards tally.cancelled tells which end page
  // to show. Failures (Error) leave through here after the progress dialog is
  // closed.
  void Run();

 private:
  void Search();
  // Numbers the run and clears what the run before left in the context.
  void NumberRun();
  // Moves the item first; false when the run ends here.
  bool MoveFirst(ItemInUseCheck& inUse);
  void WriteReport();
  // A run that changed nothing leaves no record files behind.
  bool ChangedAnything() const;
  void RemoveRecords();
  bool Move(ItemInUseCheck& inUse);
  void DoMove();
  void DoSwitch();
  void DoFindReplace();
  void MapOnce(const std::string& oldShort);

  // The walks a pass goes through.
  struct Walks {
    bool registry = false;
    bool files = false;
    bool tasks = false;
  };
  // The walks the run's targets ask for.
  Walks AllWalks() const;
  // A preview only searches. A run searches, then applies what its search
  // found (after a review, what the review ticked) at those places alone.
  void Pass(const SearchTexts& texts, Walks walks);
  void Search(const SearchTexts& texts, Walks walks);
  // A search that changes and asks nothing; its list, each occurrence ticked.
  ChangeSelection SearchOnly(const SearchTexts& texts, Walks walks);
  void Apply(const SearchTexts& texts, Walks walks, ChangeSelection& list);
  // Ticked but not found again at its place: named, never silently lost.
  void ReportNotMet(const ChangeSelection& list);

  RunContext& ctx_;
  RunParts parts_;
  std::string oldShort_;  // of a moved item, taken before the move
  std::vector<std::string> servicesStartedAgain_;  // what became of the services stopped for the move
};
