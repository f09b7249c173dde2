#pragma once
// The change report (UndoNNNNN.log, and the console's --report): UTF-8 with
// a byte order mark, tab-separated, CR LF line ends, so that it opens in
// Notepad and in a spreadsheet. A field holding a tab, a line end or a
// double quote is quoted ("..." with "" for a quote), as spreadsheets and
// Python's csv module (tab dialect) read it.
//
//   Ostrivane change report
//   Mode<TAB>Map Only              (then Find, Replace, Targets, Drives,
//   ...                             Started, Ended, Result, Links remapped,
//                                   Started (UTC), Substring, Changes made,
//                                   a Search note row per place the search
//                                   could not reach)
//   <empty line>
//   Where<TAB>Value<TAB>Line<TAB>Kind<TAB>Old<TAB>New<TAB>Outcome<TAB>Reason
//   one row per change-list entry
//   <empty line>                   (each undo of the entry adds:)
//   Undo<TAB><time>
//   Undo (UTC)<TAB><stamp>
//   restored<TAB><what>  /  not restored<TAB><what>
//
// Times are local text for people; the "(UTC)" rows hold the same times as
// stamps (2026-12-08T20:40:47.123Z) for the undo list to read back exactly.
//
// The console's --json writes the same entries as JSON Lines.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/FileSystem.h"
#include "engine/ChangeList.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"

inline constexpr const char* kReportTitle = "Ostrivane change report";
inline constexpr const char* kStartedUtcRow = "Started (UTC)";
inline constexpr const char* kUndoRow = "Undo";
inline constexpr const char* kUndoUtcRow = "Undo (UTC)";
inline constexpr const char* kRestoredRow = "restored";
inline constexpr const char* kNotRestoredRow = "not restored";
// "yes" when a path was matched as plain text, also inside longer names.
inline constexpr const char* kSubstringRow = "Substring";
// What the search could not reach ("The Task Scheduler ... could not list its tasks ..."), one row each.
inline constexpr const char* kSearchNoteRow = "Search note";

const char* ModeName(RunMode mode);  // "Move and Map", "Switch Drives", "Map Only"
std::optional<RunMode> ModeNamed(const std::string& name);  // the other way; none for a name it does not know
// "Move and Map: C:\Data\Proj -> D:\Work\Proj"
std::string RunSummary(RunMode mode, const std::string& findText, const std::string& replaceText);

// The report written as it is made: its rows go to `put` a block at a
// time (tens of kilobytes), never the whole text at once.
void WriteChangeReport(const RunChoices& settings, const Findings& findings, const BytesSink& put);
// The whole report's text: the same bytes.
std::string ChangeReportText(const RunChoices& settings, const Findings& findings);
// The rows of one undo of the entry, to be appended to its report.
std::string UndoSectionText(const std::string& time, const std::string& utcStamp,
                            const std::vector<std::string>& restored, const std::vector<std::string>& notRestored);

struct ReadReport {
  std::vector<std::pair<std::string, std::string>> run;  // Mode, Find ... in the order written
  std::vector<ChangeEntry> entries;
  std::vector<std::pair<std::string, std::string>> undo;  // ("Undo", time), ("restored", what) ...
  std::vector<std::string> unreadableRows;                 // "row 14 has the Outcome "skip", which ..."
  std::string Field(const std::string& name) const;       // of `run`; "" when absent
};
// The report's text as UTF-8, from UTF-8 (its mark or none: a view of
// `bytes`) or from UTF-16LE with its mark, as a spreadsheet saves "Unicode
// Text" (a view of `converted`).
std::string_view ReportText(std::string_view bytes, std::string& converted);
// Reads a report back; rows it does not know are passed by, but a change
// row it cannot read is named in `unreadableRows`.
ReadReport ReadChangeReport(std::string_view bytes);

// The targets as the console names them: "registry,settings,shortcuts,config,all".
std::string TargetsText(const Targets& targets);
// The items of a comma list as the report and the console write them; ""
// and a trailing comma give an empty item.
std::vector<std::string> CommaListItems(const std::string& text);
// The other way ("" names no target); empty for a word it does not know,
// which goes to `unknown`.
std::optional<Targets> TargetsFromText(const std::string& text, std::string* unknown = nullptr);
// Appends text as a JSON string, quotes included; everything past ASCII as \u escapes.
void JsonString(std::string& out, const std::string& text);

// One entry as a JSON object on one line (no line end): fields where, value,
// line, kind, old, new, outcome, reason.
std::string ChangeJsonLine(const ChangeEntry& entry);
