#pragma once
// The undo records as the front ends see them: the list of entries, their
// deletion and the undo of one entry.
#include <string>
#include <vector>

#include "engine/RunPorts.h"

// The undo list and the records behind it. NextUndoNumber and RebuildList
// (from UndoNumbers) each run the age cleanup first.
class UndoList : public UndoNumbers {
 public:
  // The list's lines, oldest first; the single line "No Changes to Undo"
  // when there is no entry.
  virtual std::vector<std::string> Lines() = 0;
  // The age list's selected index, 0 to 3, or -1 for none.
  virtual void SetAgeIndex(int index) = 0;
  // The listed entries that age limit would delete (some record file older
  // than it), so the window can ask first.
  virtual std::vector<std::string> EntriesAgedOut(int index) { (void)index; return {}; }
  // Deletes the records of the entry with that undo name.
  virtual void DeleteEntry(const std::string& name) = 0;
  // The folder holding the entry's records, with its "\\"; empty: the
  // program's records folder.
  virtual std::string FolderOf(const std::string& undoName) const { (void)undoName; return ""; }
};

// What the last undo did, for a caller that reports it in numbers.
struct UndoCounts {
  int files = 0;   // files written back
  int values = 0;  // registry values set back or taken away
  int keys = 0;    // registry keys made again or taken away
  int already = 0; // places already as before the run
  bool movedBack = false;
  std::vector<std::string> left;  // each place or part not undone, with why
  int tasks = 0;   // scheduled tasks registered back
  // Nothing was undone: the move back would have left places changed after
  // the run pointing at where the item was (they are in `left`).
  bool heldBack = false;
};

class UndoExecutor {
 public:
  virtual ~UndoExecutor() = default;
  // Undoes the entry; returns the closing message ("N files restored.  Undo
  // has completed" and what else was done or left). A place that changed
  // after the run is left and named unless `force`. Throws Error.
  virtual std::string UndoEntry(const std::string& name, bool force = false) = 0;
  // The places the last UndoEntry left because they changed after the run.
  virtual int PlacesChangedSinceRun() const { return 0; }
  virtual UndoCounts LastUndoCounts() const { return {}; }
};
