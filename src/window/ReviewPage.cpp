#include "window/ReviewPage.h"

void ReviewPage::Load(std::vector<ChangeEntry> entries, const MappingRequest& request, Page from) {
  list.Load(std::move(entries));
  tickable_ = list.TickedCount();
  findText_ = request.FindText;
  moveTo_ = request.Mode == RunMode::MoveAndMap ? request.ReplaceText : "";
  // A move is applied even where no reference was found; a search that found
  // nothing to change has nothing to apply.
  empty = list.TickedCount() == 0 && request.Mode != RunMode::MoveAndMap;
  cameFrom = from;
}

std::string ReviewPage::Line() const {
  // Said before the move: nothing else follows the item to its new place.
  const std::string movesAlone = "Apply moves " + findText_ + " to " + moveTo_ + " and changes nothing else.";
  if (!moveTo_.empty() && tickable_ == 0) return "No reference to " + findText_ + " was found.  " + movesAlone;
  if (!moveTo_.empty() && list.TickedCount() == 0)
    return "0 of " + std::to_string(tickable_) + (tickable_ == 1 ? " change" : " changes") + " ticked.  " + movesAlone;
  if (list.size() == 0) return "Nothing to change: the search found no reference to " + findText_ + ".";
  if (empty) return "Nothing to apply: none of the places found can be changed.";
  const std::size_t ticked = list.TickedCount();
  std::string line = std::to_string(ticked) + " of " + std::to_string(tickable_) +
                     (tickable_ == 1 ? " change ticked" : " changes ticked");
  if (const std::string kinds = list.CountsPerKind(true); !kinds.empty()) line += " (" + kinds + ")";
  return line + ".";
}
