#pragma once
// The user-interaction port on a console: progress on stderr at most five
// times a second, questions answered on stdin, previews and results on stdout.
#include <cstdint>
#include <functional>
#include <iosfwd>

#include "engine/ProgressDisplay.h"
#include "engine/Findings.h"
#include "engine/UndoProgress.h"
#include "core/Ui.h"

// Writes the progress line ("phase | place | count", with the pace when
// asked) to `err`, unless it is the line written last.
void PrintProgressLine(std::ostream& err, const ProgressDisplay& shown, bool withPace, std::string& lastLine);

class ConsoleUi : public Ui {
 public:
  // stopServices: services running from an item to be moved may be stopped
  // for the move (--stop-services).
  // The progress line counts the links of `findings`.
  ConsoleUi(const Findings& findings, std::istream& in, std::ostream& out, std::ostream& err, std::function<std::int64_t()> nowMs,
            bool stopServices = false)
      : findings_(findings), in_(in), out_(out), err_(err), nowMs_(std::move(nowMs)), stopServices_(stopServices) {}

  void Pump() override;
  Answer Ask(const Question& question, bool& doNotStopAndVerify) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void SetCursor(Cursor) override {}
  void ShowProgress() override {
    progressShown_ = true;
    progress_ = ProgressDisplay{};
  }
  void CloseProgress() override;
  void StartProgressTimer() override;
  void StopProgressTimer() override { timerOn_ = false; }
  void ShowPhase(const std::string& phase) override { progress_.phase = phase; }
  void ShowPlace(const std::string& place) override { progress_.location = place; }
  void BeginStep(int share) override { progress_.BeginStep(share); }
  void Walked(long items) override { progress_.walked += items; }
  // The progress line ends with the pace and the time left.
  void ShowPace(bool on) { showPace_ = on; }
  void ReportPreview(const PreviewItem& item) override;
  // Never waits for anyone: stops the services when allowed and nothing
  // else runs, else names what runs and cancels.
  InUseAnswer AskItemInUse(const ItemInUse& inUse) override;

 private:
  void Refresh();

  const Findings& findings_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::function<std::int64_t()> nowMs_;
  bool stopServices_;
  bool progressShown_ = false;
  bool timerOn_ = false;
  bool showPace_ = false;
  std::int64_t lastRefresh_ = 0;
  std::string lastLine_;
  ProgressDisplay progress_;
};

// An undo's progress on stderr, in the lines a run's progress has, at most
// five a second: a short undo prints none.
class ConsoleUndoProgress {
 public:
  ConsoleUndoProgress(std::ostream& err, std::function<std::int64_t()> nowMs, bool showPace)
      : err_(err), showPace_(showPace), progress_(shown_, std::move(nowMs), [this](bool due) {
          if (due) PrintProgressLine(err_, shown_, showPace_, lastLine_);
        }) {}
  UndoProgress& Watcher() { return progress_; }

 private:
  std::ostream& err_;
  bool showPace_;
  std::string lastLine_;
  ProgressDisplay shown_;
  UndoProgressShown progress_;
};
