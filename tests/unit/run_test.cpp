#include <gtest/gtest.h>

#include <tuple>

#include "engine/MappingRun.h"
#include "engine/Progress.h"
#include "engine/UndoProgress.h"
#include "core/Error.h"
#include "engine/ChangeReport.h"
#include "engine/WrittenRecord.h"
#include "support/FakeFileSystem.h"
#include "support/FakeOccurrences.h"
#include "support/FakeUi.h"
#include "support/TestRun.h"

namespace {
// Records every call the run makes into the other subsystems, in order.
struct Recorder : UndoNumbers, ItemMover, BackupArchive, RegistryMapper, FileMapper, ShortNames, RunLock {
  Recorder() { records.AddFolder("C:\\Ost"); }
  FakeFileSystem records;
  WrittenRecord written{records};
  std::vector<std::string> calls;
  int nextNumber = 0;
  bool moveSucceeds = true;
  bool lockFree = true;
  // Links each walk pass adds, keyed by "reg A>B" / "ini A>B".
  std::map<std::string, int> linksPerPass;

  int NextUndoNumber() override {
    calls.push_back("undo next");
    return nextNumber;
  }
  void RebuildList() override { calls.push_back("undo refresh"); }
  bool MoveDir(RunPass&, const std::string& s, const std::string& d) override {
    calls.push_back("move " + s + ">" + d);
    if (moveSucceeds) movedAway = s;
    return moveSucceeds;
  }
  void SetArchiveName(const std::string& p) override { calls.push_back("archive " + p); }
  void FindReplaceProcess(RunPass& run, const SearchTexts& t) override {
    const std::string key = "reg " + t.oldText + ">" + t.newText;
    calls.push_back(key + " (" + t.oldShort + "," + t.newShort + ")");
    Find(run, key, true);
  }
  void MapKeys(RunPass& run, const SearchTexts& t, const std::vector<std::string>& keys) override {
    applied.insert(applied.end(), keys.begin(), keys.end());
    Find(run, "reg " + t.oldText + ">" + t.newText, true);
  }
  void MapFiles(RunPass& run, const SearchTexts& t) override {
    rules.push_back(t.rule);
    const std::string key = "ini " + t.oldText + ">" + t.newText;
    calls.push_back(key);
    Find(run, key, false);
    if (filePass) filePass(run, t);
  }
  void MapListedFiles(RunPass& run, const SearchTexts& t, const std::vector<std::string>& paths) override {
    applied.insert(applied.end(), paths.begin(), paths.end());
    Find(run, "ini " + t.oldText + ">" + t.newText, false);
    if (filePass) filePass(run, t);
  }
  // The occurrences a pass finds, one per link, recorded as a walk records
  // them; an apply meets them again.
  void Find(RunPass& run, const std::string& key, bool registry) {
    RecordFakeOccurrences(run, key, registry, linksPerPass[key]);
  }

  std::vector<std::string> applied;  // the places each apply went to
  std::function<void(RunPass&, const SearchTexts&)> filePass;  // what a file pass finds
  std::string ShortFileName(const std::string& p) override { return "short(" + p + ")"; }
  // Once an item has moved away, only a form built by the naming rule is left.
  std::string SearchShortForm(const std::string& p) override {
    if (p == plainName) return "";
    return (p == movedAway ? "built(" : "short(") + p + ")";
  }
  std::string movedAway;
  std::string plainName;  // a path that is its own short form
  std::vector<MatchRule> rules;  // of each file pass
  bool TryAcquire() override { return lockFree; }
  void Release() override { calls.push_back("unlock"); }
};

// Every part of a run, the lock too, from one recorder.
RunParts PartsOf(Recorder& r) {
  return {.undo = r, .mover = r, .archive = r, .registry = r, .files = r, .shortNames = r,
          .records = r.records, .written = r.written, .optionalLock = &r};
}

class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    ctx.ui = &ui;
    ctx.recordsFolder = "C:\\Ost\\";
  }
  void Start(RunMode mode, const std::string& find, const std::string& replace) {
    ctx.request.Mode = mode;
    ctx.request.FindText = find;
    ctx.request.ReplaceText = replace;
    ctx.Run(PartsOf(rec));
  }
  TestRun ctx;
  FakeUi ui;
  Recorder rec;
};
}  // namespace

// The message behind the end page's "Show": each place once, even where the
// system's failure quotes it again; a reason without it stays whole.
TEST(PassedOverListTest, NamesEachPlaceOnce) {
  TestRun ctx;
  ctx.PassOver("C:\\App\\locked.ini", "Cannot write \"C:\\App\\locked.ini\": The process cannot access the file.");
  ctx.PassOver("C:\\App\\a.ini", "Cannot write \"C:\\App\\a.ini.bak\": access denied");
  ctx.PassOver("HKEY_CURRENT_USER\\Software\\Acme", "the key could not be opened");
  EXPECT_EQ(PassedOverList(ctx),
            "C:\\App\\locked.ini: Cannot write: The process cannot access the file.\n"
            "C:\\App\\a.ini: Cannot write \"C:\\App\\a.ini.bak\": access denied\n"
            "HKEY_CURRENT_USER\\Software\\Acme: the key could not be opened\n");
  EXPECT_EQ(PassedOverList(ctx, 1), "C:\\App\\locked.ini: Cannot write: The process cannot access the file.\n... and 2 more.\n");
}

TEST_F(RunTest, MapOnlyCallsRegistryThenFilesWithShortForms) {
  rec.nextNumber = 7;
  Start(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.undoName, "");  // it changed nothing: it leaves no entry, and no name
  const std::vector<std::string> want = {"undo next", "archive C:\\Ost\\Undo00007.zip",
                                         "reg C:\\Old>D:\\New (short(C:\\Old),short(D:\\New))", "ini C:\\Old>D:\\New",
                                         "undo refresh", "unlock"};
  EXPECT_EQ(rec.calls, want);
  EXPECT_FALSE(ctx.tally.cancelled);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"busy", "show", "timer on", "timer off", "normal", "close"}));
  EXPECT_FALSE(ctx.running);
}

// Replacing an old short reference by nothing would leave "\run.exe" behind.
TEST_F(RunTest, ANewTextWithoutAShortFormOfItsOwnStandsForItself) {
  rec.plainName = "D:\\New";
  Start(RunMode::MapOnly, "C:\\Old Long", "D:\\New");
  EXPECT_EQ(rec.calls[2], "reg C:\\Old Long>D:\\New (short(C:\\Old Long),D:\\New)");
  rec.calls.clear();
  rec.plainName = "C:\\Old";
  Start(RunMode::MapOnly, "C:\\Old", "D:\\New Long");
  EXPECT_EQ(rec.calls[2], "reg C:\\Old>D:\\New Long (,short(D:\\New Long))");
}

TEST_F(RunTest, TargetsChooseTheWalks) {
  ctx.targets = {false, false, true, false, false};
  Start(RunMode::MapOnly, "a", "b");
  EXPECT_EQ(rec.calls[2], "ini a>b");
  rec.calls.clear();
  ctx.targets = {true, false, false, false, false};
  Start(RunMode::MapOnly, "a", "b");
  EXPECT_EQ(rec.calls[2].rfind("reg a>b", 0), 0u);
  EXPECT_EQ(rec.calls[3], "undo refresh");
  rec.calls.clear();
  ctx.targets = {false, false, false, false, false};
  Start(RunMode::MapOnly, "a", "b");
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"undo next", "archive C:\\Ost\\Undo00000.zip", "undo refresh", "unlock"}));
}

// Both drives in one pass, the preview's as the run's: nothing is written
// that a later pass would have to find again.
TEST_F(RunTest, SwitchExchangesBothDrivesInOnePassAsItsPreviewShows) {
  std::vector<bool> exchanges;
  rec.filePass = [&](RunPass&, const SearchTexts& t) { exchanges.push_back(t.exchange); };
  rec.linksPerPass["reg C:\\>D:\\"] = 2;
  rec.linksPerPass["ini C:\\>D:\\"] = 1;
  for (bool preview : {true, false}) {
    rec.calls.clear();
    ctx.preview = preview;
    Start(RunMode::SwitchDrives, "C:\\", "D:\\");
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"undo next", "archive C:\\Ost\\Undo00000.zip",
                                                   "reg C:\\>D:\\ (,)", "ini C:\\>D:\\", "undo refresh",
                                                   "unlock"}));
    EXPECT_EQ(ctx.tally.linkCount, 3);
  }
  // The run applies at the places its own search found.
  EXPECT_EQ(rec.applied, (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Fake", "C:\\Fake.ini"}));
  EXPECT_EQ(exchanges, (std::vector<bool>{true, true, true}));
}

TEST_F(RunTest, MoveAndMapMovesFirst) {
  Start(RunMode::MoveAndMap, "C:\\Apps\\Tool", "D:\\Apps\\Tool");
  EXPECT_EQ(rec.calls[1], "move C:\\Apps\\Tool>D:\\Apps\\Tool");
  EXPECT_EQ(rec.calls[2], "archive C:\\Ost\\Undo00000.zip");
  // The item's own short form, asked while it was still in its old place.
  EXPECT_EQ(rec.calls[3], "reg C:\\Apps\\Tool>D:\\Apps\\Tool (short(C:\\Apps\\Tool),short(D:\\Apps\\Tool))");
  const EndPage page = EndPageOf(ctx.request.Mode, ctx);
  EXPECT_TRUE(page.finished);
  EXPECT_EQ(page.moveLine, "The files were successfully moved and");
  EXPECT_EQ(CancelledMoveLine(ctx.tally.move, ctx.preview), "All Files were Successfully Moved");
}

// Before the move the new place is not there: the preview neither says it
// moved anything nor shows a short form the move may not give it.
TEST_F(RunTest, AMovesPreviewNeitherSaysItMovedNorGuessesTheNewShortForm) {
  bool shortAfterMove = false;
  rec.filePass = [&](RunPass& run, const SearchTexts& t) {
    shortAfterMove = t.newShortAfterMove;
    const ChangeEntry e{"C:\\x.ini", "", 1, ChangeKind::SettingsLine, "p=" + t.oldShort, "p=" + t.newShort,
                        run.pass.FindsOnly() ? ChangeOutcome::WouldChange : ChangeOutcome::Changed, Spellings(t).NoteOn(true)};
    run.Record(e);
  };
  ctx.preview = true;
  Start(RunMode::MoveAndMap, "C:\\Apps\\Tool", "D:\\Apps\\Tool");
  EXPECT_EQ(rec.calls[2], "reg C:\\Apps\\Tool>D:\\Apps\\Tool (short(C:\\Apps\\Tool),D:\\Apps\\Tool)");
  EXPECT_TRUE(shortAfterMove);
  EndPage page = EndPageOf(ctx.request.Mode, ctx);
  EXPECT_EQ(page.moveLine, "The files would be moved and");
  EXPECT_EQ(page.countLine, "1 link would be remapped");
  EXPECT_EQ(page.notes, std::vector<std::string>{kShortFormAfterMoveNote});
  EXPECT_EQ(CancelledMoveLine(ctx.tally.move, ctx.preview), "Nothing was moved");

  rec.calls.clear();
  ctx.preview = false;
  Start(RunMode::MoveAndMap, "C:\\Apps\\Tool", "D:\\Apps\\Tool");
  EXPECT_EQ(rec.calls[3], "reg C:\\Apps\\Tool>D:\\Apps\\Tool (short(C:\\Apps\\Tool),short(D:\\Apps\\Tool))");
  EXPECT_FALSE(shortAfterMove);
  page = EndPageOf(ctx.request.Mode, ctx);
  EXPECT_EQ(page.moveLine, "The files were successfully moved and");
  EXPECT_TRUE(page.notes.empty());
}

TEST_F(RunTest, SecondRunStartsAtZeroAndClearsCancel) {
  rec.linksPerPass["ini a>b"] = 1;
  Start(RunMode::MapOnly, "a", "b");
  EXPECT_EQ(EndPageOf(ctx.request.Mode, ctx).countLine, "1 link was remapped");
  ctx.tally.cancelled = true;
  Start(RunMode::MapOnly, "a", "b");
  EXPECT_EQ(ctx.tally.linkCount, 1);
  EXPECT_FALSE(ctx.tally.cancelled);
}

TEST_F(RunTest, RefusesWhenNoUndoNameIsFreeOrAnotherRunIsOn) {
  rec.nextNumber = -1;
  EXPECT_THROW(Start(RunMode::MapOnly, "a", "b"), Error);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"undo next", "unlock"}));
  rec.nextNumber = 0;
  rec.lockFree = false;
  rec.calls.clear();
  try {
    Start(RunMode::MapOnly, "a", "b");
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), kRunInProgressMessage);
  }
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_FALSE(ctx.running);
  // A request that can change nothing is refused before anything: no lock,
  // no undo number, no move (nor a folder made for one).
  rec.lockFree = true;
  for (const auto& [mode, find, replace] : std::vector<std::tuple<RunMode, std::string, std::string>>{
           {RunMode::MapOnly, "C:\\Same", "C:\\Same"}, {RunMode::MoveAndMap, "D:\\a", "D:\\a\\b\\a"}, {RunMode::MoveAndMap, "D:\\a", "d:\\A"}}) {
    EXPECT_THROW(Start(mode, find, replace), Error) << find << " " << replace;
    EXPECT_TRUE(rec.calls.empty()) << find << " " << replace;
  }
  Start(RunMode::MapOnly, "C:\\Same", "C:\\SAME");  // a change of case is a change
  EXPECT_FALSE(rec.calls.empty());
}

TEST_F(RunTest, FailureInAWalkStillClosesTheProgressDialog) {
  struct Throwing : Recorder {
    void MapFiles(RunPass&, const SearchTexts&) override { throw Error("Cannot create file x"); }
  } thrower;
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\New";
  EXPECT_THROW(ctx.Run(PartsOf(thrower)), Error);
  EXPECT_EQ(ui.events.back(), "close");
  EXPECT_FALSE(ctx.running);
}

TEST(Progress, SharesForEveryCombination) {
  const Targets regAndFiles{true, true, true, false, false}, regOnly{true, false, false, false, false},
      filesOnly{false, true, false, false, false};
  EXPECT_EQ(StepShare(ProgressStep::MachineRegistry, regAndFiles, 1), 16);
  EXPECT_EQ(StepShare(ProgressStep::UserRegistry, regAndFiles, 1), 17);
  EXPECT_EQ(StepShare(ProgressStep::MachineRegistry, regOnly, 0), 48);
  EXPECT_EQ(StepShare(ProgressStep::UserRegistry, regOnly, 0), 51);
  EXPECT_EQ(StepShare(ProgressStep::Drive, regAndFiles, 3), 22);
  EXPECT_EQ(StepShare(ProgressStep::Drive, regAndFiles, 7), 9);
  EXPECT_EQ(StepShare(ProgressStep::Drive, filesOnly, 3), 33);
  EXPECT_EQ(StepShare(ProgressStep::Drive, filesOnly, 0), 0);

  // Registry only: 0..48, then 48..99.
  ProgressDisplay r;
  r.BeginStep(StepShare(ProgressStep::MachineRegistry, regOnly, 0));
  EXPECT_EQ(std::make_pair(r.floor, r.ceiling), std::make_pair(0, 48));
  r.BeginStep(StepShare(ProgressStep::UserRegistry, regOnly, 0));
  EXPECT_EQ(std::make_pair(r.floor, r.ceiling), std::make_pair(48, 99));
  // Seven drives after the registry in Move and Map end at 96.
  for (int i = 0; i < 7; ++i) r.BeginStep(StepShare(ProgressStep::Drive, regAndFiles, 7));
  EXPECT_EQ(r.ceiling, 99 + 63);
}

// An undo's bar measures the step it shows: each step starts it again, and
// it stops short of the end, which the closing message shows.
TEST(Progress, AnUndosBarAndCountMeasureItsStep) {
  ProgressDisplay shown;
  std::int64_t now = 0;
  int updates = 0;
  UndoProgressShown progress(shown, [&now] { return now += 100; }, [&updates](bool due) { updates += due; });
  progress.Begin(UndoStep::RestoreFiles);
  progress.Done(0, 1, "C:\\a.ini");
  EXPECT_EQ(updates, 0) << "not yet 200 ms";
  progress.Done(1, 1, "C:\\a.ini");
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(shown.count, "1 of 1 file");
  EXPECT_EQ(shown.position, 99);
  progress.Begin(UndoStep::MoveBack, "D:\\Tools");
  EXPECT_EQ(shown.phase, "Moving D:\\Tools back");
  EXPECT_EQ(shown.position, 0);
  EXPECT_EQ(shown.count, "");
  EXPECT_EQ(shown.location, "");
  progress.Begin(UndoStep::RestoreRegistry);
  for (std::size_t i = 0; i < 4; ++i) progress.Done(i * 1000, 12000, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tools");
  EXPECT_EQ(shown.count, "3,000 of 12,000 backup lines");
  EXPECT_EQ(shown.position, 25);
  EXPECT_EQ(shown.location, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tools");
}

TEST(Progress, RefreshStepAndTexts) {
  EXPECT_EQ(NextBarPosition(10, 5, 20), 11);
  EXPECT_EQ(NextBarPosition(20, 5, 20), 21);  // one above the ceiling first
  EXPECT_EQ(NextBarPosition(21, 5, 20), 5);
  ProgressDisplay shown;
  shown.BeginStep(16);
  Findings run;
  run.tally.linkCount = 1;
  RefreshProgress(shown, run);
  EXPECT_EQ(shown.count, "1 link remapped");
  EXPECT_EQ(shown.position, 1);
  run.searching = true;
  RefreshProgress(shown, run);  // the search before a review changes nothing
  EXPECT_EQ(shown.count, "1 link found");
  // The apply of a known list counts of its total, and its bar goes by it.
  run.searching = false;
  run.applyGoal = 40;
  run.tally.linkCount = 10;
  RefreshProgress(shown, run);
  EXPECT_EQ(shown.count, "10 of 40 links remapped");
  EXPECT_EQ(shown.position, 25);
  EXPECT_TRUE(shown.byChanges);
  run.tally.linkCount = 40;
  RefreshProgress(shown, run);
  EXPECT_EQ(shown.position, 99);  // the end is the end page's
  EXPECT_EQ(RemappedSoFarText(0), "0 links remapped");
  EXPECT_EQ(RemappedResultText(2), "2 links were remapped");
}

#include "engine/PumpThrottle.h"
#include "support/TestRun.h"

TEST(PumpThrottle, DrainsAtMostOncePerInterval) {
  PumpThrottle t(15);
  EXPECT_TRUE(t.Due(1000));
  EXPECT_FALSE(t.Due(1001));
  EXPECT_FALSE(t.Due(1014));
  EXPECT_TRUE(t.Due(1015));
  EXPECT_TRUE(t.Due(900));  // a clock that went back must not stop the pumping
}

TEST_F(RunTest, APathIsMatchedWholeUnlessPlainTextIsAsked) {
  Start(RunMode::MapOnly, "C:\\App", "D:\\App");
  Start(RunMode::MapOnly, "oldname", "newname");
  ctx.request.Substring = true;
  Start(RunMode::MapOnly, "C:\\App", "D:\\App");
  ctx.request.Substring = false;
  Start(RunMode::SwitchDrives, "C:\\", "D:\\");
  EXPECT_EQ(rec.rules, (std::vector<MatchRule>{MatchRule::Path, MatchRule::Substring, MatchRule::Substring,
                                               MatchRule::Path}));
}

TEST_F(RunTest, RunningProgramsAreToldOnceWhenTheEnvironmentChanged) {
  struct Notice : EnvironmentNotice {
    int told = 0;
    void EnvironmentChanged() override { ++told; }
  } notice;
  struct EnvironmentWalk : Recorder {
    void FindReplaceProcess(RunPass& run, const SearchTexts&) override { run.findings.environmentChanged = true; }
  } walk;
  RunParts parts = PartsOf(walk);
  parts.optionalEnvironment = &notice;
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\New";
  ctx.Run(parts);
  EXPECT_EQ(notice.told, 1);
  ctx.preview = true;  // nothing changed, nothing to tell
  ctx.Run(parts);
  EXPECT_EQ(notice.told, 1);
  ctx.preview = false;
  // A run that changes nothing there:
  struct PlainWalk : Recorder {
    void FindReplaceProcess(RunPass&, const SearchTexts&) override {}
  } plain;
  RunParts plainParts = PartsOf(plain);
  plainParts.optionalEnvironment = &notice;
  ctx.Run(plainParts);
  EXPECT_EQ(notice.told, 1);
}

TEST_F(RunTest, AReviewedMoveAppliesTheTickedAndWritesItsReport) {
  // The file pass finds one line in a file inside the moved folder.
  rec.filePass = [this](RunPass& run, const SearchTexts& t) {
    ChangeEntry e{(ctx.preview ? "C:\\Apps\\Tool" : "D:\\Apps\\Tool") + std::string("\\a.ini"), "", 2,
                  ChangeKind::SettingsLine, "p=" + t.oldText, "p=" + t.newText, ChangeOutcome::WouldChange, ""};
    if (!run.Chosen(e)) return;
    if (!run.pass.FindsOnly()) e.outcome = ChangeOutcome::Changed;
    run.Record(e);
  };
  ctx.preview = true;
  ctx.targets.registry = false;
  Start(RunMode::MoveAndMap, "C:\\Apps\\Tool", "D:\\Apps\\Tool");
  ASSERT_EQ(ctx.changes.size(), 2u);
  EXPECT_EQ(ctx.changes[0].kind, ChangeKind::MovedItem);
  EXPECT_EQ(ctx.changes[1].where, "D:\\Apps\\Tool\\a.ini");  // named where it will be
  EXPECT_EQ(ctx.tally.linkCount, 1);                         // the move itself is no link
  EXPECT_EQ(EndPageOf(ctx.request.Mode, ctx).countLine, "1 link would be remapped");

  ChangeSelection ticked;
  for (const ChangeEntry& e : ctx.changes) ticked.Tick(e);
  ChangeEntry gone = ctx.changes[1];
  gone.line = 9;
  gone.oldText = "q=C:\\Apps\\Tool";
  ticked.Tick(gone);
  ctx.preview = false;
  ctx.selection = &ticked;
  FakeFileSystem& records = rec.records;
  RunParts parts = PartsOf(rec);
  parts.optionalTimeText = [] { return "now"; };
  parts.optionalUtcStamp = [] { return "2026-12-08T20:40:47.123Z"; };
  ctx.Run(parts);
  ASSERT_EQ(ctx.changes.size(), 3u);
  EXPECT_EQ(ctx.changes[1].outcome, ChangeOutcome::Changed);
  EXPECT_EQ(ctx.changes[2].outcome, ChangeOutcome::PassedOver);  // ticked, but no longer there
  EXPECT_EQ(ctx.changes[2].reason, kChangedSinceSearch);
  EXPECT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.tally.linkCount, 1);
  const ReadReport report = ReadChangeReport(records.ReadWhole("C:\\Ost\\Undo00000.log"));
  EXPECT_EQ(report.entries.size(), 3u);
  EXPECT_EQ(report.Field("Started"), "now");
  EXPECT_EQ(report.Field(kStartedUtcRow), "2026-12-08T20:40:47.123Z");  // what the undo list orders by
  EXPECT_EQ(report.Field("Mode"), "Move and Map");
}
