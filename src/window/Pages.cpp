#include "window/Pages.h"

namespace {
constexpr std::string_view kNames[kPageCount] = {
    "",           "Intro1",       "Intro2",    "Intro3",   "Front",
    "MoveTrees", "MoveConfirm", "MoveGiven", "SwitchDrives", "MapOnly",
    "Targets", "Drives",      "Finished",    "Cancelled", "Undo",
    "Review",     "Report",
};
}  // namespace

std::string_view PageName(Page page) { return kNames[int(page)]; }

Page PageNamed(std::string_view name) {
  for (int i = 1; i < kPageCount; ++i)
    if (kNames[i] == name) return Page(i);
  return Page::None;
}
