#include "app/Pages.h"

namespace {
constexpr std::string_view kNames[kPageCount] = {
    "",           "pnlBegin",       "pnlBegin2",    "pnlBegin3",   "pnlFront",
    "pnlMoveStart", "pnlMoveStart2", "pnlMoveParam", "pnlSwitchStart", "pnlFindStart",
    "pnlTargets", "pnlDrives",      "pnlFinish",    "pnlCancelFinish", "pnlUndo",
};
}  // namespace

std::string_view PageName(Page page) { return kNames[int(page)]; }

Page PageNamed(std::string_view name) {
  for (int i = 1; i < kPageCount; ++i)
    if (kNames[i] == name) return Page(i);
  return Page::None;
}
