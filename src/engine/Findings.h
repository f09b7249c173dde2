#pragma once
// What a run found and did: the walks add to it, the end pages, the change
// report and the console's summary read it. Each search side by side fills
// one of its own, joined to the run's when it ends.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ChangeList.h"

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
  // The undo entry the run leaves ("Undo00003"): empty before the run is
  // numbered, and after a preview or a run that changed nothing.
  std::string undoName;
  // What became of the item of a Move and Map run.
  ItemMoveOutcome move = ItemMoveOutcome::NotAsked;
};

// A place the run could not read or change, and why. The run goes on; the
// end result names every one.
struct PassedOver {
  std::string where;   // a file path, or a registry key and value name
  std::string reason;  // "access denied", "the file's encoding cannot hold the new text" ...
};

struct Findings {
  RunTally tally;
  bool preview = false;  // the findings of a preview: nothing was changed
  bool searching = false;  // a run's search before its apply is under way: it finds, it changes nothing yet
  // What the run counts now are links found (a preview, a search), not changed.
  bool Finds() const { return preview || searching; }
  // The link count the apply under way reaches once every ticked change is
  // made; 0 while no apply of a known list is under way.
  std::int32_t applyGoal = 0;
  std::vector<ChangeEntry> changes;    // in the order met
  std::vector<PassedOver> passedOver;  // in the order met
  // Things the run did beside its changes that the user should hear of
  // (a stale temporary file of an interrupted run removed).
  std::vector<std::string> notes;
  // What the search could not reach (the Task Scheduler could not list its
  // tasks): as true of an apply of its list, so a reviewed list carries them.
  std::vector<std::string> searchNotes;
  bool environmentChanged = false;  // a value under an environment key was changed
  // The hives of users not logged on that the run loaded for its walks
  // (their names under HKEY_USERS).
  std::vector<std::string> offlineHives;
  std::string startedAt, endedAt;  // local time text of the run's start and end
  std::string startedUtc;          // the start as a UTC stamp, for the undo list's order

  // A place passed over as a whole: named in the passed-over list and in the
  // change list (kind Place).
  void PassOver(std::string where, std::string reason);
  // One occurrence and what became of it. Changed (or would change) counts
  // as a remapped link (a shortcut's further parts with its first);
  // passed over is also named in the passed-over list.
  void Record(ChangeEntry entry);
  // The occurrences recorded as changed from index `from` on were not made
  // after all (the file could not be written ...): they are passed over with
  // the reason, no longer counted, and the place named once.
  void PassOverSince(std::size_t from, const std::string& where, const std::string& reason);
  // A search's own findings join these as if found here, after what is
  // here; `lane` is left empty.
  void Join(Findings& lane);
  // A note about what the search could not reach, once a run however many
  // passes say it.
  void NoteOfSearch(const std::string& note);
  // Every note, those of the search first.
  std::vector<std::string> AllNotes() const;
  // The change list's rows that are changes (made, or in a preview to be
  // made): a link's further parts each, the moved item not.
  int ChangeCount() const;
};
