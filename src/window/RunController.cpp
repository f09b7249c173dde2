#include "window/RunController.h"

#include "core/Error.h"
#include "window/PageFlow.h"
#include "window/ResumeArguments.h"
#include "window/Settings.h"
#include "window/UndoController.h"
#include "window/WizardPages.h"
#include "window/WizardPorts.h"

RunController::RunController(const WizardPorts& ports, WizardPages& pages, UndoController& undoing)
    : ports_(ports),
      pages_(pages),
      undoing_(undoing),
      choices(pages.choices),
      lastRun(pages.lastRun),
      running(pages.running),
      review(pages.review),
      CurrentPage(pages.CurrentPage),
      Terminated(pages.Terminated) {}

bool RunController::RightsAllowRun() {
  if (!ports_.rights || !ports_.askRights) return true;
  const RightsCheck check = CheckRights(choices, false, *ports_.rights);
  if (!check.NeedsMore()) return true;
  switch (ports_.askRights(RightsWarningPageOf(check))) {
    case RightsChoice::Restart:
      // The elevated copy takes over this page; this one ends.
      if (ports_.restartElevated && ports_.restartElevated(ResumeArguments(pages_))) Terminated = true;
      return false;
    case RightsChoice::Continue: return !check.recordsBlocked;
    case RightsChoice::Back: break;
  }
  return false;
}

Page RunController::RunAndEndPage() { return RunAndEndPage(nullptr); }

Page RunController::RunAndEndPage(ChangeSelection* reviewed) {
  if (!RightsAllowRun()) return Page::None;
  long& last = itemsOfLastRun[ModeIndex(choices.request.Mode)];
  work.Begin(last);
  try {
    const RunSettings settings(choices);
    MappingRun run(settings, {lastRun, ports_.ui, &running}, ports_.parts.value());
    run.Run(reviewed);
    if (!run.StillAsking()) choices.stopAndVerify = false;
  } catch (const Error& e) {
    undoing_.RefreshUndoList();
    // A run that stops part way may have changed things already: say which,
    // and where they are undone.
    throw Error(StoppedRunText(e.what(), choices.request.Mode, lastRun));
  } catch (...) {
    undoing_.RefreshUndoList();
    throw;
  }
  undoing_.RefreshUndoList();
  // Cancelled at the question of what runs from the item: nothing was moved
  // or changed, and the page stays for another try.
  if (lastRun.tally.itemInUse) return Page::None;
  // Only a whole run measures the next one.
  if (!lastRun.tally.cancelled && work.Done() > 0) last = work.Done();
  return lastRun.tally.cancelled ? Page::Cancelled : Page::Finished;
}

Page RunController::RunOrReview() { return ShowChangesFirst() ? PreviewAndReview() : RunAndEndPage(); }

Page RunController::PreviewAndReview() {
  // A search that changes nothing: it needs no rights and writes no record.
  long& last = itemsOfLastRun[ModeIndex(choices.request.Mode)];
  work.Begin(last);
  try {
    const RunSettings settings(choices);
    MappingRun(settings, {lastRun, ports_.ui, &running}, ports_.parts.value()).Preview();
  } catch (const Error& e) {
    throw Error(std::string(e.what()) + "\n\nThe search stopped before the review; nothing was changed.");
  }
  // A cancelled search leaves the page as it was: nothing was changed.
  if (lastRun.tally.cancelled) return Page::None;
  if (work.Done() > 0) last = work.Done();
  // Taken, not copied: a search of many places holds its list once.
  review.Load(std::move(lastRun.changes), choices.request, CurrentPage);
  lastRun.changes.clear();
  review.searchNotes = lastRun.searchNotes;
  return Page::Review;
}

Page RunController::ApplyReview() {
  if (review.empty || CurrentPage != Page::Review) return Page::None;
  ChangeSelection selection = review.list.Selection();
  selection.KeepSearchNotes(review.searchNotes);
  try {
    return RunAndEndPage(&selection);
  } catch (...) {
    // What the run made before it failed is on the undo page; the found
    // list no longer tells what is there.
    CurrentPage = ReviewBackPage(pages_);
    throw;
  }
}

void RunController::ShowChangesFirstClick(RunMode mode, bool checked) { pages_.showChangesFirst[ModeIndex(mode)] = checked; }
bool RunController::ShowChangesFirst() const { return pages_.showChangesFirst[ModeIndex(choices.request.Mode)]; }
