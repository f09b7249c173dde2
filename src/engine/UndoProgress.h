#pragma once
// What an undo under way tells the front end that shows it: each step as it
// begins, then each place of it as it is gone through, of how many.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/ProgressDisplay.h"

enum class UndoStep {
  CheckFiles,       // before a move back: files changed after the run
  CheckRegistry,    // before a move back: registry places changed after the run
  RestoreFiles,
  MoveBack,         // the shell's move shows its own progress
  RestoreRegistry,  // the registry backup's lines, one by one
  RestoreTasks,
};

// One place of the step gone through (restored, found as before, or left):
// `done` of the step's `total` so far, and where it is.
using PlaceDone = std::function<void(std::size_t done, std::size_t total, const std::string& place)>;

class UndoProgress {
 public:
  virtual ~UndoProgress() = default;
  // `item` is the moved item of the move back, else empty.
  virtual void Begin(UndoStep step, const std::string& item = "") = 0;
  virtual void Done(std::size_t done, std::size_t total, const std::string& place) = 0;
  // The same as a PlaceDone, for the walks that take one.
  PlaceDone Counter() {
    return [this](std::size_t done, std::size_t total, const std::string& place) { Done(done, total, place); };
  }
};

// "Restoring the registry", "Moving C:\Apps\Tool back".
std::string UndoStepText(UndoStep step, const std::string& item);
// "120 of 400 files", "1,200 of 10,000 backup lines".
std::string UndoCountText(UndoStep step, std::size_t done, std::size_t total);

// An undo's progress in a front end's progress display: the step's words,
// its count with the bar measuring it, the place and the pace. The texts
// follow the count at most every `everyMs`; `tick` is called at every step
// and place, told whether the texts were just brought up to date (a front
// end pumps its messages, or prints a line).
class UndoProgressShown : public UndoProgress {
 public:
  UndoProgressShown(ProgressDisplay& shown, std::function<std::int64_t()> nowMs, std::function<void(bool)> tick,
                    std::int64_t everyMs = 200)
      : shown_(shown), nowMs_(std::move(nowMs)), tick_(std::move(tick)), everyMs_(everyMs) {}
  void Begin(UndoStep step, const std::string& item = "") override;
  void Done(std::size_t done, std::size_t total, const std::string& place) override;

 private:
  void Update(std::int64_t now);

  ProgressDisplay& shown_;
  std::function<std::int64_t()> nowMs_;
  std::function<void(bool)> tick_;
  std::int64_t everyMs_;
  UndoStep step_ = UndoStep::RestoreFiles;
  std::size_t done_ = 0, total_ = 0;
  std::string place_;
  std::int64_t updatedAt_ = 0;
};
