#pragma once
// How fast a count grows, over the last few seconds, and the time left at
// that pace to a known total: what a long run shows beside its count.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

class Pace {
 public:
  // The count as it stands at `nowMs`; a count that went down (a new phase
  // counts afresh) starts the measure again.
  void Note(std::int64_t nowMs, long long count);
  // Per second over the samples kept; none before a second has passed.
  std::optional<double> PerSecond() const;

 private:
  std::deque<std::pair<std::int64_t, long long>> samples_;  // time, count; the last few seconds
};

// "1,250" (thousands grouped by commas, as the end page's counts are read).
std::string GroupedNumber(long long n);
// "0:07", "12:30", "1:02:03".
std::string ClockText(long long seconds);
// "1,250 a second, about 0:40 left" toward `total` (0: no total known, the
// pace alone: "1,250 places a second" with `unit`); empty while no pace is known.
std::string PaceText(const Pace& pace, long long done, long long total, const std::string& unit);
