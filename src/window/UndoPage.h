#pragma once
// The undo page: the list of undo entries, the selected one and the age
// limit that deletes old entries.
#include <optional>
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
  // The last undo's whole account, with every place it left, for the entry
  // it undid: shown in the pane under the list, which scrolls, where a
  // message box would grow past the screen.
  std::optional<UndoName> lastUndone;
  std::string lastAccount;

  // The store's entries anew; the entry selected before stays selected while it is listed.
  void Fill(std::vector<UndoListEntry> listed);
  bool Empty() const { return entries.empty(); }
  // The selected entry, or none.
  const UndoListEntry* Selected() const;
  // Whether "Undo Changes" can do anything: not for a selected entry whose
  // last undo left nothing (with none selected it says why it cannot).
  bool CanUndo() const { return !Selected() || Selected()->state != UndoState::Undone; }
  // The pane under the list: the selected entry's line whole and whether it
  // was undone; after its undo this session, that undo's whole account.
  std::string Status() const;
  // The selected line, or empty when there is none.
  std::string SelectedLine() const;
};
