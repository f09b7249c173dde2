#pragma once
// The state of one mapping run and the parts of a front end's state that the
// walks read. Every front end holds one RunContext for its whole life.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ChangeList.h"
#include "engine/MappingRequest.h"

class Ui;
class WrittenRecord;

// The target boxes of the targets page, in the order {registry, settings,
// shortcuts, all files, configuration files}.
struct Targets {
  bool registry = true;
  bool settingsFiles = true;
  bool shortcuts = true;
  bool allFiles = false;
  bool configFiles = true;  // .json, .xml ... and the scheduled tasks (filemap/TaskWalk)
  bool HasFileTargets() const { return settingsFiles || shortcuts || allFiles || configFiles; }
};

// One row of the drive list: caption, root text (C:\) and selected mark.
struct DriveRow {
  std::string caption;
  std::string root;
  bool selected = false;
};

inline constexpr const char* kNothingMovedLine = "Nothing was moved";

enum class ItemMoveOutcome {
  NotAsked,      // no move in this run, or it failed before the item was tried
  Moved,         // moved (in a preview: would be)
  NothingMoved,  // programs run from it, or it was at its new place already
  MayBePartly,   // the move failed part way
};

// What came of the run so far: the walks count and place it, the end pages
// and the change report read it.
struct RunTally {
  bool cancelled = false;
  // Cancelled at the question about programs or services running from the
  // item: nothing was moved or changed.
  bool itemInUse = false;
  // The item to move was not at its place and was at its new one already
  // (moved before): nothing was moved.
  bool alreadyMoved = false;
  std::int32_t linkCount = 0;  // remapped links (or, in a preview, links that would be)
  std::string undoName;        // "Undo00003"; empty before the run is numbered and in a preview
  // What became of the item of a Move and Map run.
  ItemMoveOutcome move = ItemMoveOutcome::NotAsked;
};

// A place the run could not read or change, and why. The run goes on; the
// end result names every one.
struct PassedOver {
  std::string where;   // a file path, or a registry key and value name
  std::string reason;  // "access denied", "the file's encoding cannot hold the new text" ...
};

struct RunContext {
  MappingRequest request;
  RunTally tally;
  Targets targets;
  std::vector<DriveRow> drives;
  // Ask before each change ("Entry Found"); set by the front end from its
  // own boxes, cleared when the user ticks "Do Not Stop and Verify".
  bool stopAndVerify = false;
  std::string recordsFolder;  // where the undo records go, with its trailing "\"
  bool preview = false;  // report every change instead of making it
  // A run's search before its apply: the walks find and list, and change,
  // ask and back up nothing.
  bool searching = false;
  bool FindsOnly() const { return preview || searching; }
  bool running = false;
  // Counts the runs started, so that a part called once per pass can tell
  // the next pass of a run from a new run.
  unsigned runNumber = 0;
  Ui* ui = nullptr;
  std::vector<PassedOver> passedOver;  // this run's, in the order met
  bool environmentChanged = false;     // a value under an environment key was changed
  // The hives of users not logged on that the run loaded for its walks
  // (their names under HKEY_USERS).
  std::vector<std::string> offlineHives;

  std::vector<ChangeEntry> changes;    // this run's change list, in the order met
  // What the apply under way may change: the list of the run's search, or
  // what the review page ticked; not owned. None while a run searches.
  ChangeSelection* selection = nullptr;
  // Where the walks announce each write before they make it; set by the run
  // (none in a preview), not owned.
  WrittenRecord* written = nullptr;
  std::string startedAt, endedAt;      // local time text of the run's start and end
  std::string startedUtc;              // the start as a UTC stamp, for the undo list's order

  // A place passed over as a whole: named in the passed-over list and in the
  // change list (kind Place).
  void PassOver(std::string where, std::string reason);
  // One occurrence and what became of it. Changed (or would change) counts
  // as a remapped link (a shortcut's further parts with its first);
  // passed over is also named in the passed-over list.
  void Record(ChangeEntry entry);
  // Whether an occurrence found may be changed: always in a search; in an
  // apply only when its list ticks it (one left out is recorded so, one the
  // list does not hold is passed over: it changed since the search).
  bool Chosen(const ChangeEntry& entry);
  // The occurrences recorded as changed from index `from` on were not made
  // after all (the file could not be written ...): they are passed over with
  // the reason, no longer counted, and the place named once.
  void PassOverSince(std::size_t from, const std::string& where, const std::string& reason);
  // Things the run did beside its changes that the user should hear of
  // (a stale temporary file of an interrupted run removed).
  std::vector<std::string> notes;

  // Pumps the user interface and tells whether the run was cancelled.
  bool PumpCancelled();
  // Told to the user interface, when there is one (Ui::ShowPhase ...).
  void ShowPhase(const std::string& phase);
  void ShowPlace(const std::string& place);
  void BeginStep(int share);
  // A context for one of the run's searches side by side, seen by `ui`:
  // the run's request, targets and settings, none of its findings; with a
  // drive index, that drive alone selected.
  RunContext ForSearch(Ui* searchUi, int drive) const;
  int SelectedDriveCount() const;
};
