#include "window/UndoPage.h"

namespace {
// The text of an undo list line before its first " - ".
std::string EntryName(const std::string& line) {
  const std::size_t dash = line.find(" - ");
  return dash == std::string::npos ? line : line.substr(0, dash);
}
}  // namespace

void UndoPage::Fill(std::vector<std::string> storeLines) {
  const std::string selected = SelectedName();
  lines = std::move(storeLines);
  if (lines.empty()) lines.push_back(kNoChangesToUndo);
  selection = -1;
  if (selected.empty()) return;
  for (std::size_t i = 0; i < lines.size() && !Empty(); ++i)
    if (EntryName(lines[i]) == selected) selection = int(i);
}

std::string UndoPage::SelectedLine() const {
  if (Empty() || selection < 0 || selection >= int(lines.size())) return "";
  return lines[std::size_t(selection)];
}

std::string UndoPage::SelectedName() const { return EntryName(SelectedLine()); }
