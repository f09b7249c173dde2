// A change report as a person may hand it back to `apply`: edited, saved by
// a spreadsheet, or damaged. Properties: reading never fails; a report read
// and written again reads back the same change rows; the preview's reader
// either refuses with a reason or takes rows only from the report.
#include <cstdint>
#include <string>
#include <tuple>

#include "FuzzCheck.h"
#include "engine/ChangeReport.h"
#include "engine/PreviewReport.h"

namespace {
auto Fields(const ChangeEntry& e) {
  return std::tie(e.where, e.value, e.line, e.kind, e.oldText, e.newText, e.outcome, e.reason);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(bytes), size);

  const ReadReport read = ReadChangeReport(text);
  RunChoices settings;
  settings.request.FindText = read.Field("Find");
  settings.request.ReplaceText = read.Field("Replace");
  Findings findings;
  findings.preview = true;
  for (ChangeEntry e : read.entries) {
    if (e.line < 0) e.line = 0;  // written as no line, read back as 0
    findings.changes.push_back(std::move(e));
  }
  const ReadReport again = ReadChangeReport(ChangeReportText(settings, findings));
  FUZZ_CHECK(again.unreadableRows.empty());
  FUZZ_CHECK(again.entries.size() == findings.changes.size());
  for (std::size_t i = 0; i < again.entries.size(); ++i)
    FUZZ_CHECK(Fields(again.entries[i]) == Fields(findings.changes[i]));
  FUZZ_CHECK(again.Field("Find") == settings.request.FindText && again.Field("Result") == "preview");

  std::string why;
  const std::optional<PreviewToApply> preview = ReadPreviewReport(text, why);
  FUZZ_CHECK(preview.has_value() == why.empty());
  if (preview) FUZZ_CHECK(preview->list.Listed().size() == read.entries.size());
  return 0;
}
