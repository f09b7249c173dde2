#include "engine/UndoProgress.h"

#include <algorithm>

#include "engine/Pace.h"

std::string UndoStepText(UndoStep step, const std::string& item) {
  switch (step) {
    case UndoStep::CheckFiles: return "Checking the files for changes made after the run";
    case UndoStep::CheckRegistry: return "Checking the registry for changes made after the run";
    case UndoStep::RestoreFiles: return "Restoring files";
    case UndoStep::MoveBack: return "Moving " + item + " back";
    case UndoStep::RestoreRegistry: return "Restoring the registry";
    case UndoStep::RestoreTasks: return "Restoring scheduled tasks";
  }
  return "";
}

std::string UndoCountText(UndoStep step, std::size_t done, std::size_t total) {
  const bool one = total == 1;
  const char* unit = "";
  switch (step) {
    case UndoStep::CheckFiles:
    case UndoStep::RestoreFiles: unit = one ? " file" : " files"; break;
    case UndoStep::CheckRegistry:
    case UndoStep::RestoreRegistry: unit = one ? " backup line" : " backup lines"; break;
    case UndoStep::RestoreTasks: unit = one ? " task" : " tasks"; break;
    case UndoStep::MoveBack: return "";
  }
  return GroupedNumber(static_cast<long long>(done)) + " of " + GroupedNumber(static_cast<long long>(total)) + unit;
}

void UndoProgressShown::Begin(UndoStep step, const std::string& item) {
  step_ = step;
  done_ = total_ = 0;
  place_.clear();
  // A step counts afresh: its bar and its pace measure it alone.
  shown_.pace = Pace{};
  shown_.phase = UndoStepText(step, item);
  shown_.location.clear();
  shown_.count.clear();
  shown_.paceText.clear();
  shown_.position = 0;
  updatedAt_ = nowMs_();
  tick_(false);
}

void UndoProgressShown::Done(std::size_t done, std::size_t total, const std::string& place) {
  done_ = done;
  total_ = total;
  place_ = place;
  const std::int64_t now = nowMs_();
  const bool due = now - updatedAt_ >= everyMs_;
  if (due) Update(now);
  tick_(due);
}

void UndoProgressShown::Update(std::int64_t now) {
  updatedAt_ = now;
  shown_.location = place_;
  shown_.count = UndoCountText(step_, done_, total_);
  shown_.pace.Note(now, static_cast<long long>(done_));
  shown_.paceText = PaceText(shown_.pace, static_cast<long long>(done_), static_cast<long long>(total_), "");
  // The end is the closing message's to show.
  shown_.position = total_ ? static_cast<int>(std::min<std::size_t>(99, 100 * done_ / total_)) : 0;
}
