#include "engine/UndoWords.h"

#include <algorithm>

#include "engine/ChangeReport.h"

namespace {
// Beside what failed, the lines of what did come back are cut here.
constexpr std::size_t kUndoneLinesShown = 20;

std::string Counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string HeldBackMessage(const UndoOutcome& o) {
  std::string message = std::string(kUndoHeldBack) + " " + o.movedItem + " would go back to " + o.home +
                        ", but these places changed after the run and their references to it cannot be given back; "
                        "they would point at a place that no longer exists:";
  for (const std::string& p : o.changed) message += "\n" + p;
  message += "\nUndo the later entries first.  Forced, the undo gives these places their state before the run, and "
             "their later changes are lost.";
  return message;
}

std::string RestoredLines(const UndoOutcome& o) {
  std::string message = std::to_string(o.files) + kUndoCompleted;
  if (o.values + o.keys > 0) {
    message += "\n";
    if (o.values > 0) message += Counted(o.values, "registry value", "registry values");
    if (o.values > 0 && o.keys > 0) message += " and ";
    if (o.keys > 0) message += Counted(o.keys, "registry key", "registry keys");
    message += " restored.";
  }
  if (o.tasks > 0) message += "\n" + Counted(o.tasks, "scheduled task", "scheduled tasks") + " restored.";
  if (o.movedBack) message += "\n" + o.movedItem + " was moved back to " + o.movedBackTo + ".";
  if (o.result == UndoResult::AllAsBefore)
    message += std::string("\n") + kUndoAllAsBefore;
  else if (o.already > 0)
    message += "\n" + Counted(o.already, "place was", "places were") + " already as before the run.";
  if (o.unchecked && (o.files > 0 || o.values > 0))
    message += "\nThese records come from an earlier version of Ostrivane: whether a place changed after the run "
               "was not checked.";
  return message;
}

std::string LeftLines(const UndoOutcome& o) {
  std::string message = std::string("\n") + kUndoIncomplete;
  for (const std::string& p : o.Left()) message += "\n" + p;
  if (!o.undone.empty()) {
    message += std::string("\n") + kUndoDone;
    const std::size_t shown = std::min(o.undone.size(), kUndoneLinesShown);
    for (std::size_t i = 0; i < shown; ++i) message += "\n" + o.undone[i];
    if (o.undone.size() > shown) message += "\n... and " + std::to_string(o.undone.size() - shown) + " more.";
  }
  return message;
}
}  // namespace

std::vector<std::string> UndoOutcome::Left() const {
  std::vector<std::string> left = changed;
  left.insert(left.end(), problems.begin(), problems.end());
  return left;
}

std::string UndoListLine(const UndoListEntry& e) {
  std::string line = e.name.Text() + " - " + e.date;
  if (e.mode) line += " - " + RunSummary(*e.mode, e.find, e.replace);
  if (e.state != UndoState::NotUndone) {
    line += " - undone";
    if (e.undoneAt) line += " " + *e.undoneAt;
  }
  return line;
}

std::string UndoMessage(const UndoOutcome& o) {
  if (o.result == UndoResult::HeldBack) return HeldBackMessage(o);
  std::string message = RestoredLines(o);
  if (o.result == UndoResult::Partly) message += LeftLines(o);
  for (const std::string& note : o.notes) message += "\n" + note;
  return message;
}
