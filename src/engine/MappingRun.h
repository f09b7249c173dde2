#pragma once
// The one long operation: move (in Move and Map), then the walks for the
// chosen targets, with progress and the result for the end pages.
#include <functional>
#include <string>
#include <vector>

#include "engine/ItemInUseCheck.h"
#include "engine/ChangeVerification.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"
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

// What a front end hands its run besides the settings.
struct RunFrontEnd {
  Findings& findings;  // cleared when the run starts, filled as it goes
  Ui* ui = nullptr;    // none: nothing is shown or asked
  // The front end's busy mark: set while the run goes; a run started while
  // it is set is refused.
  bool* busy = nullptr;
};

class MappingRun {
 public:
  MappingRun(const RunSettings& settings, RunFrontEnd frontEnd, RunParts parts)
      : settings_(settings),
        findings_(frontEnd.findings),
        ui_(frontEnd.ui),
        busy_(frontEnd.busy),
        parts_(std::move(parts)),
        asking_(settings.stopAndVerify) {}

  // Runs the whole request: the move, a search, then the apply of what it
  // found; with `reviewed`, the apply of what a review ticked, at the places
  // its list names. Afterwards tally.cancelled tells which end page to show.
  // Failures (Error) leave through here after the progress dialog is closed.
  void Run(ChangeSelection* reviewed = nullptr);
  // A search that reports every change instead of making it.
  void Preview();
  // False once the user ticked "Do Not Stop and Verify" during the run: the
  // front end then clears its own verify boxes too.
  bool StillAsking() const { return asking_.Asking(); }

 private:
  void Start();
  void Search();
  // Numbers the run and clears what the run before left in the findings.
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
  // What the walks are handed for a pass of this run.
  RunPass PassOf(PassKind kind, ChangeSelection* selection = nullptr);
  // A preview only searches. A run searches, then applies what its search
  // found (after a review, what the review ticked) at those places alone.
  void Pass(const SearchTexts& texts, Walks walks);
  void Search(RunPass& run, const SearchTexts& texts, Walks walks);
  // A search that changes and asks nothing; its list, each occurrence ticked.
  ChangeSelection SearchOnly(const SearchTexts& texts, Walks walks);
  void Apply(const SearchTexts& texts, Walks walks, ChangeSelection& list);
  // Ticked but not found again at its place: named, never silently lost.
  void ReportNotMet(RunPass& run, const ChangeSelection& list);

  const RunSettings& settings_;
  Findings& findings_;
  Ui* const ui_;
  bool* const busy_;
  RunParts parts_;
  StopAndVerify asking_;  // the user may end it mid-run
  bool preview_ = false;
  ChangeSelection* reviewed_ = nullptr;  // not owned
  unsigned runNumber_ = 0;
  WrittenRecord* written_ = nullptr;     // none in a preview
  std::string oldShort_;  // of a moved item, taken before the move
  std::vector<std::string> servicesStartedAgain_;  // what became of the services stopped for the move
};
