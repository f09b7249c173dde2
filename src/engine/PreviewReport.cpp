#include "engine/PreviewReport.h"

#include "engine/ChangeReport.h"

#include <utility>

std::optional<PreviewToApply> ReadPreviewReport(const std::string& bytes, std::string& why) {
  std::string converted;
  const std::string_view text = ReportText(bytes, converted);
  if (text.substr(0, std::string_view(kReportTitle).size()) != kReportTitle) {
    why = "it is not an Ostrivane change report";
    return std::nullopt;
  }
  ReadReport report = ReadChangeReport(text);  // converted once
  if (report.Field("Result") != "preview") {
    why = "it is the report of a run, not of a preview (write one with --preview --report FILE)";
    return std::nullopt;
  }
  // A row the apply cannot read might be one meant to be made or one meant
  // to be left out: neither is guessed.
  if (!report.unreadableRows.empty()) {
    why = "its " + report.unreadableRows.front() + " (set a change's Outcome to \"left out\" or delete its row)";
    return std::nullopt;
  }
  PreviewToApply preview;
  const std::optional<RunMode> mode = ModeNamed(report.Field("Mode"));
  const std::optional<Targets> targets = TargetsFromText(report.Field("Targets"));
  if (!mode || !targets) {
    why = "its Mode or Targets row is not one Ostrivane writes";
    return std::nullopt;
  }
  preview.request.Mode = *mode;
  preview.request.FindText = report.Field("Find");
  preview.request.ReplaceText = report.Field("Replace");
  preview.request.Substring = report.Field(kSubstringRow) == "yes";
  preview.targets = *targets;
  preview.driveRoots = CommaListItems(report.Field("Drives"));
  std::vector<std::string> notes;
  for (const auto& [name, value] : report.run)
    if (name == kSearchNoteRow) notes.push_back(value);
  preview.list.KeepSearchNotes(std::move(notes));
  // A row deleted from the report is a change not to make.
  preview.list.CountUnlistedAsLeftOut();
  // Each row moves to the list: the report's rows are not held twice.
  for (ChangeEntry& e : report.entries) {
    // A row set to "left out" stays as it is; every other occurrence the
    // preview would change is made.
    const bool ticked = e.outcome == ChangeOutcome::WouldChange;
    if (e.outcome == ChangeOutcome::LeftOut) e.outcome = ChangeOutcome::WouldChange;
    preview.list.Add(std::move(e), ticked);
  }
  return preview;
}
