#pragma once
// A quick test of string data as the registry holds it (UTF-16LE), made
// before the data is converted and searched: most values of a machine hold
// nothing of the search, and need neither.
#include <string>
#include <string_view>
#include <vector>

#include "engine/SearchTexts.h"

class WidePrefilter {
 public:
  explicit WidePrefilter(const Spellings& spellings);
  // False only when no spelling (long or short) can occur in the text the
  // data holds, so that Spellings::Choose would find nothing in it.
  bool MayHold(std::string_view utf16le) const;
  // Whether the filter lets everything through (a form beyond ASCII, or one
  // without a run of letters or digits long enough to tell anything).
  bool PassesAll() const { return passAll_; }

 private:
  // For each form, a run of its ASCII letters and digits as UTF-16LE bytes:
  // every occurrence of the form holds that run, unit for unit (ASCII
  // letters across case; an ASCII character matches no other). A run that
  // holds another one is left out, as that one covers it.
  std::vector<std::string> runs_;
  bool passAll_ = false;
};

// The longest run of ASCII letters and digits in a form (the first of equal
// length): every occurrence of the form holds it.
std::string_view LongestRun(std::string_view form);
// The runs (upper-case) a quick test needs to look for: a run that holds
// another one is left out, as that one covers it. Shortest first.
std::vector<std::string> CoveringRuns(std::vector<std::string> runs);

// Whether UTF-16LE data holds the ASCII character `c` as one of its units.
bool HoldsUnit(std::string_view utf16le, char c);
