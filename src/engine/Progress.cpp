#include "engine/Progress.h"

#include <algorithm>
#include <unordered_map>

int StepShare(ProgressStep step, const Targets& targets, int selectedDrives) {
  if (step == ProgressStep::Drive) {
    if (selectedDrives <= 0) return 0;
    const int total = targets.registry ? 66 : 100;
    return total / selectedDrives;
  }
  int share = step == ProgressStep::MachineRegistry ? 16 : 17;
  if (!targets.HasFileTargets()) share *= 3;
  return share;
}

int NextBarPosition(int position, int floor, int ceiling) { return position > ceiling ? floor : position + 1; }

void RefreshProgress(ProgressDisplay& shown, int linkCount, bool finds) {
  // A search changes nothing: it finds.
  shown.count = finds ? FoundSoFarText(linkCount) : RemappedSoFarText(linkCount);
  shown.position = NextBarPosition(shown.position, shown.floor, shown.ceiling);
}

std::string ProgressTitle(bool preview) { return preview ? "Searching..." : "Mapping..."; }

std::string RemappedSoFarText(int linkCount) {
  return linkCount == 1 ? "1 link remapped" : std::to_string(linkCount) + " links remapped";
}

std::string FoundSoFarText(int linkCount) {
  return linkCount == 1 ? "1 link found" : std::to_string(linkCount) + " links found";
}

std::string RemappedResultText(int linkCount) {
  return linkCount == 1 ? "1 link was remapped" : std::to_string(linkCount) + " links were remapped";
}

std::string WouldRemapText(int linkCount) {
  return linkCount == 1 ? "1 link would be remapped" : std::to_string(linkCount) + " links would be remapped";
}

std::string PassedOverText(int count) {
  if (count <= 0) return "";
  return count == 1 ? "1 place could not be changed" : std::to_string(count) + " places could not be changed";
}

namespace {
// A system failure names its file again ("Cannot write \"C:\\a.ini\": ..."):
// beside the place, once is enough.
std::string ReasonBeside(const std::string& where, std::string reason) {
  const std::string quoted = " \"" + where + "\"";
  if (const std::size_t at = reason.find(quoted); !where.empty() && at != std::string::npos) reason.erase(at, quoted.size());
  return reason;
}
}  // namespace

std::string PassedOverList(const Findings& findings, std::size_t limit) {
  std::string list;
  for (std::size_t i = 0; i < findings.passedOver.size() && i < limit; ++i)
    list += findings.passedOver[i].where + ": " + ReasonBeside(findings.passedOver[i].where, findings.passedOver[i].reason) + "\n";
  if (findings.passedOver.size() > limit) list += "... and " + std::to_string(findings.passedOver.size() - limit) + " more.\n";
  return list;
}

std::string PassedOverByReason(const Findings& findings, std::size_t perReason) {
  struct Group {
    std::string reason;
    std::vector<const std::string*> places;
  };
  std::vector<Group> groups;
  std::unordered_map<std::string, std::size_t> index;
  for (const PassedOver& p : findings.passedOver) {
    std::string reason = ReasonBeside(p.where, p.reason);
    const auto [it, added] = index.emplace(reason, groups.size());
    if (added) groups.push_back({std::move(reason), {}});
    groups[it->second].places.push_back(&p.where);
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const Group& a, const Group& b) { return a.places.size() > b.places.size(); });
  std::string text;
  for (const Group& g : groups) {
    text += g.reason + " (" + std::to_string(g.places.size()) + "):\n";
    for (std::size_t i = 0; i < g.places.size() && i < perReason; ++i) text += "  " + *g.places[i] + "\n";
    if (g.places.size() > perReason) text += "  ... and " + std::to_string(g.places.size() - perReason) + " more\n";
  }
  return text;
}

std::string CancelledMoveLine(ItemMoveOutcome move, bool preview) {
  switch (move) {
    case ItemMoveOutcome::NotAsked: return "";
    // A preview moved nothing and must not read as if it had.
    case ItemMoveOutcome::Moved: return preview ? kNothingMovedLine : "All Files were Successfully Moved";
    case ItemMoveOutcome::NothingMoved: return kNothingMovedLine;
    case ItemMoveOutcome::MayBePartly: return "All Files may not have been Moved";
  }
  return "";
}

EndPage EndPageOf(RunMode mode, const Findings& findings) {
  EndPage page;
  page.finished = !findings.tally.cancelled;
  if (page.finished) {
    // A preview changed nothing and must not read as if it had.
    page.title = findings.preview ? "The preview is finished: nothing was changed" : "Ostrivane has finished";
    if (mode == RunMode::MoveAndMap && findings.tally.move == ItemMoveOutcome::Moved)
      page.moveLine = findings.preview ? "The files would be moved and" : "The files were successfully moved and";
  } else {
    page.title = "Process Cancelled";
    if (mode == RunMode::MoveAndMap) page.moveLine = CancelledMoveLine(findings.tally.move, findings.preview);
  }
  page.countLine = findings.preview ? WouldRemapText(findings.tally.linkCount) : RemappedResultText(findings.tally.linkCount);
  page.passedOverLine = PassedOverText(int(findings.passedOver.size()));
  page.notes = findings.AllNotes();
  return page;
}
