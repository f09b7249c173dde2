#include "window/UndoPage.h"

void UndoPage::Fill(std::vector<std::string> storeLines) {
  lines = std::move(storeLines);
  if (lines.empty()) lines.push_back(kNoChangesToUndo);
  selection = -1;
}

std::string UndoPage::SelectedLine() const {
  if (Empty() || selection < 0 || selection >= int(lines.size())) return "";
  return lines[std::size_t(selection)];
}

std::string UndoPage::SelectedName() const {
  const std::string line = SelectedLine();
  const std::size_t dash = line.find(" - ");
  return dash == std::string::npos ? line : line.substr(0, dash);
}
