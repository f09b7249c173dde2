// The review page and the report page in the page model: a search that
// changes nothing, the ticked entries applied, the rest left as they are,
// and the run's .log shown from the finish page and the undo page.
#include <gtest/gtest.h>

#include "engine/ChangeReport.h"

#include <algorithm>
#include <map>

#include "core/Error.h"
#include "support/WizardFakes.h"
#include "window/HelpLinks.h"
#include "window/ResumeArguments.h"
#include "window/RightsWarningPage.h"
#include "window/Settings.h"
#include "window/Wizard.h"
#include "support/TestRun.h"

namespace {
struct Occurrence {
  ChangeKind kind;
  std::string where, value;
  bool changed = false;
};

class ReviewPageTest : public ::testing::Test, protected WizardFakes<> {
 protected:
  ReviewPageTest() : wizard(ReportingPorts(), "C:\\Ost\\") {
    fs.AddFolder("C:\\Ost");
    // The registry walk meets each occurrence still there, as the real walks do.
    rec.duringWalk = [this] {
      if (rec.calls.back().find("reg ") == std::string::npos) return;
      RunPass& ctx = *rec.run;
      if (ctx.pass.FindsOnly() && !searchNote.empty()) ctx.findings.NoteOfSearch(searchNote);
      for (auto& [name, o] : world) {
        // An apply goes only to the places it is given.
        if (o.changed || (!rec.places.empty() && std::find(rec.places.begin(), rec.places.end(), o.where) == rec.places.end()))
          continue;
        ChangeEntry e{o.where, o.value, 0, o.kind, "C:\\Old\\" + name, "C:\\New\\" + name, ChangeOutcome::Changed, ""};
        if (ctx.pass.FindsOnly()) {
          e.outcome = ChangeOutcome::WouldChange;
          ctx.Record(e);
        } else if (ctx.Chosen(e)) {
          o.changed = true;
          ctx.Record(e);
        }
      }
    };
    wizard.Start("");
  }
  // Runs write their change report beside the undo records.
  WizardPorts ReportingPorts() {
    WizardPorts p = Ports();
    p.parts->optionalTimeText = [] { return "12/9/2026 4:00:00 AM"; };
    return p;
  }
  void MapOnlyStart() {
    wizard.TurnPage(Sender::MapOnly);
    wizard.mapOnly.findWhat = "C:\\Old";
    wizard.mapOnly.replaceWith = "C:\\New";
    wizard.TurnPage(Sender::MapOnlyNext);
  }
  std::size_t RowOf(const std::string& where) {
    for (std::size_t row = 0; row < wizard.review.list.size(); ++row)
      if (wizard.review.list.At(row).where == where) return row;
    ADD_FAILURE() << where << " is not listed";
    return 0;
  }
  int Changed() {
    int n = 0;
    for (auto& [name, o] : world) n += o.changed ? 1 : 0;
    return n;
  }

  std::map<std::string, Occurrence> world{
      {"a.exe", {ChangeKind::ValueData, "HKEY_CURRENT_USER\\Software\\App", "Path"}},
      {"b.ini", {ChangeKind::ValueData, "HKEY_CURRENT_USER\\Software\\App", "Ini"}},
      {"c.exe", {ChangeKind::ValueName, "HKEY_LOCAL_MACHINE\\Software\\App", "C:\\Old\\c.exe"}}};
  std::string searchNote;  // said by each search, as the task walk says what it could not list
  Wizard wizard;
};

TEST_F(ReviewPageTest, TheReviewListsEverythingFirstAndApplyMakesOnlyTheTickedChanges) {
  EXPECT_TRUE(wizard.showChangesFirst[ModeIndex(RunMode::MapOnly)]);  // on without a settings file
  MapOnlyStart();
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  EXPECT_EQ(Changed(), 0);
  EXPECT_TRUE(wizard.lastRun.preview);  // a search's findings: nothing was changed
  EXPECT_FALSE(fs.Has("C:\\Ost\\Undo00000.log"));
  ASSERT_EQ(wizard.review.list.size(), 3u);
  EXPECT_EQ(wizard.review.Line(), "3 of 3 changes ticked (2 value data, 1 value name).");

  wizard.review.list.SetTicked(RowOf("HKEY_LOCAL_MACHINE\\Software\\App"), false);
  undo.entries = {Listed(0, "12/9/2026", RunMode::MapOnly, "C:\\Old", "C:\\New"), Listed(7, "1/1/2020")};
  // The kinds follow the ticks.
  EXPECT_EQ(wizard.review.Line(), "2 of 3 changes ticked (2 value data).");
  wizard.TurnPage(Sender::ReviewApply);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_TRUE(world["a.exe"].changed && world["b.ini"].changed);
  EXPECT_FALSE(world["c.exe"].changed);
  EXPECT_EQ(wizard.lastRun.tally.linkCount, 2);
  EXPECT_FALSE(wizard.lastRun.preview);  // the apply after the search is no preview
  EXPECT_EQ(wizard.review.list.size(), 0u);  // not kept once the page is left

  // "Show what changed": the run's .log, read back, with what became of each entry.
  ASSERT_TRUE(wizard.end.showChangesVisible);
  wizard.OfferHandOver("C:\\Other");
  wizard.TurnPage(Sender::ShowChanges);
  ASSERT_EQ(wizard.CurrentPage, Page::Report);
  ASSERT_EQ(wizard.report.list.size(), 3u);
  EXPECT_EQ(wizard.report.title, "Changes of Undo00000");
  // The time before the paths, which may be long.
  EXPECT_EQ(wizard.report.line, "2 changed, 1 left out.\r\n12/9/2026 4:00:00 AM - Map Only: C:\\Old -> C:\\New");
  for (std::size_t row = 0; row < wizard.report.list.size(); ++row)
    EXPECT_EQ(wizard.report.list.CellText(row, ReviewColumn::Outcome),
              wizard.report.list.At(row).value == "C:\\Old\\c.exe" ? "left out" : "changed");
  wizard.OpenReportAsTextClick();
  EXPECT_EQ(help.calls, std::vector<std::string>{"open C:\\Ost\\Undo00000.log"});
  help.shellResult = 31;  // no program for the file: Notepad opens it
  wizard.OpenReportAsTextClick();
  EXPECT_EQ(help.calls.back(), "notepad C:\\Ost\\Undo00000.log");
  EXPECT_TRUE(ui.messages.empty());
  help.notepadResult = 2;  // nor Notepad: the message names the file
  wizard.OpenReportAsTextClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].second, kShellExecuteError);
  EXPECT_NE(ui.messages[0].first.find("C:\\Ost\\Undo00000.log"), std::string::npos);
  wizard.TurnPage(Sender::ReportBack);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.end.handOverWaiting, "C:\\Other");  // still offered beside the result

  // The undo page's Details: the same report; an entry without one says so.
  wizard.TurnPage(Sender::TitleUndo);
  wizard.undo.selection = 0;
  wizard.TurnPage(Sender::UndoDetails);
  ASSERT_EQ(wizard.CurrentPage, Page::Report);
  EXPECT_EQ(wizard.report.list.size(), 3u);
  // The band above it shows the run's mode, as after the run; Back clears it.
  EXPECT_TRUE(wizard.mapOnlyDescriptionVisible);
  EXPECT_FALSE(wizard.moveDescriptionVisible || wizard.switchDescriptionVisible);
  wizard.TurnPage(Sender::ReportBack);
  EXPECT_EQ(wizard.CurrentPage, Page::Undo);
  EXPECT_FALSE(wizard.mapOnlyDescriptionVisible);
  wizard.undo.selection = 1;
  wizard.TurnPage(Sender::UndoDetails);
  EXPECT_EQ(wizard.CurrentPage, Page::Undo);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].first.find("Undo00007 has no change report"), std::string::npos);
  // An entry listed from an earlier records folder has its report there.
  fs.AddFile("C:\\Beside\\Undo00007.log", fs.ReadWhole("C:\\Ost\\Undo00000.log"));
  undo.folders["Undo00007"] = "C:\\Beside\\";
  wizard.TurnPage(Sender::UndoDetails);
  EXPECT_EQ(wizard.CurrentPage, Page::Report);
  // An entry undone says so above its report, and when.
  EXPECT_EQ(wizard.report.line.find("ndone"), std::string::npos);
  wizard.TurnPage(Sender::ReportBack);
  wizard.undo.entries[1].state = UndoState::PartlyUndone;
  wizard.undo.entries[1].undoneAt = "1/9/2026 10:00";
  wizard.TurnPage(Sender::UndoDetails);
  EXPECT_TRUE(wizard.report.line.ends_with("\r\nPartly undone 1/9/2026 10:00: some places were left as they were; Undo "
                                           "Changes tries them again."))
      << wizard.report.line;
  UndoListEntry whole = wizard.undo.entries[1];
  whole.state = UndoState::Undone;
  EXPECT_EQ(UndoneLine(whole), "\r\nUndone 1/9/2026 10:00: every change below was given back.");
}

// What the search could not reach is as true after the apply of its list,
// which searches no more: the end page says it on the review path too.
TEST_F(ReviewPageTest, TheSearchsNoteReachesTheEndPageAfterTheReview) {
  searchNote = "The Task Scheduler here cannot list its tasks (Not implemented.): no scheduled task was searched.";
  MapOnlyStart();
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  wizard.TurnPage(Sender::ReviewApply);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.end.notes, std::vector<std::string>{searchNote});
  EXPECT_NE(wizard.end.NoticeText().find(searchNote), std::string::npos);
}

TEST_F(ReviewPageTest, BackChangesNothingAnEmptySearchHasNothingToApplyAndAVanishedEntryIsNamed) {
  MapOnlyStart();
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  // A copy restarted as administrator starts where the search began: the ticks do not travel.
  EXPECT_EQ(ResumeArguments(wizard).at(1), "page=MapOnly");
  wizard.TurnPage(Sender::ReviewBack);
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);
  EXPECT_TRUE(wizard.showAdvancedVisible);
  EXPECT_EQ(Changed(), 0);
  EXPECT_FALSE(fs.Has("C:\\Ost\\Undo00000.log"));

  // One occurrence goes away between the review and Apply.
  wizard.TurnPage(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.review.list.size(), 3u);
  world.erase("b.ini");
  wizard.TurnPage(Sender::ReviewApply);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(Changed(), 2);
  EXPECT_EQ(wizard.end.passedOverLine.empty(), false);
  ASSERT_EQ(wizard.lastRun.passedOver.size(), 1u);
  EXPECT_EQ(wizard.lastRun.passedOver[0].reason, kChangedSinceSearch);

  // Nothing left to find: the page says so, and Apply makes no run.
  wizard.TurnPage(Sender::GoToStart);
  MapOnlyStart();
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  EXPECT_TRUE(wizard.review.empty);
  EXPECT_EQ(wizard.review.Line(), "Nothing to change: the search found no reference to C:\\Old.");
  const std::size_t calls = rec.calls.size();
  wizard.TurnPage(Sender::ReviewApply);
  EXPECT_EQ(wizard.CurrentPage, Page::Review);
  EXPECT_EQ(rec.calls.size(), calls);

  // A move is searched before it is made, and made on Apply.
  fs.AddFolder("C:\\Data\\Item");
  wizard.TurnPage(Sender::ReviewBack);
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.move.confirmSourceFolder = "C:\\Data\\";
  wizard.move.confirmItemName = "Item";
  wizard.move.confirmDestination = "D:\\";
  wizard.TurnPage(Sender::TreeDrop);
  rec.calls.clear();
  wizard.TurnPage(Sender::MoveConfirmNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  EXPECT_FALSE(wizard.review.empty);  // the move itself is still to be made
  // Said before the move: nothing else follows the item.
  EXPECT_EQ(wizard.review.Line(),
            "No reference to C:\\Data\\Item was found.  Apply moves C:\\Data\\Item to D:\\Item and changes nothing else.");
  for (const std::string& call : rec.calls) EXPECT_NE(call.rfind("move ", 0), 0u) << call;
  wizard.TurnPage(Sender::ReviewApply);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(std::count(rec.calls.begin(), rec.calls.end(), "move C:\\Data\\Item>D:\\Item"), 1);
}

// A reviewed switch makes the ticked changes, each value whole with both
// drives exchanged, and leaves the rest as it was.
TEST_F(ReviewPageTest, AReviewedSwitchFinishesTheTickedAndLeavesTheRestWhole) {
  std::map<std::string, std::string> values{
      {"a", "C:\\a"}, {"b", "D:\\b"}, {"both", "C:\\x;D:\\y"}, {"kept", "C:\\kept"}};
  rec.duringWalk = [&] {
    std::string call = rec.calls.back();
    if (call.rfind("apply ", 0) == 0) call.erase(0, 6);
    if (call.rfind("reg ", 0) != 0) return;
    const std::size_t arrow = call.find('>');
    const std::string from = call.substr(4, arrow - 4), to = call.substr(arrow + 1);
    RunPass& ctx = *rec.run;
    for (auto& [name, text] : values) {
      std::string changed = text;
      for (std::size_t p = 0; p < changed.size(); ++p)
        if (changed.compare(p, from.size(), from) == 0) changed.replace(p, from.size(), to);
        else if (changed.compare(p, to.size(), to) == 0) changed.replace(p, to.size(), from);
      if (changed == text) continue;
      ChangeEntry e{"HKEY_CURRENT_USER\\S", name, 0, ChangeKind::ValueData, text, changed, ChangeOutcome::WouldChange, ""};
      if (ctx.pass.FindsOnly()) {
        ctx.Record(e);
      } else if (ctx.Chosen(e)) {
        text = changed;
        e.outcome = ChangeOutcome::Changed;
        ctx.Record(e);
      }
    }
  };
  wizard.run.ShowChangesFirstClick(RunMode::SwitchDrives, true);
  wizard.TurnPage(Sender::SwitchDrives);
  wizard.TurnPage(Sender::SwitchNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Targets);
  wizard.choices.targets = {};
  wizard.choices.targets.settingsFiles = wizard.choices.targets.shortcuts = wizard.choices.targets.configFiles = false;
  wizard.TurnPage(Sender::TargetsNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  ASSERT_EQ(wizard.review.list.size(), 4u);  // one row a value, both drives exchanged in it
  for (std::size_t row = 0; row < wizard.review.list.size(); ++row)
    if (wizard.review.list.At(row).value == "kept") wizard.review.list.SetTicked(row, false);
  wizard.TurnPage(Sender::ReviewApply);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(values["a"], "D:\\a");
  EXPECT_EQ(values["b"], "C:\\b");
  EXPECT_EQ(values["both"], "D:\\x;C:\\y");
  EXPECT_EQ(values["kept"], "C:\\kept");
  EXPECT_TRUE(wizard.lastRun.passedOver.empty());
}

TEST_F(ReviewPageTest, TheBoxIsKeptPerModeAndAFileWithoutTheKeyReadsAsTheDefault) {
  const std::string ini = "C:\\Ost\\Ostrivane.ini";
  const Settings none = ReadSettings(fs, "C:\\Ost\\");
  EXPECT_TRUE(none.ShowChangesFirst[ModeIndex(RunMode::MoveAndMap)]);
  EXPECT_TRUE(none.ShowChangesFirst[ModeIndex(RunMode::SwitchDrives)]);  // the mode that touches the most
  EXPECT_TRUE(none.ShowChangesFirst[ModeIndex(RunMode::MapOnly)]);
  fs.AddFile(ini, "[Show Changes First]\r\nMapOnly=0\r\nSwitchDrives=0\r\nMoveAndMap=yes\r\n");
  const Settings read = ReadSettings(fs, "C:\\Ost\\");
  EXPECT_TRUE(read.ShowChangesFirst[ModeIndex(RunMode::MoveAndMap)]);  // malformed: the default
  EXPECT_FALSE(read.ShowChangesFirst[ModeIndex(RunMode::SwitchDrives)]);
  EXPECT_FALSE(read.ShowChangesFirst[ModeIndex(RunMode::MapOnly)]);

  // The Switch Drives box, unticked on its page, lasts to the next start.
  wizard.run.ShowChangesFirstClick(RunMode::SwitchDrives, false);
  wizard.run.ShowChangesFirstClick(RunMode::MapOnly, false);
  ASSERT_TRUE(wizard.MayClose());
  Wizard next(Ports(), "C:\\Ost\\");
  next.Start("");
  EXPECT_FALSE(next.showChangesFirst[ModeIndex(RunMode::SwitchDrives)]);
  EXPECT_FALSE(next.showChangesFirst[ModeIndex(RunMode::MapOnly)]);
  EXPECT_TRUE(next.showChangesFirst[ModeIndex(RunMode::MoveAndMap)]);
}
// A run's line takes its description from the change report written at the
// run's very end, and an undo marks its entry: the list is read again after each.
TEST_F(ReviewPageTest, TheUndoListIsReadAgainAfterARunAndAnUndo) {
  bool undone = false;
  undo.onRebuild = [&] {
    undo.entries.clear();
    const std::string log = "C:\\Ost\\Undo00000.log";
    if (!fs.FileExists(log)) return;
    const ReadReport report = ReadChangeReport(fs.ReadWhole(log));
    undo.entries.push_back(Listed(0, "12/9/2026", ModeNamed(report.Field("Mode")), report.Field("Find"),
                                  report.Field("Replace")));
    if (undone) undo.entries.back().state = UndoState::Undone;
  };
  undo.duringUndo = [&] { undone = true; };
  for (bool& on : wizard.showChangesFirst) on = false;
  MapOnlyStart();
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  ASSERT_EQ(wizard.undo.lines.size(), 1u);
  const std::string line = wizard.undo.lines[0];
  EXPECT_EQ(line, "Undo00000 - 12/9/2026 - Map Only: C:\\Old -> C:\\New");
  wizard.TurnPage(Sender::TitleUndo);
  wizard.undo.selection = 0;
  wizard.undoing.UndoChangesClick();
  EXPECT_EQ(wizard.undo.lines, std::vector<std::string>{line + " - undone"});
}
}  // namespace
