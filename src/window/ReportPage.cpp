#include "window/ReportPage.h"

#include "engine/ChangeReport.h"

void ReportPage::Load(const std::string& name, const std::string& reportPath, ReadReport&& read, Page from) {
  list.Load(std::move(read.entries));
  path = reportPath;
  title = "Changes of " + name;
  // What became of the entries, then when the run was and what: the counts
  // and the time first, so that long paths do not push them out of sight.
  std::size_t byOutcome[5] = {};
  for (std::size_t row = 0; row < list.size(); ++row) ++byOutcome[int(list.At(row).outcome)];
  std::string counts;
  for (int i = 0; i < 5; ++i)
    if (byOutcome[i] > 0)
      counts += (counts.empty() ? "" : ", ") + std::to_string(byOutcome[i]) + " " + OutcomeWord(ChangeOutcome(i));
  line = (counts.empty() ? std::string("No entries") : counts) + ".\r\n";
  if (const std::string started = read.Field("Started"); !started.empty()) line += started + " - ";
  line += read.Field("Mode") + ": " + read.Field("Find") + " -> " + read.Field("Replace");
  mode = ModeNamed(read.Field("Mode"));
  cameFrom = from;
}
