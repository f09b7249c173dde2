#pragma once
// The progress bar by work done: the items a run visits (registry keys,
// folders and files; one per pump of the walks) against the number the
// previous finished run of the same mode visited. Without such a run there
// is no measure, and the bar falls back to the run's time-driven steps.
#include <string>

#include "engine/Pace.h"

class WorkMeter {
 public:
  void Begin(long expected) {
    done_ = 0;
    expected_ = expected;
  }
  void Item() { ++done_; }
  void Items(long n) { done_ += n; }
  long Done() const { return done_; }
  long Expected() const { return expected_; }
  // 0 to 98 while the run is on (the end is the end page's to show); -1
  // without an expected count. Past nine tenths of the expected count the
  // bar slows, ever closer to the end and never at it: a run larger than the
  // last one does not sit at the end for the rest of its time.
  int Percent() const {
    if (expected_ <= 0) return -1;
    const double done = double(done_), expected = double(expected_);
    if (done <= 0.9 * expected) return int(100 * done / expected);
    return int(99 - 9 * (0.1 * expected) / (done - 0.8 * expected));
  }

 private:
  long done_ = 0;
  long expected_ = 0;
};

// "Elapsed 0:07", "Elapsed 12:30", "Elapsed 1:02:03".
inline std::string ElapsedText(long long seconds) { return "Elapsed " + ClockText(seconds); }
