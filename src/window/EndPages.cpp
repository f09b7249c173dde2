#include "window/EndPages.h"

#include "engine/Progress.h"

std::string StoppedRunText(const std::string& failure, RunMode mode, const Findings& findings) {
  const bool moved = mode == RunMode::MoveAndMap && findings.tally.move == ItemMoveOutcome::Moved;
  const int links = findings.tally.linkCount;
  if (!moved && links == 0) return failure + "\n\nThe run stopped before it changed anything.";
  std::string done = moved ? "the item was moved" : "";
  if (links > 0) done += std::string(moved ? " and " : "") + RemappedResultText(links);
  std::string entry = findings.tally.undoName.empty() ? "" : " (entry " + findings.tally.undoName + ")";
  return failure + "\n\nThe run stopped part way.  Before it stopped, " + done +
         ".  These changes can be undone from the Undo page" + entry + ".";
}

void EndPages::Fill(RunMode mode, const Findings& findings, bool hasReport) {
  const EndPage page = EndPageOf(mode, findings);
  passedOverLine = page.passedOverLine;
  notes = page.notes;
  showChangesVisible = hasReport;
  if (page.finished) {
    finishedTitle = page.title;
    finishedMoveLine = page.moveLine;
    finishedMoveLineVisible = !page.moveLine.empty();
    finishedCount = page.countLine;
  } else {
    cancelledTitle = page.title;
    cancelledMoveLine = page.moveLine;
    cancelledMoveLineVisible = !page.moveLine.empty();
    cancelledCount = page.countLine;
  }
}

std::string EndPages::NoticeText() const {
  std::string text;
  for (const std::string& note : notes) text += (text.empty() ? "" : "\r\n") + note;
  if (!handOverWaiting.empty())
    text += (text.empty() ? "" : "\r\n") + std::string("Another item was handed over while the run was on:\r\n") +
            handOverWaiting;
  return text;
}
