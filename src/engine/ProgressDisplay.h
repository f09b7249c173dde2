#pragma once
// What a front end shows of a run under way (apart from the end texts in
// Progress.h, whose EndPage a Windows header also names).
#include <cstdint>
#include <string>

#include "engine/Findings.h"
#include "engine/Pace.h"

// What a front end's progress display shows: the run's Ui calls set the
// phase, the place and the bar's step; the refresh timer the rest.
struct ProgressDisplay {
  std::string phase;
  std::string location;  // the folder or key being searched
  std::string count;
  int position = 0;  // bar, 0 to 100
  // The bar measures the changes made of those ticked (an apply of a known
  // list), not the walk's steps.
  bool byChanges = false;
  // The places the walks have visited so far, where the front end counts them.
  long long walked = 0;
  // How fast the count shown grows, and the time left where a total is known.
  Pace pace;
  std::string paceText;
  // Where the bar runs during the step at hand: floor to ceiling.
  int floor = 0;
  int ceiling = 0;
  // A step that begins: the floor becomes the ceiling, the ceiling grows by the share.
  void BeginStep(int share) {
    floor = ceiling;
    ceiling += share;
  }
};

// The 200 ms refresh of the progress dialog (count and bar) for the links
// the run has remapped (found, while it finds: a preview or a search) so far;
// an apply of a known list counts them of its total and sets the bar by them.
// The pace at `nowMs`: of the changes toward their total during an apply,
// else of the places walked.
void RefreshProgress(ProgressDisplay& shown, const Findings& findings, std::int64_t nowMs = 0);
// The progress dialog's title: a preview maps nothing.
std::string ProgressTitle(bool preview);
