#pragma once
// The review page: what a search found, ticked to be applied.
#include <string>
#include <vector>

#include "engine/MappingRequest.h"
#include "window/Pages.h"
#include "window/ReviewList.h"

struct ReviewPage {
  ReviewList list;
  bool empty = false;  // the search found nothing: nothing to apply
  Page cameFrom = Page::None;  // where "Back" leads
  std::vector<std::string> searchNotes;  // what the search could not reach, told again after the apply

  // Takes the search's list (not copied: a search of many places holds its list once).
  void Load(std::vector<ChangeEntry> entries, const MappingRequest& request, Page from);
  // "4 of 5 changes ticked (2 value data, ...)." with the ticked ones by kind,
  // or that there is nothing to change; of a move whose Apply changes
  // nothing but the item's place, that it moves the item alone.
  std::string Line() const;

 private:
  std::size_t tickable_ = 0;  // entries that carry a box
  std::string findText_;
  std::string moveTo_;  // a move's new place; empty for the other modes
};
