#include "window/UndoPage.h"

#include <optional>

#include "engine/UndoWords.h"

void UndoPage::Fill(std::vector<UndoListEntry> listed) {
  std::optional<UndoName> selected;
  if (const UndoListEntry* entry = Selected()) selected = entry->name;
  entries = std::move(listed);
  lines.clear();
  for (const UndoListEntry& entry : entries) lines.push_back(UndoListLine(entry));
  if (lines.empty()) lines.push_back(kNoChangesToUndo);
  selection = -1;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].name == selected) selection = int(i);
}

const UndoListEntry* UndoPage::Selected() const {
  if (selection < 0 || selection >= int(entries.size())) return nullptr;
  return &entries[std::size_t(selection)];
}

std::string UndoPage::Status() const {
  const UndoListEntry* entry = Selected();
  if (!entry) return Empty() ? "" : "Select an entry to read it whole here.";
  std::string status = SelectedLine();
  if (lastUndone == entry->name) status += "\n\n" + lastAccount;
  return status;
}

std::string UndoPage::SelectedLine() const { return Selected() ? lines[std::size_t(selection)] : ""; }
