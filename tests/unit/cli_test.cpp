#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "CliApp.h"
#include "CliArgs.h"
#include "ConsoleUi.h"
#include "engine/Pace.h"
#include "core/Error.h"
#include "core/Ui.h"
#include "core/Unicode.h"
#include "engine/ChangeReport.h"
#include "engine/GuardRails.h"
#include "engine/WrittenRecord.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessesAndServices.h"

namespace {

CliParse Parse(std::vector<std::string> a) { return ParseCommandLine(a); }

// Fake subsystems: the file walk finds one change per "hit" in its old text,
// asking first when verification is on, and reports it in a preview.
struct FakeServices : CliServices, DriveSource, ItemMover, BackupArchive, FileMapper, RegistryMapper, ShortNames,
                      UndoList, UndoExecutor {
  bool partsMade = false;
  std::vector<DriveInfo> drives = {{"A:\\", "Floppy (A:)", false}, {"C:\\", "Local Disk (C:)", true}, {"D:\\", "Data (D:)", true}};
  std::vector<std::string> calls;
  bool moveOk = true;
  std::int64_t clock = 0;

  std::string ProgramFolder() override { return "C:\\Ost\\"; }
  // Not elevated; HKEY_LOCAL_MACHINE is writable unless lockedMachine.
  struct Rights : RightsPort {
    bool lockedMachine = false;
    bool recordsLocked = false;
    bool Elevated() override { return false; }
    bool CanWriteFolder(const std::string& f) override { return !recordsLocked || f != "C:\\Ost\\"; }
    bool FolderExists(const std::string&) override { return true; }
    bool CanWriteMachineRegistry() override { return !lockedMachine; }
    std::vector<std::string> ProtectedFolders() override { return {}; }
  } rights;
  std::optional<EngineRefusal> refusal;
  RightsPort* Rights() override { return &rights; }
  std::optional<EngineRefusal> RecordsRefusal() override { return refusal; }
  bool asSystem = false;
  bool RunsAsSystem() override { return asSystem; }
  DriveSource& Drives() override { return *this; }
  std::vector<DriveInfo> ListDrives() override { return drives; }
  std::int64_t NowMs() override { return clock += 50; }
  bool terminal = false;
  bool ErrorsOnTerminal() override { return terminal; }
  RunParts MakeRunParts() override {
    partsMade = true;
    return RunParts{.undo = static_cast<UndoList&>(*this),
                    .mover = *this,
                    .archive = *this,
                    .registry = *this,
                    .files = *this,
                    .shortNames = *this,
                    .records = records,
                    .written = writtenRecord,
                    .optionalRunning = &system};
  }
  FakeProcessesAndServices system;
  struct Records : FakeFileSystem {
    Records() { AddFolder("C:\\Ost"); }
  } records;  // where the run's records go
  WrittenRecord writtenRecord{records};
  UndoList& Undo() override { return *this; }
  UndoExecutor& UndoRunner() override { return *this; }

  int NextUndoNumber() override { return 3; }
  void RebuildList() override {}
  bool MoveDir(RunPass& run, const std::string& s, const std::string& d) override {
    calls.push_back("move " + s + " > " + d);
    if (!moveOk) run.ui->ShowMessage(s + " does not exist.  Please correct.", "Ostrivane");
    return moveOk;
  }
  GuardRails* guard = nullptr;  // the rails a move keeps to; none: every move may go
  std::optional<EngineRefusal> MoveRefusal(const std::string& s) override {
    return guard ? guard->MoveRefusal(s) : std::nullopt;
  }
  void SetArchiveName(const std::string&) override {}
  std::string ShortFileName(const std::string& p) override { return p; }
  std::string passOver;  // a file each file pass cannot change
  std::vector<std::pair<std::string, std::string>> passOvers;  // more, with their reasons
  int hits = 3;          // occurrences each file pass finds
  void FindReplaceProcess(RunPass&, const SearchTexts& t) override {
    calls.push_back("reg " + t.oldText + " > " + t.newText);
  }
  void MapKeys(RunPass&, const SearchTexts&, const std::vector<std::string>&) override {}
  void MapFiles(RunPass& run, const SearchTexts& t) override {
    std::string drives;
    for (const DriveRow& r : run.settings.drives) drives += r.selected ? r.root.substr(0, 1) : "";
    calls.push_back("ini " + t.oldText + " > " + t.newText + " on " + drives);
    if (!passOver.empty()) run.PassOver(passOver, "in use by another program");
    for (const auto& [where, why] : passOvers) run.PassOver(where, why);
    Walk(run, t);
  }
  void MapListedFiles(RunPass& run, const SearchTexts& t, const std::vector<std::string>&) override { Walk(run, t); }
  void Walk(RunPass& run, const SearchTexts& t) {
    const std::string &o = t.oldText, &n = t.newText;
    for (int i = 0; i < hits; ++i) {
      run.PumpCancelled();
      ChangeEntry entry{"C:\\x.ini", "", i + 1, ChangeKind::SettingsLine, o, n, ChangeOutcome::Changed, ""};
      if (!run.Chosen(entry)) continue;
      if (run.pass.FindsOnly()) {
        if (run.pass.IsPreview()) run.ui->ReportPreview({"C:\\x.ini", "", o, n});
        entry.outcome = ChangeOutcome::WouldChange;
      } else if (run.asking && run.asking->Asking()) {
        bool doNotStop = false;
        const Answer a = run.ui->Ask({"Setting Files", "C:\\x.ini", o, n}, doNotStop);
        if (doNotStop) run.asking->StopAsking();
        if (a == Answer::Cancel) {
          run.findings.tally.cancelled = true;
          return;
        }
        if (a == Answer::Skip) continue;
      }
      run.Record(entry);
    }
  }

  std::vector<UndoListEntry> listed{UndoListEntry(*UndoName::OfNumber(0), "12/7/2026 1:37:38 AM")};
  std::vector<UndoListEntry> Entries() override { return listed; }
  void SetAgeIndex(int) override {}
  void DeleteEntry(const UndoName& name) override { calls.push_back("delete " + name.Text()); }
  UndoOutcome outcome = Files(2);
  std::function<void(UndoProgress&)> undoing;  // what the undo tells of its progress
  UndoOutcome UndoEntry(const UndoName& name, bool force, UndoProgress* progress) override {
    calls.push_back((force ? "undo --force " : "undo ") + name.Text());
    if (undoing && progress) undoing(*progress);
    return outcome;
  }
  static UndoOutcome Files(int files) {
    UndoOutcome o;
    o.files = files;
    return o;
  }
  std::map<std::string, std::string> written;
  void WriteFile(const std::string& path, const std::string& bytes) override { written[path] = bytes; }
  std::string ReadFile(const std::string& path) override {
    const auto it = written.find(path);
    if (it == written.end()) throw Error("Cannot read report \"" + path + "\": The system cannot find the file specified.");
    return it->second;
  }
};

struct CliRun {
  int code;
  std::string out, err;
};

CliRun RunArgs(FakeServices& s, std::vector<std::string> args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  const int code = RunCli(args, s, in, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace

TEST(CliArgs, DefaultsAndRequests) {
  auto p = Parse({"map", "--find", "C:\\Old", "--replace", "D:\\New"});
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_TRUE(p.options->targets.registry && p.options->targets.settingsFiles && p.options->targets.shortcuts &&
              p.options->targets.configFiles);
  EXPECT_FALSE(p.options->targets.allFiles);
  EXPECT_FALSE(p.options->drives.has_value());

  // A list names every target the run takes: config only when named.
  p = Parse({"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "config"});
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_TRUE(p.options->targets.configFiles && p.options->targets.HasFileTargets());
  EXPECT_FALSE(p.options->targets.registry || p.options->targets.settingsFiles || p.options->targets.shortcuts);
  p = Parse({"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "registry,settings,shortcuts"});
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_FALSE(p.options->targets.configFiles);
  p = Parse({"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "configs"});
  EXPECT_FALSE(p.options);
  EXPECT_NE(p.error.find("config"), std::string::npos);

  p = Parse({"move", "C:\\Apps\\Tool\\", "D:\\Apps", "--targets", "settings,all", "--drives", "c,D:"});
  ASSERT_TRUE(p.options) << p.error;
  MappingRequest r = RequestOf(*p.options);
  EXPECT_EQ(r.Mode, RunMode::MoveAndMap);
  EXPECT_EQ(r.FindText, "C:\\Apps\\Tool");
  EXPECT_EQ(r.ReplaceText, "D:\\Apps\\Tool");
  EXPECT_TRUE(p.options->targets.registry);  // "all" is everything
  EXPECT_TRUE(p.options->targets.settingsFiles && p.options->targets.allFiles);
  EXPECT_EQ(*p.options->drives, (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(p.options->walkThreads, 0);  // one per processor
  p = Parse({"move", "C:\\Apps\\Tool\\", "D:\\Apps", "--walk-threads", "1"});
  ASSERT_TRUE(p.options) << p.error;
  EXPECT_EQ(p.options->walkThreads, 1);

  p = Parse({"switch", "c", "D:\\"});
  ASSERT_TRUE(p.options);
  r = RequestOf(*p.options);
  EXPECT_EQ(r.FindText, "c:\\");
  EXPECT_EQ(r.ReplaceText, "D:\\");

  p = Parse({"undo", "run", "Undo00003"});
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->command, CliCommand::UndoRun);
  p = Parse({"undo", "delete", "UNDO00042"});
  ASSERT_TRUE(p.options);
  EXPECT_EQ(p.options->undoName->Text(), "Undo00042");
}

TEST(CliArgs, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"map", "--find", "x"},
      {"map", "--find", "", "--replace", "y"},
      {"map", "--find", "x", "--replace", "y", "--targets", "registry,disk"},
      {"map", "--find", "x", "--replace", "y", "--drives", "CD"},
      {"map", "--find", "x", "--replace", "y", "--bogus"},
      {"move", "C:\\A"},
      {"move", "Apps\\Tool", "D:\\Apps"},
      {"move", "C:\\", "D:\\Apps"},
      {"switch", "C", "DD"},
      {"switch", "C", "D", "--verify"},
      {"undo"},
      {"undo", "run", "Undo3"},
      {"undo", "run", "Undo00003.zip"},
      {"undo", "delete", "..\\Undo00001"},
      {"undo", "list", "--preview"},
      {"move", "C:\\A", "D:\\B", "--find", "x"},
      {"map", "--find", "x", "--replace", "y", "--walk-threads", "0"},
      {"map", "--find", "x", "--replace", "y", "--walk-threads", "9"},
      {"map", "--find", "x", "--replace", "y", "--walk-threads", "-1"},
      {"map", "--find", "x", "--replace", "y", "--walk-threads"},
      {"apply", "r.log", "--walk-threads", "2"},
  };
  for (const auto& args : bad) {
    auto p = ParseCommandLine(args);
    EXPECT_FALSE(p.options) << (args.empty() ? "(none)" : args[0]) << " " << args.size();
    EXPECT_FALSE(p.error.empty());
  }
}

TEST(Cli, MapRunsTheWalkAndPrintsTheEndPage) {
  FakeServices s;
  CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings"});
  EXPECT_EQ(r.code, kExitFinished) << r.err;
  EXPECT_EQ(s.calls, (std::vector<std::string>{"ini C:\\Old > D:\\New on CD"}));
  EXPECT_EQ(r.out, "Ostrivane has finished\n3 links were remapped\n");

  s.calls.clear();
  r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--drives", "A"});
  EXPECT_EQ(s.calls, (std::vector<std::string>{"reg a > b", "ini a > b on A"}));

  r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--drives", "Q"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("Drive Q: is not present."), std::string::npos);

  // A usage error names what was wrong and shows the commands, not the whole help.
  r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--bogus"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_EQ(r.err, "ostrivane-cli: Unknown option --bogus.\n" + UsageSynopsis() + "Give --help for every option.\n");
  EXPECT_EQ(RunArgs(s, {"--help"}).out, UsageText());

  // A place the run could not change is counted, named with its reason and
  // keeps a script from taking the run for complete.
  s.passOver = "C:\\Locked\\app.ini";
  r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings"});
  EXPECT_EQ(r.code, kExitPartly);
  EXPECT_EQ(r.out, "Ostrivane has finished\n3 links were remapped\n1 place could not be changed\n");
  // The apply's progress line, then the place passed over.
  EXPECT_EQ(r.err, "Changing files | 0 of 3 links remapped\nin use by another program (1):\n  C:\\Locked\\app.ini\n");
}

// "all" is everything, the registry included; what a run passes over is
// counted by reason on the console, with the first few places of each.
TEST(Cli, AllMeansEveryTargetAndPassedOverPlacesAreCountedByReason) {
  const CliParse all = Parse({"map", "--find", "a", "--replace", "b", "--targets", "all"});
  ASSERT_TRUE(all.options);
  const Targets& t = all.options->targets;
  EXPECT_TRUE(t.registry && t.settingsFiles && t.shortcuts && t.configFiles && t.allFiles);
  FakeServices s;
  for (int i = 0; i < 5; ++i) s.passOvers.push_back({"C:\\Sys\\f" + std::to_string(i) + ".dat", "cannot be read: access denied"});
  s.passOvers.push_back({"C:\\P\\tool.exe", "binary data: not rewritten"});
  const CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "all"});
  EXPECT_EQ(s.calls, (std::vector<std::string>{"reg C:\\Old > D:\\New", "ini C:\\Old > D:\\New on CD"}));
  EXPECT_EQ(r.code, kExitPartly);
  EXPECT_NE(r.out.find("6 places could not be changed\n"), std::string::npos) << r.out;
  const std::string tail = "cannot be read: access denied (5):\n  C:\\Sys\\f0.dat\n  C:\\Sys\\f1.dat\n  C:\\Sys\\f2.dat\n"
                           "  ... and 2 more\nbinary data: not rewritten (1):\n  C:\\P\\tool.exe\n";
  ASSERT_GE(r.err.size(), tail.size());
  EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << r.err;
}

// Run by a deployment tool as the system account, the run says first whose
// registry it reaches and where its records go; stdout stays the change list.
TEST(Cli, AsTheSystemAccountTheFirstLinesSaySo) {
  FakeServices s;
  s.asSystem = true;
  const CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--json"});
  EXPECT_EQ(r.code, kExitFinished) << r.err;
  EXPECT_EQ(r.err.rfind("Running as the system account: HKEY_CURRENT_USER is the system's own registry; every "
                        "user's registry is searched under HKEY_USERS, the hives of users who are not logged on "
                        "loaded for the run.\nUndo records are kept in C:\\Ost\\\n",
                        0),
            0u)
      << r.err;
  EXPECT_EQ(r.out.rfind("{", 0), 0u) << r.out;
  s.asSystem = false;
  EXPECT_EQ(RunArgs(s, {"map", "--find", "a", "--replace", "b"}).err.find("system account"), std::string::npos);
}

TEST(Cli, VerifyAsksOnTheConsole) {
  FakeServices s;
  // Replace, then an unknown answer asked again, then Skip, then Replace.
  CliRun r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--targets", "settings", "--verify"}, "r\nx\ns\nR\n");
  EXPECT_EQ(r.code, kExitFinished);
  EXPECT_NE(r.err.find("Change String From:"), std::string::npos);
  EXPECT_NE(r.out.find("2 links were remapped"), std::string::npos);

  // "do not ask again" stops the questions.
  r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--targets", "settings", "--verify"}, "a\n");
  EXPECT_NE(r.out.find("3 links were remapped"), std::string::npos);

  // Cancel, and a closed input, end the run as cancelled.
  for (const char* input : {"c\n", ""}) {
    r = RunArgs(s, {"map", "--find", "a", "--replace", "b", "--targets", "settings", "--verify"}, input);
    EXPECT_EQ(r.code, kExitCancelled);
    EXPECT_EQ(r.out, "Process Cancelled\n0 links were remapped\nThe run was cancelled before it changed anything.\n");
  }
}

TEST(Cli, PreviewListsChangesAndProgressIsThrottled) {
  FakeServices s;
  CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings", "--preview"});
  EXPECT_EQ(r.code, kExitFinished);
  EXPECT_EQ(r.out.find("C:\\x.ini: C:\\Old -> D:\\New\n"), 0u);
  EXPECT_NE(r.out.find("The preview is finished: nothing was changed\n3 links would be remapped\n"), std::string::npos);
  // The fake clock moves 50 ms a pump: a progress line at most every 200 ms.
  int lines = 0;
  for (char c : r.err) lines += c == '\n';
  EXPECT_LE(lines, 1);
}

// A long apply tells its pace and the time left, to a person at a console
// only: a log or a script gets lines that stay the same.
TEST(Cli, TheProgressLineTellsThePaceAndTimeLeftOnlyWhereAPersonWatches) {
  for (bool terminal : {true, false}) {
    Findings findings;
    findings.applyGoal = 1000;
    std::int64_t now = 0;
    std::istringstream in;
    std::ostringstream out, err;
    ConsoleUi ui(findings, in, out, err, [&now] { return now; });
    ui.ShowPace(terminal);
    ui.ShowProgress();
    ui.ShowPhase("Changing the registry");
    ui.StartProgressTimer();
    for (int i = 0; i < 12; ++i) {  // 10 changes each 250 ms: 40 a second
      now += 250;
      findings.tally.linkCount += 10;
      ui.Pump();
    }
    const std::string last = err.str().substr(err.str().rfind("Changing the registry"));
    if (terminal)
      EXPECT_EQ(last, "Changing the registry | 120 of 1000 links remapped | 40 a second, about 0:22 left\n");
    else
      EXPECT_EQ(last, "Changing the registry | 120 of 1000 links remapped\n");
  }
  Pace pace;
  pace.Note(0, 0);
  pace.Note(500, 600);
  EXPECT_EQ(PaceText(pace, 600, 0, "places"), "");  // not yet a second: no pace guessed
  pace.Note(2000, 2500);
  EXPECT_EQ(PaceText(pace, 2500, 0, "places"), "1,250 places a second");
  pace.Note(2500, 10);  // a new count starts the measure again
  EXPECT_FALSE(pace.PerSecond());
  EXPECT_EQ(ClockText(3723), "1:02:03");
}

// A detection script learns from the status alone whether a run is due.
TEST(Cli, PreviewExitCodeTellsWhetherAnythingWouldChange) {
  FakeServices s;
  const auto preview = [&s](std::vector<std::string> args) {
    args.insert(args.end(), {"--targets", "settings", "--preview", "--exit-code"});
    return RunArgs(s, args);
  };
  const std::vector<std::string> map = {"map", "--find", "C:\\Old", "--replace", "D:\\New"};
  CliRun r = preview(map);
  EXPECT_EQ(r.code, kExitWouldChange);
  EXPECT_NE(r.out.find("3 links would be remapped"), std::string::npos);
  s.passOver = "C:\\Locked\\app.ini";
  EXPECT_EQ(preview(map).code, kExitWouldChange) << "changes to make come first";

  s.hits = 0;
  EXPECT_EQ(preview(map).code, kExitPartly) << "nothing found, but not everything could be read";
  s.passOver.clear();
  EXPECT_EQ(preview(map).code, kExitFinished);
  EXPECT_EQ(preview({"move", "C:\\Tool", "D:\\Apps"}).code, kExitWouldChange) << "the move itself is a change";

  s.hits = 3;
  EXPECT_EQ(RunArgs(s, {"map", "--find", "a", "--replace", "b", "--preview"}).code, kExitFinished) << "only when asked";
  EXPECT_EQ(RunArgs(s, {"map", "--find", "a", "--replace", "b", "--exit-code"}).code, kExitUsage);
  EXPECT_EQ(RunArgs(s, {"undo", "list", "--exit-code"}).code, kExitUsage);
}

TEST(Cli, JsonLinesAloneOnStdoutAndTheReportWrittenAlsoForAPreview) {
  FakeServices s;
  s.passOver = "C:\\Locked\\app.ini";
  CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings", "--json",
                         "--report", "out.log", "--preview"});
  EXPECT_EQ(r.code, kExitPartly);
  std::istringstream lines(r.out);
  std::vector<std::string> json;
  for (std::string line; std::getline(lines, line);) json.push_back(line);
  ASSERT_EQ(json.size(), 5u) << r.out;
  for (const std::string& line : json) EXPECT_EQ(line.front(), '{');
  // The closing summary, last: what a deployment tool reads.
  EXPECT_EQ(json[4].rfind("{\"summary\":{\"command\":\"preview\",\"mode\":\"Map Only\",\"find\":\"C:\\\\Old\",", 0), 0u)
      << json[4];
  for (const char* field : {"\"targets\":\"settings\"", "\"undoEntry\":\"\"", "\"linksThatWouldChange\":3",
                            "\"placesPassedOver\":1", "\"placesSkipped\":0", "\"moved\":false",
                            "\"exitStatus\":4", "\"version\":\""})
    EXPECT_NE(json[4].find(field), std::string::npos) << field << " in " << json[4];
  EXPECT_NE(json[0].find("\"kind\":\"place\""), std::string::npos);
  EXPECT_NE(json[0].find("\"reason\":\"in use by another program\""), std::string::npos);
  EXPECT_NE(json[3].find("\"line\":3,"), std::string::npos);
  EXPECT_NE(json[3].find("\"outcome\":\"would change\""), std::string::npos);
  // The plain lines went to stderr.
  EXPECT_NE(r.err.find("3 links would be remapped"), std::string::npos);
  EXPECT_NE(r.err.find("C:\\x.ini: C:\\Old -> D:\\New"), std::string::npos);

  const ReadReport report = ReadChangeReport(s.written.at("out.log"));
  EXPECT_EQ(report.entries.size(), 4u);
  EXPECT_EQ(report.Field("Result"), "preview");
  EXPECT_EQ(report.Field("Find"), "C:\\Old");

  EXPECT_EQ(RunArgs(s, {"undo", "list", "--json"}).code, kExitUsage);
  EXPECT_EQ(RunArgs(s, {"undo", "delete", "Undo00000", "--json"}).code, kExitUsage);
  EXPECT_EQ(RunArgs(s, {"map", "--find", "a", "--replace", "b", "--report"}).code, kExitUsage);
}

// A preview's report, edited (a row left out, one deleted), applied: the
// rows still ticked are made, the others stay, the run ends like any run.
TEST(Cli, ApplyMakesWhatAnEditedPreviewReportStillTicks) {
  FakeServices s;
  ASSERT_EQ(RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings", "--drives", "D",
                        "--preview", "--report", "p.log"}).code, kExitFinished);
  std::string edited = s.written.at("p.log");
  const std::size_t row2 = edited.find("would change", edited.find("\t2\t"));
  edited.replace(row2, std::string("would change").size(), "left out");
  edited.erase(edited.find("C:\\x.ini\t\t3\t"));  // the last row deleted
  // What the search could not reach is said again by its apply.
  edited.insert(edited.find("\r\n\r\n") + 2, "Search note\tThe tasks could not be listed.\r\n");
  s.written["edited.log"] = edited;
  s.calls.clear();
  CliRun r = RunArgs(s, {"apply", "edited.log", "--report", "run.log"});
  EXPECT_EQ(r.code, kExitFinished) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\nThe tasks could not be listed.\n");
  // No search: the apply goes to the listed file alone.
  EXPECT_TRUE(s.calls.empty()) << s.calls[0];
  const ReadReport report = ReadChangeReport(s.written.at("run.log"));
  EXPECT_EQ(report.Field("Result"), "finished");
  EXPECT_EQ(report.Field("Drives"), "D:\\");
  EXPECT_EQ(report.Field("Targets"), "settings");
  EXPECT_EQ(report.Field(kSearchNoteRow), "The tasks could not be listed.");
  ASSERT_EQ(report.entries.size(), 3u);
  EXPECT_EQ(report.entries[0].outcome, ChangeOutcome::Changed);
  EXPECT_EQ(report.entries[1].outcome, ChangeOutcome::LeftOut);
  EXPECT_EQ(report.entries[2].outcome, ChangeOutcome::LeftOut);

  // Only a preview's report is applied, and what it asked is not asked again.
  r = RunArgs(s, {"apply", "run.log"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("Cannot apply run.log: it is the report of a run, not of a preview"), std::string::npos) << r.err;
  EXPECT_EQ(RunArgs(s, {"apply", "missing.log"}).code, kExitError);
  EXPECT_EQ(RunArgs(s, {"apply", "edited.log", "--targets", "registry"}).code, kExitUsage);
  EXPECT_EQ(RunArgs(s, {"apply"}).code, kExitUsage);
}

TEST(Cli, MoveFailureAndErrors) {
  FakeServices s;
  s.moveOk = false;
  CliRun r = RunArgs(s, {"move", "C:\\Gone", "D:\\Apps"});
  EXPECT_EQ(r.code, kExitCancelled);
  EXPECT_EQ(r.out, "Process Cancelled\nAll Files may not have been Moved\n0 links were remapped\n");
  EXPECT_NE(r.err.find("C:\\Gone does not exist.  Please correct."), std::string::npos);

  s.moveOk = true;
  r = RunArgs(s, {"move", "C:\\Apps\\Tool", "D:\\Apps", "--targets", "settings"});
  EXPECT_EQ(r.code, kExitFinished);
  EXPECT_EQ(s.calls.back().rfind("ini C:\\Apps\\Tool > D:\\Apps\\Tool", 0), 0u);
  EXPECT_NE(r.out.find("The files were successfully moved and\n"), std::string::npos);

  // A destination or a new place no path could be: refused before anything is moved or walked.
  const std::size_t calls = s.calls.size();
  r = RunArgs(s, {"move", "C:\\Apps\\Tool", "D:\\A|pps"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("holds the character | (vertical bar)"), std::string::npos) << r.err;
  r = RunArgs(s, {"map", "--find", "C:\\W6Svc", "--replace", "D:\\a\"b"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("The new place D:\\a\"b holds the character \" (quotation mark)"), std::string::npos) << r.err;
  EXPECT_EQ(s.calls.size(), calls);
}

TEST(Cli, WhatRunsFromTheItemStopsTheMoveUnlessItsServicesMayBeStopped) {
  FakeServices s;
  s.system.programs = {{"C:\\W3Run2\\other.exe", 4}, {"C:\\W3Run\\w3sleeper.exe", 1234}};
  CliRun r = RunArgs(s, {"move", "C:\\W3Run", "D:\\", "--stop-services"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(r.err, "Programs or services run from C:\\W3Run:\n  C:\\W3Run\\w3sleeper.exe (process 1234)\n"
                   "Nothing was moved.  Close the programs (Ostrivane never ends them), then run the command again.\n");
  EXPECT_EQ(r.out, "Process Cancelled\nNothing was moved\n0 links were remapped\n"
                   "Nothing was moved: programs or services run from C:\\W3Run.\n");
  EXPECT_TRUE(s.calls.empty());

  // A service: named, and stopped only when --stop-services allows it.
  s.system.programs = {{"C:\\W3Run\\svc.exe", 77}};
  s.system.services = {{"W3Sleeper", "W3 Sleeper", "", true, 77}};
  // Its path is the registry's, which the registry walk points to the new place.
  s.system.commandLineNow = [&s](const std::string&) {
    for (const std::string& c : s.calls)
      if (c.rfind("reg ", 0) == 0) return std::string("\"D:\\W3Run\\svc.exe\" -run");
    return std::string("\"C:\\W3Run\\svc.exe\" -run");
  };
  r = RunArgs(s, {"move", "C:\\W3Run", "D:\\"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("  W3 Sleeper (service W3Sleeper, running)\nNothing was moved.  Stop the services, or give "
                       "--stop-services"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(s.calls.empty());
  EXPECT_TRUE(s.system.calls.empty());

  // Stopped, moved, started again from the new place; also when the run is cancelled after the registry walk.
  for (const char* answer : {"a\n", "c\n"}) {
    s.calls.clear();
    s.system.calls.clear();
    s.system.services[0] = {"W3Sleeper", "W3 Sleeper", "", true, 77};
    s.system.programs = {{"C:\\W3Run\\svc.exe", 77}};
    r = RunArgs(s, {"move", "C:\\W3Run", "D:\\", "--stop-services", "--verify"}, answer);
    EXPECT_EQ(r.code, answer[0] == 'a' ? kExitFinished : kExitCancelled) << r.err;
    EXPECT_EQ(s.system.calls, (std::vector<std::string>{"stop W3Sleeper", "start W3Sleeper"}));
    ASSERT_GE(s.calls.size(), 2u);
    EXPECT_EQ(s.calls[0], "move C:\\W3Run > D:\\W3Run");
    EXPECT_NE(r.out.find("The service W3 Sleeper (W3Sleeper) was stopped for the move and started again from "
                         "D:\\W3Run.\n"),
              std::string::npos)
        << r.out;
  }

  // One that will not stop: named, nothing moved.
  s.calls.clear();
  s.system.calls.clear();
  s.system.services[0] = {"W3Sleeper", "W3 Sleeper", "", true, 77};
  s.system.stopFailure["W3Sleeper"] = "It did not stop within 30 seconds.";
  r = RunArgs(s, {"move", "C:\\W3Run", "D:\\", "--stop-services"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("The service W3 Sleeper (W3Sleeper) could not be stopped: It did not stop within 30 seconds.  "
                       "Nothing was moved."),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(s.calls.empty());

  EXPECT_EQ(RunArgs(s, {"map", "--find", "a", "--replace", "b", "--stop-services"}).code, kExitUsage);
}

// A long undo says which step it is in and how far it got, at most five
// lines a second (the fake clock moves 50 ms a reading), with the pace only
// where a person watches; a short one says nothing.
TEST(Cli, AnUndoTellsItsStepAndCount) {
  for (bool terminal : {true, false}) {
    FakeServices s;
    s.terminal = terminal;
    s.undoing = [](UndoProgress& p) {
      p.Begin(UndoStep::RestoreFiles);
      p.Done(0, 1, "C:\\App\\app.ini");
      p.Begin(UndoStep::RestoreRegistry);
      for (std::size_t i = 0; i < 100; ++i) p.Done(i, 1000, "HKEY_CURRENT_USER\\Software\\App");
    };
    const CliRun r = RunArgs(s, {"undo", "run", "Undo00000"});
    EXPECT_EQ(r.out, "2 files restored.  Undo has completed\n");
    EXPECT_EQ(r.err.find("app.ini"), std::string::npos) << "too short to be shown: " << r.err;
    EXPECT_NE(r.err.find("Restoring the registry | HKEY_CURRENT_USER\\Software\\App | 3 of 1,000 backup lines\n"),
              std::string::npos)
        << r.err;
    int lines = 0;
    for (char c : r.err) lines += c == '\n';
    EXPECT_EQ(lines, 25) << r.err;
    const std::string last = r.err.substr(r.err.rfind("Restoring"));
    EXPECT_EQ(last, terminal ? "Restoring the registry | HKEY_CURRENT_USER\\Software\\App | 99 of 1,000 backup lines | "
                               "20 a second, about 0:45 left\n"
                             : "Restoring the registry | HKEY_CURRENT_USER\\Software\\App | 99 of 1,000 backup lines\n");
  }
}

TEST(Cli, UndoCommands) {
  FakeServices s;
  EXPECT_EQ(RunArgs(s, {"undo", "list"}).out, "Undo00000 - 12/7/2026 1:37:38 AM\n");
  CliRun undone = RunArgs(s, {"undo", "run", "Undo00000"});
  EXPECT_EQ(undone.out, "2 files restored.  Undo has completed\n");
  EXPECT_EQ(undone.code, kExitFinished);
  // An undo that could not bring everything back does not end as finished.
  s.outcome = FakeServices::Files(1);
  s.outcome.result = UndoResult::Partly;
  s.outcome.problems = {"C:\\B was not moved back"};
  undone = RunArgs(s, {"undo", "run", "Undo00000"});
  EXPECT_EQ(undone.out, "1 files restored.  Undo has completed\nNot everything could be undone:\nC:\\B was not moved back\n");
  EXPECT_EQ(undone.code, kExitError);
  // With --json the words go to stderr and stdout holds the summary alone.
  s.outcome.values = 2;
  s.outcome.tasks = 4;
  s.outcome.already = 3;
  undone = RunArgs(s, {"undo", "run", "Undo00000", "--json"});
  EXPECT_EQ(undone.code, kExitError);
  EXPECT_EQ(undone.err, "1 files restored.  Undo has completed\n2 registry values restored.\n4 scheduled tasks restored.\n"
                        "3 places were already as before the run.\nNot everything could be undone:\nC:\\B was not moved back\n");
  EXPECT_EQ(undone.out.rfind("{\"summary\":{\"command\":\"undo run\",\"undoEntry\":\"Undo00000\",\"filesRestored\":1,"
                             "\"valuesRestored\":2,\"keysRestored\":0,\"tasksRestored\":4,\"movedBack\":false,\"heldBack\":false,\"alreadyAsBefore\":3,"
                             "\"left\":[\"C:\\\\B was not moved back\"],\"exitStatus\":3,\"version\":\"",
                             0),
            0u)
      << undone.out;
  // The status comes from what the undo did, never from its words: a note
  // that happens to read like a failure leaves a complete undo complete.
  s.outcome = FakeServices::Files(1);
  s.outcome.notes = {"C:\\Not everything could be undone:.ini, a temporary file, was removed."};
  EXPECT_EQ(RunArgs(s, {"undo", "run", "Undo00000"}).code, kExitFinished);
  // Held back before any change: exit 3, and what --force would do is said.
  s.outcome = UndoOutcome{};
  s.outcome.result = UndoResult::HeldBack;
  s.outcome.movedItem = "D:\\A";
  s.outcome.home = "C:\\A";
  s.outcome.changed = {"C:\\a.ini was changed after the run"};
  undone = RunArgs(s, {"undo", "run", "Undo00000"});
  EXPECT_EQ(undone.code, kExitError);
  EXPECT_EQ(undone.out.rfind("Nothing was undone: D:\\A would go back to C:\\A, but", 0), 0u) << undone.out;
  EXPECT_NE(undone.out.find("Give --force to undo it all the same"), std::string::npos) << undone.out;
  // The list is made from the entries: the placeholder when there is none.
  s.listed.front().mode = RunMode::SwitchDrives;
  s.listed.front().find = "D:";
  s.listed.front().replace = "E:";
  s.listed.front().state = UndoState::PartlyUndone;
  s.listed.front().undoneAt = "12/8/2026 9:05 AM";
  EXPECT_EQ(RunArgs(s, {"undo", "list"}).out,
            "Undo00000 - 12/7/2026 1:37:38 AM - Switch Drives: D: <-> E: - undone 12/8/2026 9:05 AM\n");
  const std::vector<UndoListEntry> listed = s.listed;
  s.listed.clear();
  EXPECT_EQ(RunArgs(s, {"undo", "list"}).out, "No Changes to Undo\n");
  s.listed = listed;
  EXPECT_EQ(RunArgs(s, {"undo", "delete", "Undo00000"}).code, kExitFinished);
  EXPECT_EQ(s.calls.back(), "delete Undo00000");
  CliRun r = RunArgs(s, {"undo", "delete", "Undo00001"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(r.err, "There is no undo entry Undo00001.\n");
  r = RunArgs(s, {"--help"});
  EXPECT_EQ(r.code, kExitFinished);
  EXPECT_NE(r.out.find("Usage:"), std::string::npos);
  EXPECT_EQ(RunArgs(s, {}).code, kExitUsage);
  // Nothing to change: refused before anything is asked of the services.
  const std::size_t calls = s.calls.size();
  r = RunArgs(s, {"map", "--find", "C:\\Same", "--replace", "C:\\Same"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_EQ(r.err.rfind("ostrivane-cli: The text to find and the text to replace it with are the same (C:\\Same): "
                        "there is nothing to change.\nUsage:", 0),
            0u)
      << r.err;
  EXPECT_EQ(s.calls.size(), calls);
}

// A move no run may make: its rule alone on stderr, the error status, and
// nothing moved or searched.
TEST(Cli, AMoveTheRailsRefuseSaysItsRuleAndDoesNothing) {
  struct Known : KnownFolders {
    ProtectedPlaces Places() override {
      ProtectedPlaces p;
      p.windows = "C:\\Windows";
      return p;
    }
  } known;
  GuardRails guard(known);
  FakeServices s;
  s.guard = &guard;
  const CliRun r = RunArgs(s, {"move", "C:\\Windows\\Fonts", "D:\\Saved"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(r.err, "C:\\Windows\\Fonts is left where it is: the Windows folder and everything in it stay in place.\n");
  EXPECT_TRUE(s.calls.empty());
}

TEST(Cli, MissingRightsStopBeforeAnyChangeUnlessPartialIsAllowed) {
  FakeServices s;
  s.rights.lockedMachine = true;
  CliRun r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("  - registry values under HKEY_LOCAL_MACHINE\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--allow-partial"), std::string::npos);
  EXPECT_TRUE(s.calls.empty());
  EXPECT_FALSE(s.partsMade) << "the run's parts are not even made";

  // Looking changes nothing; a run that does not touch the registry needs nothing.
  EXPECT_EQ(RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--preview"}).code, kExitFinished);
  EXPECT_EQ(RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings"}).code,
            kExitFinished);
  s.calls.clear();
  r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--allow-partial"});
  EXPECT_EQ(r.code, kExitFinished);
  EXPECT_NE(r.err.find("HKEY_LOCAL_MACHINE"), std::string::npos) << "still warned";
  EXPECT_EQ(s.calls.size(), 2u);

  // Without a records folder it can write, nothing runs even so.
  s.calls.clear();
  s.rights.recordsLocked = true;
  r = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--allow-partial"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_TRUE(s.calls.empty());
  EXPECT_EQ(RunArgs(s, {"undo", "list", "--allow-partial"}).code, kExitUsage);

  // Records from a folder others may change are refused, saying why.
  s.rights.recordsLocked = false;
  s.refusal = EngineRefusal{RefusalReason::RecordsCopyOpenToOthers, "C:\\Ost", ""};
  r = RunArgs(s, {"undo", "run", "Undo00000"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_EQ(r.err.rfind("Ostrivane runs with administrator rights and will not use the undo records in C:\\Ost: ", 0), 0u)
      << r.err;
}

namespace {
// Every line of --json, the summary last, as a deployment tool's JSON reader
// takes them: Python's json module reads each, and the summary's exit status
// is the program's own.
TEST(Cli, PythonReadsEveryJsonLineAndTheSummaryLast) {
  if (std::system("python3 -c pass >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  FakeServices s;
  s.passOver = "C:\\Locked\\\"quoted\" \xC3\xA9.ini";
  const CliRun run = RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\N\xC3\xA9w", "--json"});
  s.outcome = FakeServices::Files(2);
  s.outcome.already = 1;
  s.outcome.movedBack = true;
  s.outcome.result = UndoResult::Partly;
  s.outcome.changed = {"C:\\a.ini was changed after the run\tleft"};
  const CliRun undone = RunArgs(s, {"undo", "run", "Undo00000", "--json"});
  const std::string dir = ::testing::TempDir();
  const std::string lines = dir + "ostrivane-summary-" + std::to_string(::getpid()) + ".jsonl";
  FILE* f = std::fopen(lines.c_str(), "wb");
  std::fputs((run.out + undone.out).c_str(), f);
  std::fclose(f);
  const std::string check =
      "import json,sys\n"
      "rows=[json.loads(l) for l in open(sys.argv[1],encoding='ascii')]\n"
      "sums=[r['summary'] for r in rows if 'summary' in r]\n"
      "assert len(sums)==2 and 'summary' in rows[-1], rows\n"
      "assert sums[0]['exitStatus']==" + std::to_string(run.code) + " and sums[0]['replace']=='D:\\\\N\\u00e9w', sums[0]\n"
      "assert sums[0]['placesPassedOver']==1 and sums[0]['mode']=='Map Only', sums[0]\n"
      "assert sums[1]['exitStatus']==" + std::to_string(undone.code) + " and sums[1]['movedBack'] is True, sums[1]\n"
      "assert sums[1]['left']==['C:\\\\a.ini was changed after the run\\tleft'], sums[1]\n";
  EXPECT_EQ(std::system(("python3 -c \"$(cat <<'PY'\n" + check + "PY\n)\" " + lines).c_str()), 0) << run.out << undone.out;
  std::remove(lines.c_str());
}
}  // namespace

// The same report as a spreadsheet saves it: "Unicode Text", short rows
// padded with empty cells, an Outcome typed by hand. A row it cannot read
// stops the apply before anything is made, and is named.
TEST(Cli, ApplyReadsAReportSavedByASpreadsheetAndRefusesARowItCannotRead) {
  FakeServices s;
  ASSERT_EQ(RunArgs(s, {"map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "settings", "--drives", "D",
                        "--preview", "--report", "p.log"}).code, kExitFinished);
  const std::string preview = s.written.at("p.log").substr(3);
  std::string padded;
  for (std::size_t at = 0; at < preview.size();) {
    const std::size_t end = preview.find("\r\n", at);
    std::string row = preview.substr(at, end - at);
    row.append(7 - std::count(row.begin(), row.end(), '\t'), '\t');
    padded += row + "\r\n";
    at = end + 2;
  }
  const std::size_t row2 = padded.find("would change", padded.find("\t2\t"));
  const auto saved = [&](const std::string& outcome) {
    std::string edited = padded;
    edited.replace(row2, std::string("would change").size(), outcome);
    return "\xFF\xFE" + Utf16LeBytesFromUtf8(edited);
  };

  s.written["typo.txt"] = saved("skip");
  s.calls.clear();
  CliRun r = RunArgs(s, {"apply", "typo.txt"});
  EXPECT_EQ(r.code, kExitError);
  EXPECT_NE(r.err.find("Cannot apply typo.txt: its row 17 has the Outcome \"skip\""), std::string::npos) << r.err;
  EXPECT_TRUE(s.calls.empty());

  s.written["edited.txt"] = saved(" Left Out");
  r = RunArgs(s, {"apply", "edited.txt"});
  EXPECT_EQ(r.code, kExitFinished) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n2 links were remapped\n");
}
