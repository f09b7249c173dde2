#pragma once
// The undo records as the front ends see them: the list of entries, their
// deletion and the undo of one entry.
#include <optional>
#include <string>
#include <vector>

#include "engine/MappingRequest.h"
#include "engine/RunPorts.h"
#include "engine/UndoName.h"
#include "engine/UndoOutcome.h"
#include "engine/UndoProgress.h"

// What the records tell of an entry's undos.
enum class UndoState {
  NotUndone,     // never undone (or every undo was held back)
  Undone,        // its last undo left nothing
  PartlyUndone,  // its last undo left places, named in its change report
};

// One entry of the undo list, as its records tell it.
struct UndoListEntry {
  explicit UndoListEntry(const UndoName& entry, std::string runDate = "") : name(entry), date(std::move(runDate)) {}

  UndoName name;
  std::string date;  // the run's start, in local time as the system writes dates and times
  // What the run was; none for records of earlier builds, which keep no change report.
  std::optional<RunMode> mode;
  std::string find, replace;  // the run's texts, with its mode
  UndoState state = UndoState::NotUndone;
  // When it was last undone (short date and time), where its report keeps the time.
  std::optional<std::string> undoneAt;
};

// The undo list and the records behind it. NextUndoNumber and RebuildList
// (from UndoNumbers) each run the age cleanup first.
class UndoList : public UndoNumbers {
 public:
  // The entries, oldest first; none when there is nothing to undo.
  virtual std::vector<UndoListEntry> Entries() = 0;
  // The age list's selected index, 0 to 3, or -1 for none.
  virtual void SetAgeIndex(int index) = 0;
  // The listed entries that age limit would delete (some record file older
  // than it), so the window can ask first.
  virtual std::vector<UndoName> EntriesAgedOut(int index) { (void)index; return {}; }
  // Deletes the records of the entry.
  virtual void DeleteEntry(const UndoName& name) = 0;
  // The folder holding the entry's records, with its "\\"; empty: the
  // program's records folder.
  virtual std::string FolderOf(const UndoName& name) const { (void)name; return ""; }
};

class UndoExecutor {
 public:
  virtual ~UndoExecutor() = default;
  // Undoes the entry and says what it did. A place that changed after the
  // run is left and named unless `force`. Throws Error when it cannot start.
  // `progress`, when given, is told of each step and place as it goes.
  virtual UndoOutcome UndoEntry(const UndoName& name, bool force = false, UndoProgress* progress = nullptr) = 0;
};
