#include "engine/ChangeReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "core/Unicode.h"

namespace {
constexpr const char* kBom = "\xEF\xBB\xBF";
constexpr const char* kColumns[] = {"Where", "Value", "Line", "Kind", "Old", "New", "Outcome", "Reason"};

std::string Field(const std::string& text) {
  if (text.find_first_of("\t\r\n\"") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void Row(std::string& out, std::initializer_list<std::string> fields) {
  bool first = true;
  for (const std::string& f : fields) {
    if (!first) out += '\t';
    first = false;
    out += Field(f);
  }
  out += "\r\n";
}

}  // namespace

std::string TargetsText(const Targets& t) {
  std::string s;
  const auto add = [&s](bool on, const char* word) {
    if (!on) return;
    if (!s.empty()) s += ',';
    s += word;
  };
  add(t.registry, "registry");
  add(t.settingsFiles, "settings");
  add(t.shortcuts, "shortcuts");
  add(t.configFiles, "config");
  add(t.allFiles, "all");
  return s;
}

std::vector<std::string> CommaListItems(const std::string& text) {
  std::vector<std::string> items;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

std::optional<Targets> TargetsFromText(const std::string& text, std::string* unknown) {
  Targets t{false, false, false, false, false};
  if (text.empty()) return t;  // a run with no target, as the report writes it
  for (const std::string& word : CommaListItems(text)) {
    if (word == "registry") t.registry = true;
    else if (word == "settings") t.settingsFiles = true;
    else if (word == "shortcuts") t.shortcuts = true;
    else if (word == "config") t.configFiles = true;
    else if (word == "all") t.allFiles = true;
    else {
      if (unknown) *unknown = word;
      return std::nullopt;
    }
  }
  return t;
}

namespace {

// Splits quoted, tab-separated records, each handed to `take` as it ends
// (a report of every finding is never held again as a list of its rows); a
// quoted field may span lines.
template <class Take>
void ForEachRecord(std::string_view text, Take take) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false, any = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == '"' && field.empty()) {
      quoted = any = true;
    } else if (c == '\t') {
      fields.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (any || !field.empty()) fields.push_back(std::move(field));
      take(fields);
      fields.clear();
      field.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) {
    fields.push_back(std::move(field));
    take(fields);
  }
}

}  // namespace

void JsonString(std::string& out, const std::string& text) {
  out += '"';
  // Everything past ASCII as \u escapes (a lone surrogate too): the line is
  // plain ASCII whatever the console's code page.
  for (char16_t u : Utf16FromUtf8(text)) {
    char buf[8];
    switch (u) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u > 0x7E) {
          std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(u));
          out += buf;
        } else {
          out += char(u);
        }
    }
  }
  out += '"';
}

const char* ModeName(RunMode mode) {
  switch (mode) {
    case RunMode::MoveAndMap: return "Move and Map";
    case RunMode::SwitchDrives: return "Switch Drives";
    default: return "Map Only";
  }
}

std::optional<RunMode> ModeNamed(const std::string& name) {
  for (RunMode mode : {RunMode::MoveAndMap, RunMode::SwitchDrives, RunMode::MapOnly})
    if (name == ModeName(mode)) return mode;
  return std::nullopt;
}

std::string RunSummary(RunMode mode, const std::string& findText, const std::string& replaceText) {
  return std::string(ModeName(mode)) + ": " + findText + (mode == RunMode::SwitchDrives ? " <-> " : " -> ") + replaceText;
}

namespace {
// The report's text gathered a block at a time and handed on, so that a
// report of every finding is never held whole beside the findings.
class ReportBlocks {
 public:
  explicit ReportBlocks(const BytesSink& put) : put_(put) { text_.reserve(kBlockBytes); }
  std::string& Text() { return text_; }
  // Hands the block on once it is full.
  void RowDone() {
    if (text_.size() >= kBlockBytes) HandOn();
  }
  void HandOn() {
    if (!text_.empty()) put_(text_);
    text_.clear();
  }

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;
  const BytesSink& put_;
  std::string text_;
};
}  // namespace

void WriteChangeReport(const RunChoices& settings, const Findings& findings, const BytesSink& put) {
  const MappingRequest& r = settings.request;
  std::string drives;
  for (const DriveRow& d : settings.drives)
    if (d.selected) drives += (drives.empty() ? "" : ",") + d.root;
  ReportBlocks blocks(put);
  std::string& out = blocks.Text();
  out = kBom;
  Row(out, {kReportTitle});
  Row(out, {"Mode", ModeName(r.Mode)});
  Row(out, {"Find", r.FindText});
  Row(out, {"Replace", r.ReplaceText});
  Row(out, {"Targets", TargetsText(settings.targets)});
  Row(out, {"Drives", drives});
  Row(out, {"Started", findings.startedAt});
  Row(out, {"Ended", findings.endedAt});
  Row(out, {"Result", findings.preview ? "preview" : findings.tally.cancelled ? "cancelled" : "finished"});
  Row(out, {findings.preview ? "Links that would be remapped" : "Links remapped", std::to_string(findings.tally.linkCount)});
  // Last, so that the rows people and scripts know keep their places.
  Row(out, {kStartedUtcRow, findings.startedUtc});
  Row(out, {kSubstringRow, r.Substring ? "yes" : "no"});
  // The list's changed rows: a shortcut's parts each, where the links count it once.
  Row(out, {findings.preview ? "Changes that would be made" : "Changes made", std::to_string(findings.ChangeCount())});
  // What the search could not reach: an apply of a preview's report says it again.
  for (const std::string& note : findings.searchNotes) {
    Row(out, {kSearchNoteRow, note});
    blocks.RowDone();
  }
  out += "\r\n";
  Row(out, {kColumns[0], kColumns[1], kColumns[2], kColumns[3], kColumns[4], kColumns[5], kColumns[6], kColumns[7]});
  for (const ChangeEntry& e : findings.changes) {
    Row(out, {e.where, e.value, e.line > 0 ? std::to_string(e.line) : "", KindWord(e.kind), MarkedText(e.oldText),
              MarkedText(e.newText), OutcomeWord(e.outcome), e.reason});
    blocks.RowDone();
  }
  blocks.HandOn();
}

std::string ChangeReportText(const RunChoices& settings, const Findings& findings) {
  std::string text;
  WriteChangeReport(settings, findings, [&text](std::string_view piece) { text.append(piece); });
  return text;
}

std::string UndoSectionText(const std::string& time, const std::string& utcStamp,
                            const std::vector<std::string>& restored, const std::vector<std::string>& notRestored) {
  std::string out = "\r\n";
  Row(out, {kUndoRow, time});
  Row(out, {kUndoUtcRow, utcStamp});
  for (const std::string& s : notRestored) Row(out, {kNotRestoredRow, s});
  for (const std::string& s : restored) Row(out, {kRestoredRow, s});
  return out;
}

std::string ReadReport::Field(const std::string& name) const {
  for (const auto& [key, value] : run)
    if (key == name) return value;
  return "";
}

std::string_view ReportText(std::string_view bytes, std::string& converted) {
  if (bytes.substr(0, 3) == kBom) return bytes.substr(3);
  // A spreadsheet keeps every character only when saved as "Unicode Text".
  if (bytes.substr(0, 2) != "\xFF\xFE") return bytes;
  converted = Utf8FromUtf16LeBytes(bytes.substr(2));
  return converted;
}

ReadReport ReadChangeReport(std::string_view bytes) {
  ReadReport report;
  enum { Run, Entries, Undo } part = Run;
  std::size_t row = 0;
  std::string converted;
  ForEachRecord(ReportText(bytes, converted), [&](std::vector<std::string>& f) {
    ++row;
    // A spreadsheet may pad short rows with empty cells to the widest.
    while (f.size() > 2 && f.back().empty()) f.pop_back();
    if (f.empty() || (f.size() <= 2 && f.back().empty() && f.front().empty())) return;
    if (f[0] == kUndoRow && f.size() == 2) part = Undo;
    if (part == Run) {
      if (f[0] == kColumns[0] && f.size() == std::size(kColumns)) {
        part = Entries;
      } else if (f.size() == 2) {
        report.run.emplace_back(f[0], f[1]);
      }
    } else if (part == Entries) {
      const auto unreadable = [&](const std::string& why) {
        report.unreadableRows.push_back("row " + std::to_string(row) + " " + why);
      };
      if (f.size() > std::size(kColumns)) {
        unreadable("has " + std::to_string(f.size()) + " cells, not " + std::to_string(std::size(kColumns)));
        return;
      }
      f.resize(std::size(kColumns));
      const auto kind = KindFromWord(f[3]);
      const auto outcome = OutcomeFromWord(f[6]);
      if (!kind) unreadable("has the Kind \"" + f[3] + "\", which is none the report writes");
      if (!outcome) unreadable("has the Outcome \"" + f[6] + "\", which is none the report writes");
      if (!kind || !outcome) return;
      ChangeEntry e{f[0], f[1], f[2].empty() ? 0 : std::atoi(f[2].c_str()), *kind, UnmarkedText(f[4]), UnmarkedText(f[5]),
                    *outcome, f[7]};
      report.entries.push_back(std::move(e));
    } else if (f.size() == 2) {
      report.undo.emplace_back(f[0], f[1]);
    }
  });
  return report;
}

std::string ChangeJsonLine(const ChangeEntry& e) {
  std::string out = "{\"where\":";
  JsonString(out, e.where);
  out += ",\"value\":";
  JsonString(out, e.value);
  out += ",\"line\":" + std::to_string(e.line) + ",\"kind\":";
  JsonString(out, KindWord(e.kind));
  out += ",\"old\":";
  JsonString(out, e.oldText);
  out += ",\"new\":";
  JsonString(out, e.newText);
  out += ",\"outcome\":";
  JsonString(out, OutcomeWord(e.outcome));
  out += ",\"reason\":";
  JsonString(out, e.reason);
  out += '}';
  return out;
}
