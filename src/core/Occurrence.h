#pragma once
// Where a find text counts as found. A path is found only where it stands
// whole: "C:\App" is in "C:\App\x.exe" and "C:\App;D:\Bin", not in
// "C:\Apple" or "C:\App2", which are other items. Any other find text is
// found wherever its characters are, as before.
#include <cstddef>
#include <string_view>

#include "core/Text.h"

enum class MatchRule {
  Substring,  // plain text: every occurrence
  Path,       // only where the path is not part of a longer name
};

// True for a drive path ("C:", "C:\Dir") or a UNC path ("\\server\share").
bool LooksLikePath(std::string_view text);
// The rule for a find text: Path for a path unless plain matching is asked for.
MatchRule RuleFor(std::string_view findText, bool substringAsked);

// Whether the occurrence of `needle` at `pos` of `hay` stands as the rule asks:
// for Path, the character before it cannot be part of the same path (a letter
// or digit before a drive, a "\" before a UNC name) and the one after cannot
// continue its last name (end, "\", "/", a quote, a character no file name may
// hold, or the list separators ";" and ","). A space or a "." continues the
// name: "D:\Old Stuff" and "D:\Old.bak" are other items.
bool StandsAlone(std::string_view hay, std::size_t pos, std::size_t length, MatchRule rule);
// The "after" half of that: the text at [pos, pos + length) ends in a
// separator itself, or what follows cannot continue its last name.
bool EndsWhole(std::string_view hay, std::size_t pos, std::size_t length);

// The first occurrence at or after `from` (case folded as FindFold, so its
// length may differ from the needle's) that stands as the rule asks.
FoldMatch FindOccurrenceMatch(std::string_view hay, std::string_view needle, MatchRule rule, std::size_t from = 0);
inline std::size_t FindOccurrence(std::string_view hay, std::string_view needle, MatchRule rule,
                                  std::size_t from = 0) {
  return FindOccurrenceMatch(hay, needle, rule, from).pos;
}
