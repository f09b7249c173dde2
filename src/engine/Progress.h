#pragma once
// Progress arithmetic of a run and the texts that report its count.
#include <cstddef>
#include <string>

#include "engine/ProgressDisplay.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"

enum class ProgressStep { MachineRegistry, UserRegistry, Drive };

// The share of one step: the registry hives, a drive by the "Registry" box
// and the number of selected drives (integer division).
int StepShare(ProgressStep step, const Targets& targets, int selectedDrives);

// One tick of the progress refresh: back to the floor once above the
// ceiling, else one further.
int NextBarPosition(int position, int floor, int ceiling);

std::string RemappedSoFarText(int linkCount);  // "1 link remapped", "N links remapped"
std::string FoundSoFarText(int linkCount);     // "1 link found", "N links found": a search before the review
std::string RemappedResultText(int linkCount);  // "1 link was remapped", "N links were remapped"
std::string WouldRemapText(int linkCount);      // "1 link would be remapped", "N links would be remapped"

// The end pages' lines, top to bottom.
struct EndPage {
  bool finished = false;  // Finished, else Cancelled
  std::string title;      // finishedTitle / cancelledTitle
  std::string moveLine;   // finishedMoveLine / cancelledMoveLine when shown, else empty
  std::string countLine;  // finishedCount / cancelledCount
  std::string passedOverLine;  // "N places could not be changed", or empty
  std::vector<std::string> notes;  // what the run did beside its changes, one line each
};
// "1 place could not be changed", "N places could not be changed"; empty for none.
std::string PassedOverText(int count);
// The places the run passed over, one "where: reason" line each (a reason
// that quotes its place again says it once); past
// `limit` lines, one line saying how many more there are.
std::string PassedOverList(const Findings& findings, std::size_t limit = std::size_t(-1));
// The same grouped by reason, the most frequent first: a line per reason
// with its count ("reason (N):"), then the first `perReason` places, one a
// line, indented, and how many more there are.
std::string PassedOverByReason(const Findings& findings, std::size_t perReason);
// The end pages' count: "N links were remapped" (would be, in a preview),
// with the change list's rows after it where a link has several ("(N
// changes)"), so that the count and the list agree.
std::string CountLine(const Findings& findings);
// What a cancelled run had made before the cancel, that it stays, and the
// undo entry that takes it back; that it made nothing, when it made nothing.
std::string KeptAfterCancelText(RunMode mode, const Findings& findings);
// The cancelled end page's line about the item of a Move and Map run.
std::string CancelledMoveLine(ItemMoveOutcome move, bool preview);
EndPage EndPageOf(RunMode mode, const Findings& findings);
