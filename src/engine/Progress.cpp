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

void RefreshProgress(ProgressDisplay& shown, const Findings& findings, std::int64_t nowMs) {
  const int links = findings.tally.linkCount, goal = findings.applyGoal;
  const bool byChanges = !findings.Finds() && goal > 0;
  // A new measure starts the pace afresh.
  if (byChanges != shown.byChanges) shown.pace = Pace{};
  shown.byChanges = byChanges;
  shown.pace.Note(nowMs, byChanges ? links : shown.walked);
  shown.paceText = byChanges ? PaceText(shown.pace, links, goal, "") : PaceText(shown.pace, shown.walked, 0, "places");
  if (shown.byChanges) {
    shown.count = std::to_string(links) + " of " + std::to_string(goal) + (goal == 1 ? " link remapped" : " links remapped");
    // The end is the end page's to show.
    shown.position = std::min(99, int(100LL * links / goal));
    return;
  }
  // A search changes nothing: it finds.
  shown.count = findings.Finds() ? FoundSoFarText(links) : RemappedSoFarText(links);
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

std::string CountLine(const Findings& findings) {
  const int links = findings.tally.linkCount;
  std::string line = findings.preview ? WouldRemapText(links) : RemappedResultText(links);
  if (const int changes = findings.ChangeCount(); changes != links)
    line += changes == 1 ? " (1 change)" : " (" + std::to_string(changes) + " changes)";
  return line;
}

std::string KeptAfterCancelText(RunMode mode, const Findings& findings) {
  const bool moved = mode == RunMode::MoveAndMap && findings.tally.move == ItemMoveOutcome::Moved;
  const int changed = findings.ChangeCount();
  if (!moved && changed <= 0)
    // A move that did not happen (in use, there already, failed) is said by
    // its own lines.
    return findings.tally.move == ItemMoveOutcome::NotAsked ? "The run was cancelled before it changed anything." : "";
  const std::string changes = changed == 1 ? "1 change" : std::to_string(changed) + " changes";
  const std::string what = moved && changed > 0 ? "The move and the " + changes : moved ? "The move" : "The " + changes;
  const bool one = (moved ? 1 : 0) + changed == 1;
  const std::string undoer =
      findings.tally.undoName.empty() ? "The Undo page" : "The undo entry " + findings.tally.undoName + " on the Undo page";
  return what + " made before the cancel " + (one ? "stays" : "stay") + ".  " + undoer + " takes " +
         (one ? "it" : "them") + " back.";
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
  page.countLine = CountLine(findings);
  page.passedOverLine = PassedOverText(int(findings.passedOver.size()));
  page.notes = findings.AllNotes();
  // A cancel stops the run; it does not take back what was already made.
  if (const std::string kept = page.finished || findings.preview ? "" : KeptAfterCancelText(mode, findings); !kept.empty())
    page.notes.insert(page.notes.begin(), kept);
  return page;
}
