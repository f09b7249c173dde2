#include "engine/Pace.h"

#include <cmath>

namespace {
// Long enough to smooth a walk's bursts, short enough to follow a change of pace.
constexpr std::int64_t kWindowMs = 5000;
constexpr std::int64_t kLeastMs = 1000;
}  // namespace

void Pace::Note(std::int64_t nowMs, long long count) {
  if (!samples_.empty() && (count < samples_.back().second || nowMs < samples_.back().first)) samples_.clear();
  samples_.emplace_back(nowMs, count);
  while (samples_.size() > 2 && nowMs - samples_[1].first >= kWindowMs) samples_.pop_front();
}

std::optional<double> Pace::PerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const auto& [firstMs, firstCount] = samples_.front();
  const auto& [lastMs, lastCount] = samples_.back();
  if (lastMs - firstMs < kLeastMs) return std::nullopt;
  return double(lastCount - firstCount) * 1000.0 / double(lastMs - firstMs);
}

std::string GroupedNumber(long long n) {
  std::string digits = std::to_string(n < 0 ? -n : n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

std::string ClockText(long long seconds) {
  if (seconds < 0) seconds = 0;
  auto two = [](long long n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  return (h > 0 ? std::to_string(h) + ":" + two(m) : std::to_string(m)) + ":" + two(s);
}

std::string PaceText(const Pace& pace, long long done, long long total, const std::string& unit) {
  const std::optional<double> perSecond = pace.PerSecond();
  if (!perSecond) return "";
  const long long rate = std::llround(*perSecond);
  if (total <= 0) return GroupedNumber(rate) + " " + unit + " a second";
  std::string text = GroupedNumber(rate) + " a second";
  // Without a pace the time left is not known, and not guessed.
  if (*perSecond > 0 && total > done)
    text += ", about " + ClockText(std::llround(double(total - done) / *perSecond)) + " left";
  return text;
}
