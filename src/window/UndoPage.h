#pragma once
// The undo page: the list of undo entries, the selected one and the age
// limit that deletes old entries.
#include <string>
#include <vector>

#include "undo/UndoTexts.h"

struct UndoPage {
  std::vector<std::string> lines{kNoChangesToUndo};
  int selection = -1;
  int ageIndex = 1;  // age list index, -1 for none

  // The store's lines anew; the entry selected before stays selected while it is listed.
  void Fill(std::vector<std::string> storeLines);
  bool Empty() const { return lines.empty() || lines.front() == kNoChangesToUndo; }
  // The selected line, or empty when there is none.
  std::string SelectedLine() const;
  // The undo name of the selected line (its text before " - "); empty for none.
  std::string SelectedName() const;
};
