#include "ConsoleUi.h"

#include <istream>
#include <ostream>

#include "engine/ChangeList.h"
#include "engine/Progress.h"

void ConsoleUi::StartProgressTimer() {
  timerOn_ = true;
  lastRefresh_ = nowMs_();
}

// The 200 ms refresh of the progress dialog, driven by the walks' pumping:
// a clock read per item, a line only when something changed.
void ConsoleUi::Pump() {
  if (!progressShown_ || !timerOn_) return;
  ++progress_.walked;  // the walks pump once per place
  const std::int64_t now = nowMs_();
  if (now - lastRefresh_ < 200) return;
  lastRefresh_ = now;
  Refresh();
}

void ConsoleUi::Refresh() {
  RefreshProgress(progress_, findings_, nowMs_());
  PrintProgressLine(err_, progress_, showPace_, lastLine_);
}

void PrintProgressLine(std::ostream& err, const ProgressDisplay& p, bool withPace, std::string& lastLine) {
  std::string line = p.phase;
  if (!p.location.empty()) line += " | " + p.location;
  if (!p.count.empty()) line += " | " + p.count;
  if (withPace && !p.paceText.empty()) line += " | " + p.paceText;
  if (line == lastLine) return;
  lastLine = line;
  err << line << '\n' << std::flush;
}

void ConsoleUi::CloseProgress() {
  progressShown_ = false;
  timerOn_ = false;
}

Answer ConsoleUi::Ask(const Question& q, bool& doNotStopAndVerify) {
  err_ << "\nEntry Found\n"
       << "  Key:                 " << q.key << '\n'
       << "  Value                " << q.value << '\n'
       << "  Change String From:  " << q.from << '\n'
       << "  To:                  " << q.to << '\n';
  for (;;) {
    err_ << "[R]eplace, [S]kip, [C]ancel, or [A] replace and do not stop and verify again? " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {
      // No one left to answer: the safe answer changes nothing more.
      err_ << "\n";
      return Answer::Cancel;
    }
    const char c = line.empty() ? '\0' : line[0];
    switch (c) {
      case 'r': case 'R': return Answer::Replace;
      case 's': case 'S': return Answer::Skip;
      case 'c': case 'C': return Answer::Cancel;
      case 'a': case 'A': doNotStopAndVerify = true; return Answer::Replace;
      default: break;
    }
  }
}

void ConsoleUi::ShowMessage(const std::string& text, const std::string& caption) {
  err_ << caption << ": " << text << '\n' << std::flush;
}

void ConsoleUi::ReportPreview(const PreviewItem& item) {
  out_ << item.place;
  if (!item.name.empty()) out_ << " [" << item.name << "]";
  out_ << ": " << MarkedText(item.oldText) << " -> " << MarkedText(item.newText) << '\n';
}

InUseAnswer ConsoleUi::AskItemInUse(const ItemInUse& inUse) {
  if (stopServices_ && inUse.programs.empty()) {
    err_ << "Stopping the services that run from " << inUse.item << " for the move:\n";
    for (const std::string& line : InUseLines(inUse)) err_ << "  " << line << '\n';
    err_ << std::flush;
    return InUseAnswer::StopServices;
  }
  err_ << "Programs or services run from " << inUse.item << ":\n";
  for (const std::string& line : InUseLines(inUse)) err_ << "  " << line << '\n';
  if (!inUse.programs.empty())
    err_ << "Nothing was moved.  Close the programs (Ostrivane never ends them), then run the command again.\n";
  else
    err_ << "Nothing was moved.  Stop the services, or give --stop-services to have them stopped for the move and "
            "started again afterwards.\n";
  err_ << std::flush;
  return InUseAnswer::Cancel;
}
