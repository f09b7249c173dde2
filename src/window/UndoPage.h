#pragma once
// The undo page: the list of undo entries, the selected one and the age
// limit that deletes old entries.
#include <string>
#include <vector>

#include "engine/UndoPorts.h"
#include "undo/UndoTexts.h"

struct UndoPage {
  std::vector<UndoListEntry> entries;  // as the store lists them, oldest first
  // What the list shows: a line for each entry, or the one line saying there is none.
  std::vector<std::string> lines{kNoChangesToUndo};
  int selection = -1;
  int ageIndex = 1;  // age list index, -1 for none

  // The store's entries anew; the entry selected before stays selected while it is listed.
  void Fill(std::vector<UndoListEntry> listed);
  bool Empty() const { return entries.empty(); }
  // The selected entry, or none.
  const UndoListEntry* Selected() const;
  // Whether "Undo Changes" can do anything: not for a selected entry whose
  // last undo left nothing (with none selected it says why it cannot).
  bool CanUndo() const { return !Selected() || Selected()->state != UndoState::Undone; }
  // The selected line, or empty when there is none.
  std::string SelectedLine() const;
};
