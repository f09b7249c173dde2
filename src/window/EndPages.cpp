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

std::string KeptAfterCancelText(RunMode mode, const Findings& findings) {
  const bool moved = mode == RunMode::MoveAndMap && findings.tally.move == ItemMoveOutcome::Moved;
  const int links = findings.tally.linkCount;
  if (!moved && links <= 0) return "";
  const std::string changes = links == 1 ? "1 change" : std::to_string(links) + " changes";
  const std::string what = moved && links > 0 ? "The move and the " + changes : moved ? "The move" : "The " + changes;
  const bool one = (moved ? 1 : 0) + links == 1;
  const std::string undoer =
      findings.tally.undoName.empty() ? "The Undo page" : "The undo entry " + findings.tally.undoName + " on the Undo page";
  return what + " made before the cancel " + (one ? "stays" : "stay") + ".  " + undoer + " takes " +
         (one ? "it" : "them") + " back.";
}

void EndPages::Fill(RunMode mode, const Findings& findings, bool hasReport) {
  const EndPage page = EndPageOf(mode, findings);
  passedOverLine = page.passedOverLine;
  notes = page.notes;
  // A cancel stops the run; it does not take back what was already made.
  if (const std::string kept = page.finished ? "" : KeptAfterCancelText(mode, findings); !kept.empty())
    notes.insert(notes.begin(), kept);
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
