#include "engine/BinaryData.h"

#include "engine/WidePrefilter.h"

#include <algorithm>

#include "core/Fold.h"
#include "core/Occurrence.h"
#include "core/Unicode.h"

namespace {
// A run this short is in most data: testing for it first would only add work.
constexpr std::size_t kShortestRun = 3;
// The shortest form looked for in binary data.
constexpr std::size_t kShortestForm = 3;
// How much readable text around an occurrence the entry shows, each side.
constexpr std::size_t kContextCharacters = 40;
// And from its start on, at most (a path is rarely longer).
constexpr std::size_t kLongestContext = 300;

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Bytes equal with a-z folded onto A-Z; every other byte exactly.
std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty() || from >= hay.size()) return kNotFound;
  if (IsAscii(needle)) return FindFold(hay, needle, from);
  const auto it = std::search(hay.begin() + from, hay.end(), needle.begin(), needle.end(),
                              [](char a, char b) { return UpperAZ(a) == UpperAZ(b); });
  return it == hay.end() ? kNotFound : std::size_t(it - hay.begin());
}

char16_t UnitAt(std::string_view bytes, std::size_t at) {
  return char16_t((unsigned char)bytes[at] | ((unsigned char)bytes[at + 1] << 8));
}

// A UTF-16 unit as the one character the rule looks at beside a path: any
// character past ASCII may continue a name, as a letter does.
char CharOfUnit(char16_t u) { return u < 0x80 ? char(u) : 'a'; }

bool Readable8(unsigned char c) { return c >= 0x20 && c != 0x7F; }
bool ReadableUnit(char16_t u) { return u >= 0x20 && u != 0x7F && (u < 0xD800 || u > 0xDFFF); }
}  // namespace

BinarySearch::BinarySearch(const Spellings& spellings, CodePage& ansi) : ansi_(&ansi), rule_(spellings.Rule()) {
  bool everyFormHasRun = true;
  std::vector<std::string> runs;
  for (std::string_view form : spellings.OldForms()) {
    // A drive alone ("E:") is in random bytes too often to name anything.
    if (form.size() < kShortestForm) continue;
    needles_.push_back({std::string(form), false});
    if (const std::optional<std::string> local = ansi.FromUtf8(form); local && *local != form)
      needles_.push_back({*local, false});
    needles_.push_back({Utf16LeBytesFromUtf8(form), true});
    const std::string_view run = LongestRun(form);
    if (run.size() < kShortestRun) everyFormHasRun = false;
    runs.push_back(UpperAZ(run));
  }
  if (!everyFormHasRun) return;
  for (const std::string& run : CoveringRuns(std::move(runs))) {
    runs_.push_back(run);
    runs_.push_back(Utf16LeBytesFromUtf8(run));
  }
}

bool BinarySearch::StandsWhole(std::string_view bytes, const Needle& n, std::size_t pos) const {
  if (rule_ == MatchRule::Substring) return true;
  if (!n.wide) return StandsAlone(bytes, pos, n.bytes.size(), rule_);
  // The path with the characters beside it, as the rule reads them.
  std::string around;
  const bool before = pos >= 2;
  if (before) around += CharOfUnit(UnitAt(bytes, pos - 2));
  std::string found = Utf8FromUtf16LeBytes(n.bytes);
  const std::size_t length = found.size();
  around += found;
  if (pos + n.bytes.size() + 2 <= bytes.size()) around += CharOfUnit(UnitAt(bytes, pos + n.bytes.size()));
  return StandsAlone(around, before ? 1 : 0, length, rule_);
}

std::optional<BinaryFind> BinarySearch::Find(std::string_view bytes) const {
  if (!runs_.empty() &&
      std::none_of(runs_.begin(), runs_.end(), [&](const std::string& run) { return FindFold(bytes, run) != kNotFound; }))
    return std::nullopt;
  std::optional<BinaryFind> first;
  for (const Needle& n : needles_)
    for (std::size_t at = FindBytes(bytes, n.bytes, 0); at != kNotFound && (!first || at < first->offset);
         at = FindBytes(bytes, n.bytes, at + 1))
      if (StandsWhole(bytes, n, at)) {
        first = BinaryFind{at, n.wide, {}};
        break;
      }
  if (!first) return first;
  // What a person would read there: the printable run around the occurrence.
  std::size_t start = first->offset, end = first->offset;
  if (first->wide) {
    for (std::size_t k = 0; k < kContextCharacters && start >= 2 && ReadableUnit(UnitAt(bytes, start - 2)); ++k) start -= 2;
    while (end + 2 <= bytes.size() && ReadableUnit(UnitAt(bytes, end)) && (end - first->offset) / 2 < kLongestContext)
      end += 2;
    first->context = Utf8FromUtf16LeBytes(bytes.substr(start, end - start));
  } else {
    for (std::size_t k = 0; k < kContextCharacters && start > 0 && Readable8(bytes[start - 1]); ++k) --start;
    while (end < bytes.size() && Readable8(bytes[end]) && end - first->offset < kLongestContext) ++end;
    const std::string_view run = bytes.substr(start, end - start);
    first->context = IsValidUtf8(run) ? std::string(run) : ansi_->ToUtf8(run);
  }
  return first;
}

ChangeEntry BinaryEntry(std::string where, std::string value, const BinaryFind& found) {
  ChangeEntry e;
  e.where = std::move(where);
  e.value = std::move(value);
  e.kind = ChangeKind::BinaryData;
  e.oldText = found.context;
  e.outcome = ChangeOutcome::PassedOver;
  e.reason = kBinaryNotRewritten;
  return e;
}
