#pragma once
// The two end pages of a run: Finished and Cancelled (also a run that failed
// part way), with what the run did, the places it passed over, its notes and
// an item handed over while it was on.
#include <string>
#include <vector>

#include "engine/Findings.h"
#include "engine/MappingRequest.h"

// The message of a run that failed part way: what it had changed, and that
// the Undo page takes it back.
std::string StoppedRunText(const std::string& failure, RunMode mode, const Findings& findings);

struct EndPages {
  std::string finishedTitle, finishedCount, finishedMoveLine;  // Finished
  bool finishedMoveLineVisible = false;
  std::string cancelledTitle, cancelledCount, cancelledMoveLine;  // Cancelled
  bool cancelledMoveLineVisible = false;
  std::string passedOverLine;  // either page: "N places could not be changed", or empty
  std::vector<std::string> notes;  // either page: what the run did beside its changes
  // A path handed over while a run was on: offered on the end page ("Go").
  std::string handOverWaiting;
  bool showChangesVisible = false;  // either page: the run left a change report

  // The lines of the run just ended; hasReport: the run left an undo entry
  // with its change report.
  void Fill(RunMode mode, const Findings& findings, bool hasReport);
  // The notice: the run's notes, then the item handed over during the run;
  // CR LF between lines, as a multi-line control shows them. Empty when there
  // is neither.
  std::string NoticeText() const;
};
