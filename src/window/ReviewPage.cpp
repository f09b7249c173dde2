#include "window/ReviewPage.h"

void ReviewPage::Load(std::vector<ChangeEntry> entries, const MappingRequest& request, Page from) {
  list.Load(std::move(entries));
  kinds = list.CountsPerKind();
  tickable_ = list.TickedCount();
  findText_ = request.FindText;
  // A move is applied even where no reference was found; a search that found
  // nothing to change has nothing to apply.
  empty = list.TickedCount() == 0 && request.Mode != RunMode::MoveAndMap;
  cameFrom = from;
}

std::string ReviewPage::Line() const {
  if (list.size() == 0) return "Nothing to change: the search found no reference to " + findText_ + ".";
  if (empty) return "Nothing to apply: none of the places found can be changed.";
  std::string line = std::to_string(list.TickedCount()) + " of " + std::to_string(tickable_) + " changes ticked";
  if (!kinds.empty()) line += " (" + kinds + ")";
  return line + ".";
}
