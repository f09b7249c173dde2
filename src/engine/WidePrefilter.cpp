#include "engine/WidePrefilter.h"

#include <algorithm>

#include "core/Fold.h"

namespace {
// A run this short is found in most data: the filter would only add work.
constexpr std::size_t kShortestRun = 3;

bool IsAsciiAlnum(char c) { return IsLetterAZ(c) || (c >= '0' && c <= '9'); }


std::string Utf16LeOfAscii(std::string_view ascii) {
  std::string out;
  out.reserve(ascii.size() * 2);
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}
}  // namespace

std::string_view LongestRun(std::string_view form) {
  std::string_view best;
  for (std::size_t i = 0; i < form.size();) {
    if (!IsAsciiAlnum(form[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < form.size() && IsAsciiAlnum(form[end])) ++end;
    if (end - i > best.size()) best = form.substr(i, end - i);
    i = end;
  }
  return best;
}

std::vector<std::string> CoveringRuns(std::vector<std::string> runs) {
  std::sort(runs.begin(), runs.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<std::string> kept;
  for (const std::string& run : runs)
    if (std::none_of(kept.begin(), kept.end(), [&](const std::string& k) { return run.find(k) != std::string::npos; }))
      kept.push_back(run);
  return kept;
}

WidePrefilter::WidePrefilter(const Spellings& spellings) {
  std::vector<std::string> runs;
  for (std::string_view form : spellings.OldForms()) {
    if (std::any_of(form.begin(), form.end(), [](char c) { return (unsigned char)c >= 0x80; })) {
      passAll_ = true;
      return;
    }
    const std::string_view run = LongestRun(form);
    if (run.size() < kShortestRun) {
      passAll_ = true;
      return;
    }
    runs.push_back(UpperAZ(run));
  }
  for (const std::string& run : CoveringRuns(std::move(runs))) runs_.push_back(Utf16LeOfAscii(run));
  // No form at all (an empty search) finds nothing anywhere.
}

bool WidePrefilter::MayHold(std::string_view utf16le) const {
  if (passAll_) return true;
  // A match at an odd offset would straddle two units: letting it through is
  // only a needless search, never a missed one.
  for (const std::string& run : runs_)
    if (FindFold(utf16le, run) != kNotFound) return true;
  return false;
}

bool HoldsUnit(std::string_view utf16le, char c) {
  for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2)
    if (utf16le[i] == c && utf16le[i + 1] == 0) return true;
  return false;
}
