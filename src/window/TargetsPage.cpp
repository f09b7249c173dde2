#include "window/TargetsPage.h"

#include <vector>

void TargetsPage::Follow(const Targets& targets) {
  if (targets.HasFileTargets()) {
    next = {"&Next", Glyph::Forward};
    hint = "Press Next to go on.";
  } else {
    next = {"&Start", Glyph::Start};
    hint = "Press the Start button to Begin";
  }
}

namespace {
// "a", "a and b", "a, b and c"
std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
    text += names[i];
  }
  return text;
}
}  // namespace

std::string TargetsInEffectLine(const Targets& targets) {
  constexpr const char* kRegistry = "the registry";
  std::vector<std::string> on, off;
  (targets.registry ? on : off).push_back(kRegistry);
  (targets.settingsFiles ? on : off).push_back("settings files");
  (targets.shortcuts ? on : off).push_back("shortcuts");
  (targets.configFiles ? on : off).push_back("configuration files");
  // Off unless asked for (not recommended): named only when on.
  if (targets.allFiles) on.push_back("all files");
  std::string line = on.empty() ? "Searches nothing" : "Searches " + Listed(on);
  if (off.empty()) return line;
  const bool one = off.size() == 1 && off[0] == kRegistry;
  return line + "; " + Listed(off) + (one ? " is" : " are") + " off: Show Advanced Map Options";
}
