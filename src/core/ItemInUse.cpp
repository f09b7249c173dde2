#include "core/ItemInUse.h"

bool ItemInUse::HasRunningServices() const {
  for (const InstalledService& s : services)
    if (s.running) return true;
  return false;
}

bool ItemInUse::Holds() const { return !programs.empty() || HasRunningServices(); }

std::vector<std::string> InUseLines(const ItemInUse& inUse) {
  std::vector<std::string> lines;
  for (const RunningProgram& p : inUse.programs)
    lines.push_back(p.image + " (process " + std::to_string(p.processId) + ")");
  for (const InstalledService& s : inUse.services) {
    const std::string shown = s.displayName.empty() ? s.name : s.displayName;
    lines.push_back(shown + " (service " + s.name + (s.running ? ", running)" : ", not running)"));
  }
  return lines;
}
