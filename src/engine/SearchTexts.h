#pragma once
// The texts one pass of a run looks for, and what takes their place.
#include <string>

#include "core/Occurrence.h"

struct SearchTexts {
  std::string oldText, newText;    // long forms, as the user gave them
  std::string oldShort, newShort;  // 8.3 forms; empty when there is none
  MatchRule rule = MatchRule::Substring;
};
