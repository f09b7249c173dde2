#include "window/PageFlow.h"

#include "window/HelpLinks.h"
#include "window/Wizard.h"

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
    {P::Front, "Front", kTopic, {}},
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

constexpr auto kMove = RunMode::MoveAndMap;
// In the order of Sender.
const TurnRow kTurns[int(kLastSender) + 1] = {
    {S::Intro1Next, P::Intro2},
    {S::Intro2Next, P::Intro3},
    {S::Intro2Back, P::Intro1},
    {S::Intro3Next, P::Front},
    {S::Intro3Back, P::Intro2},
    {S::TitleUndo, P::Undo, nullptr, {}, Band::Hide},
    {S::MoveAndMap, P::MoveTrees, nullptr, kMove, Band::Mode},
    {S::SwitchDrives, P::SwitchDrives, nullptr, RunMode::SwitchDrives, Band::Mode},
    {S::MapOnly, P::MapOnly, nullptr, RunMode::MapOnly, Band::Mode},
    {S::TreeDrop, P::MoveConfirm},
    {S::PathGiven, P::MoveGiven, nullptr, kMove, Band::Mode},
    {S::MoveConfirmNext, P::None, &Wizard::MoveStart},
    {S::MoveGivenNext, P::None, &Wizard::MoveStart},
    {S::MoveConfirmBack, P::Front, nullptr, {}, Band::Hide},
    {S::MoveGivenBack, P::Front, nullptr, {}, Band::Hide},
    {S::UndoBack, P::Front, nullptr, {}, Band::Hide},
    {S::MapOnlyBack, P::Front, nullptr, {}, Band::Hide},
    {S::MapOnlyNext, P::None, &Wizard::FindStart},
    {S::SwitchNext, P::None, &Wizard::SwitchStart},
    {S::SwitchBack, P::Front, nullptr, {}, Band::Hide},
    {S::TargetsBack, P::None, &Wizard::TargetsBack},
    {S::TargetsNext, P::None, &Wizard::TargetsNext},
    {S::DrivesStart, P::None, &Wizard::StartRun},
    {S::DrivesBack, P::Targets},
    {S::Exit, P::None, &Wizard::Exit},
    {S::ExitCancelled, P::None, &Wizard::Exit},
    {S::GoToStart, P::None, &Wizard::StartPage, {}, Band::Hide},
    {S::GoToStartCancelled, P::None, &Wizard::StartPage, {}, Band::Hide},
    {S::TitleFront, P::Intro1, nullptr, {}, Band::Hide},
    {S::MoveTreesBack, P::Front, nullptr, {}, Band::Hide},
    {S::HandOverGo, P::None, &Wizard::HandOverGo, kMove, Band::Mode},
    {S::ReviewApply, P::None, &Wizard::ApplyReview},
    {S::ReviewBack, P::None, &Wizard::ReviewBack},
    {S::ShowChanges, P::None, &Wizard::ShowChanges},
    {S::UndoDetails, P::None, &Wizard::UndoDetails},
    {S::ReportBack, P::None, &Wizard::ReportBack},
};
}  // namespace

const PageRow& RowOf(Page page) { return kPages[int(page)]; }
const TurnRow& TurnOf(Sender sender) { return kTurns[int(sender)]; }

Page ReviewBackPage(WizardPages& pages) {
  const Page page = pages.review.cameFrom == Page::None ? Page::Front : pages.review.cameFrom;
  pages.showAdvancedVisible = RowOf(page).advancedBox;
  return page;
}
