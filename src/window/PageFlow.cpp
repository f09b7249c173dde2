#include "window/PageFlow.h"

#include "window/HelpLinks.h"
#include "window/WizardPages.h"

namespace {
using P = Page;
using S = Sender;

// In the order of Page.
constexpr const char* kTopic = kIntroductionTopic;
const PageRow kPages[kPageCount] = {
    {P::None, "", kTopic, {}},
    {P::Intro1, "Intro1", kTopic, {}, false, false, false, true},
    {P::Intro2, "Intro2", kTopic, S::Intro2Back, false, false, false, true},
    {P::Intro3, "Intro3", kTopic, S::Intro3Back},
    {P::Front, "Front", kTopic, S::FrontBack},
    {P::MoveTrees, "MoveTrees", "MoveAndMap.htm", S::MoveTreesBack, true},
    {P::MoveConfirm, "MoveConfirm", "MoveAndMap.htm", S::MoveConfirmBack, true},
    {P::MoveGiven, "MoveGiven", "MoveAndMap.htm", S::MoveGivenBack, true},
    {P::SwitchDrives, "SwitchDrives", "SwitchDrives.htm", S::SwitchBack},
    {P::MapOnly, "MapOnly", "MapOnly.htm", S::MapOnlyBack, true},
    {P::Targets, "Targets", "Targets.htm", S::TargetsBack},
    {P::Drives, "Drives", "Targets.htm", S::DrivesBack},
    {P::Finished, "Finished", kTopic, {}, false, true},
    {P::Cancelled, "Cancelled", kTopic, {}, false, true},
    {P::Undo, "Undo", "Undo.htm", S::UndoBack},
    {P::Review, "Review", "Review.htm", S::ReviewBack, false, false, true},
    {P::Report, "Report", "Review.htm", S::ReportBack, false, false, true},
};

}  // namespace

const PageRow& RowOf(Page page) { return kPages[int(page)]; }

std::string_view PageName(Page page) { return RowOf(page).name; }

Page PageNamed(std::string_view name) {
  for (int i = 1; i < kPageCount; ++i)
    if (kPages[i].name == name) return Page(i);
  return Page::None;
}

Page ReviewBackPage(WizardPages& pages) {
  const Page page = pages.review.cameFrom == Page::None ? Page::Front : pages.review.cameFrom;
  pages.showAdvancedVisible = RowOf(page).advancedBox;
  return page;
}
