#pragma once
// Where a find text counts as found. A path is found only where it stands
// whole: "C:\App" is in "C:\App\x.exe" and "C:\App;D:\Bin", not in
// "C:\Apple" or "C:\App2", which are other items. Any other find text is
// found wherever its characters are, as before.
#include <cstddef>
#include <string>
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
// for Path, it starts whole and ends whole (below).
bool StandsAlone(std::string_view hay, std::size_t pos, std::size_t length, MatchRule rule);
// The character before a path cannot be part of the same one: a letter or
// digit before a drive ("XC:\"), a "\" before a UNC name. A drive inside a
// web address after its host ("http://host/E:/x") is no place on this
// machine either; a file address's is ("file:///E:/x").
bool StartsWhole(std::string_view hay, std::size_t pos, std::size_t length);
// The text at [pos, pos + length) ends in a separator itself, or what follows
// cannot continue its last name: the end, "\", "/", a quote, a character no
// file name may hold, the list separators ";" and ",", an encoded separator
// ("%2F", "%5C"), or the "!" that ends a file inside a jar:/jrt: address. A
// space or a "." continues the name: "D:\Old Stuff" and "D:\Old.bak" are
// other items (but see LongerNamesAfterSpace).
bool EndsWhole(std::string_view hay, std::size_t pos, std::size_t length);

// The first occurrence at or after `from` (case folded as FindFold, so its
// length may differ from the needle's) that stands as the rule asks.
FoldMatch FindOccurrenceMatch(std::string_view hay, std::string_view needle, MatchRule rule, std::size_t from = 0);
inline std::size_t FindOccurrence(std::string_view hay, std::string_view needle, MatchRule rule,
                                  std::size_t from = 0) {
  return FindOccurrenceMatch(hay, needle, rule, from).pos;
}

// A path followed by a space may end there ("C:\Tools /x", "C:\Tools\t.exe
// -q") or go on ("C:\Tools Old\x"). After the space at `space`: nothing
// (the space ends the path) when what follows is a switch ("/x", "-x",
// "--x"), the end, or a character no name holds; else the ends of the longer
// names the path may be part of, one per word up to the next separator
// ("C:\Tools Old", "C:\Tools Old Stuff" of "C:\Tools Old Stuff\x"), at most
// kMaxLongerNames.
inline constexpr std::size_t kMaxLongerNames = 6;
struct LongerNames {
  std::size_t ends[kMaxLongerNames] = {};
  std::size_t count = 0;
};
LongerNames LongerNamesAfterSpace(std::string_view hay, std::size_t space);

// Whether a place is there: asked where a space may end a path or continue
// its name. Unknown when the platform cannot tell.
enum class PlaceIs { There, Absent, Unknown };
class PlaceLookup {
 public:
  virtual ~PlaceLookup() = default;
  virtual PlaceIs Look(const std::string& path) = 0;
};
