#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/Error.h"
#include "engine/ChangeReport.h"
#include "filemap/TextFileRewrite.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {

constexpr const char* kIni = "C:\\Cfg\\app.ini";

class ChangeListTest : public ::testing::Test {
 protected:
  ChangeListTest() : backup(fs), rewrite(fs, backup, ansi) {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
  }
  std::string Rewrite(const std::string& path, const std::string& content) {
    fs.AddFile(path, content);
    rewrite.RewriteTextFile(ctx.Pass(), path, texts);
    return fs.At(path).data;
  }
  int Count(ChangeOutcome outcome) const {
    return int(std::count_if(ctx.changes.begin(), ctx.changes.end(),
                             [&](const ChangeEntry& e) { return e.outcome == outcome; }));
  }

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  RecordingBackup backup;
  Cp1252 ansi;
  TextFileRewrite rewrite;
  SearchTexts texts{"C:\\App", "D:\\New", "", ""};
};

TEST_F(ChangeListTest, OneEntryPerOccurrenceWithItsLineAndTheCountMatches) {
  // Lines end in LF, CR LF and a lone CR; two occurrences share line 4.
  Rewrite(kIni, "[s]\na=1\r\nb=2\rc=C:\\App\\x;C:\\APP\\y\nd=C:\\App");
  Rewrite("C:\\Cfg\\run.bat", "set P=C:\\App");
  ASSERT_EQ(ctx.changes.size(), 4u);
  EXPECT_EQ(ctx.changes[0].line, 4);
  EXPECT_EQ(ctx.changes[1].line, 4);
  EXPECT_EQ(ctx.changes[2].line, 5);
  EXPECT_EQ(ctx.changes[0].kind, ChangeKind::SettingsLine);
  EXPECT_EQ(ctx.changes[3].kind, ChangeKind::ConfigurationLine);
  // Each occurrence shown in its line, in the spelling found.
  EXPECT_EQ(ctx.changes[1].oldText, "c=C:\\App\\x;C:\\APP\\y");
  EXPECT_EQ(ctx.changes[1].newText, "c=C:\\App\\x;D:\\New\\y");
  EXPECT_EQ(ctx.changes[3].newText, "set P=D:\\New");
  EXPECT_EQ(Count(ChangeOutcome::Changed), 4);
  EXPECT_EQ(ctx.tally.linkCount, 4);
}

TEST_F(ChangeListTest, AFileThatCannotBeWrittenTurnsItsEntriesIntoPassedOver) {
  fs.beforeWrite = [](const std::string&) { throw Error("in use by another program"); };
  Rewrite(kIni, "a=C:\\App\nb=C:\\App\n");
  ASSERT_EQ(ctx.changes.size(), 2u);
  EXPECT_EQ(Count(ChangeOutcome::PassedOver), 2);
  EXPECT_EQ(ctx.changes[1].reason, "in use by another program");
  EXPECT_EQ(ctx.tally.linkCount, 0);
  ASSERT_EQ(ctx.passedOver.size(), 1u);  // the place is named once
  EXPECT_EQ(ctx.passedOver[0].where, kIni);
}

TEST_F(ChangeListTest, AReviewedRunChangesOnlyTheTickedOccurrences) {
  const std::string content = "a=C:\\App\nb=C:\\App\nc=C:\\App\n";
  ctx.preview = true;
  Rewrite(kIni, content);
  ASSERT_EQ(Count(ChangeOutcome::WouldChange), 3);
  EXPECT_EQ(fs.At(kIni).data, content);

  ChangeSelection ticked;
  ticked.Tick(ctx.changes[0]);
  ticked.Leave(ctx.changes[1]);
  ticked.Tick(ctx.changes[2]);
  ChangeEntry gone = ctx.changes[2];
  gone.where = "C:\\Cfg\\gone.ini";
  ticked.Tick(gone);
  ctx.changes.clear();
  ctx.tally.linkCount = 0;
  ctx.preview = false;
  ctx.selection = &ticked;
  EXPECT_EQ(Rewrite(kIni, content), "a=D:\\New\nb=C:\\App\nc=D:\\New\n");
  EXPECT_EQ(Count(ChangeOutcome::LeftOut), 1);
  EXPECT_EQ(ctx.changes[1].line, 2);
  EXPECT_EQ(ctx.tally.linkCount, 2);
  ASSERT_EQ(ticked.NotMet().size(), 1u);
  EXPECT_EQ(ticked.NotMet()[0].where, "C:\\Cfg\\gone.ini");
}

TEST(ChangeReport, EveryFieldReadsBackExactlyAndJsonEscapes) {
  TestRun ctx;
  ctx.request.FindText = "C:\\Data\\Proj";
  ctx.request.ReplaceText = "D:\\Work\\Proj";
  ctx.request.Mode = RunMode::MoveAndMap;
  ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", false}};
  ctx.startedAt = "12/8/2026 10:40:47 PM";
  ctx.startedUtc = "2026-12-08T20:40:47.125Z";
  const std::string awkward = "tab\there \"quoted\"\r\nnext line \xC3\xA9\xE2\x82\xAC";
  ctx.changes.push_back({"HKEY_CURRENT_USER\\Software\\A", "v\"1", 0, ChangeKind::ValueData, awkward, "new\ttext",
                         ChangeOutcome::PassedOver, "access denied"});
  ctx.changes.push_back({"C:\\x.ini", "", 12, ChangeKind::SettingsLine, "\"", "", ChangeOutcome::LeftOut, ""});
  // A list of strings: its NULs shown as a mark people see, read back as NULs.
  ctx.changes.push_back({"HKEY_CURRENT_USER\\Software\\A", "list", 0, ChangeKind::ValueData,
                         std::string("C:\\a\0C:\\b", 9), std::string("D:\\a\0C:\\b", 9), ChangeOutcome::Changed, ""});
  const std::string text = ChangeReportText(ctx, ctx);
  EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_NE(text.find("C:\\a\xE2\x90\x80" "C:\\b"), std::string::npos);

  const ReadReport read = ReadChangeReport(
      text + UndoSectionText("now", "2026-12-09T05:02:11.000Z", {"a was restored."}, {"b\tfailed"}));
  EXPECT_EQ(read.Field("Mode"), "Move and Map");
  EXPECT_EQ(read.Field("Drives"), "C:\\");
  EXPECT_EQ(read.Field("Started"), ctx.startedAt);
  EXPECT_EQ(read.Field(kStartedUtcRow), ctx.startedUtc);
  // People and scripts read the rows by their places: the stamp comes last.
  std::vector<std::string> rows;
  for (const auto& row : read.run) rows.push_back(row.first);
  EXPECT_EQ(rows, (std::vector<std::string>{"Mode", "Find", "Replace", "Targets", "Drives", "Started", "Ended",
                                            "Result", "Links remapped", kStartedUtcRow, kSubstringRow, "Changes made"}));
  ASSERT_EQ(read.entries.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const ChangeEntry &a = ctx.changes[i], &b = read.entries[i];
    EXPECT_EQ(std::tie(a.where, a.value, a.line, a.kind, a.oldText, a.newText, a.outcome, a.reason),
              std::tie(b.where, b.value, b.line, b.kind, b.oldText, b.newText, b.outcome, b.reason));
  }
  ASSERT_EQ(read.undo.size(), 4u);
  EXPECT_EQ(read.undo[1], std::make_pair(std::string(kUndoUtcRow), std::string("2026-12-09T05:02:11.000Z")));
  EXPECT_EQ(read.undo[2], std::make_pair(std::string("not restored"), std::string("b\tfailed")));
  EXPECT_EQ(RunSummary(RunMode::MoveAndMap, ctx.request.FindText, ctx.request.ReplaceText),
            "Move and Map: C:\\Data\\Proj -> D:\\Work\\Proj");

  // A lone surrogate (as platform names may hold) still makes valid JSON.
  ChangeEntry e = ctx.changes[0];
  e.where += "\xED\xA0\x80";
  EXPECT_EQ(ChangeJsonLine(e),
            "{\"where\":\"HKEY_CURRENT_USER\\\\Software\\\\A\\ud800\",\"value\":\"v\\\"1\",\"line\":0,"
            "\"kind\":\"value data\",\"old\":\"tab\\there \\\"quoted\\\"\\r\\nnext line \\u00e9\\u20ac\","
            "\"new\":\"new\\ttext\",\"outcome\":\"passed over\",\"reason\":\"access denied\"}");
}

}  // namespace

namespace {
// Reads a change report with Python's csv module (tab dialect) and the same
// entries' JSON Lines with its json module; exits 0 when each report row
// holds exactly the fields of its JSON object.
constexpr const char* kPythonCheck = R"(
import csv, json, sys
with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:
    rows = list(csv.reader(f, dialect='excel-tab'))
with open(sys.argv[2], encoding='ascii') as f:
    objects = [json.loads(line) for line in f]
head = rows.index(['Where', 'Value', 'Line', 'Kind', 'Old', 'New', 'Outcome', 'Reason'])
entries = [r for r in rows[head + 1:] if r]
assert len(entries) == len(objects), (len(entries), len(objects))
for r, o in zip(entries, objects):
    assert set(o) == {'where', 'value', 'line', 'kind', 'old', 'new', 'outcome', 'reason'}, o
    line = str(o['line']) if o['line'] else ''
    assert r == [o['where'], o['value'], line, o['kind'], o['old'], o['new'], o['outcome'], o['reason']], (r, o)
assert dict(r for r in rows[1:head] if len(r) == 2)['Mode'] == 'Map Only'
)";
}  // namespace

TEST(ChangeReport, PythonReadsEveryRowAndEveryJsonLine) {
  if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  TestRun ctx;
  ctx.request.FindText = "C:\\Old";
  ctx.changes.push_back({"C:\\a \"b\".ini", "", 7, ChangeKind::SettingsLine, "x=\tC:\\Old\r\ny", "x=\tD:\\New\r\ny",
                         ChangeOutcome::Changed, ""});
  ctx.changes.push_back({"HKEY_CURRENT_USER\\S", "\"quoted\"\xC3\xA9", 0, ChangeKind::ValueName, "\"", "\n",
                         ChangeOutcome::PassedOver, "access denied"});
  ctx.changes.push_back({"C:\\l.lnk", "", 0, ChangeKind::ShortcutTarget, "", "", ChangeOutcome::LeftOut, ""});
  const std::string dir = ::testing::TempDir();
  const std::string report = dir + "ostrivane-report.log", lines = dir + "ostrivane-report.jsonl",
                    script = dir + "ostrivane-report-check.py";
  FILE* f = std::fopen(report.c_str(), "wb");
  std::fputs(ChangeReportText(ctx, ctx).c_str(), f);
  std::fclose(f);
  f = std::fopen(lines.c_str(), "wb");
  for (const ChangeEntry& e : ctx.changes) std::fputs((ChangeJsonLine(e) + "\n").c_str(), f);
  std::fclose(f);
  f = std::fopen(script.c_str(), "wb");
  std::fputs(kPythonCheck, f);
  std::fclose(f);
  EXPECT_EQ(std::system(("python3 " + script + " " + report + " " + lines).c_str()), 0);
}
