#include <gtest/gtest.h>

#include "window/PageFlow.h"
#include "window/Settings.h"
#include "window/Wizard.h"
#include "engine/UndoWords.h"
#include "engine/ChangeVerification.h"
#include "engine/Progress.h"
#include "core/Error.h"
#include "support/FakeProcessesAndServices.h"
#include "support/WizardFakes.h"
#include "support/TestRun.h"

namespace {
const std::string kIni = "C:\\Ost\\Ostrivane.ini";

// Runs start at once, as with "Show changes before they are made" unticked;
// the review's own tests tick it.
void RunAtOnce(Wizard& w) {
  for (bool& on : w.showChangesFirst) on = false;
}

class PageModelTest : public ::testing::Test, protected WizardFakes<> {
 protected:
  PageModelTest() : wizard(Ports(), "C:\\Ost\\") {
    fs.AddFolder("C:\\Ost");
  }
  void Show(const std::string& arg = "") {
    wizard.Start(arg);
    RunAtOnce(wizard);
  }
  // Straight to a page, as if the user had walked there.
  void At(Page page) { wizard.CurrentPage = page; }

  Wizard wizard;
};

TEST_F(PageModelTest, FirstShowWithoutSettingsFile) {
  Show();
  EXPECT_EQ(wizard.CurrentPage, Page::Intro1);
  EXPECT_TRUE(wizard.intro.animationOn);
  EXPECT_FALSE(wizard.versionLineVisible);
  EXPECT_EQ(wizard.undo.ageIndex, 1);
  EXPECT_EQ(undo.age, 1);
  EXPECT_EQ(undo.calls, std::vector<std::string>{"refresh"});
  EXPECT_EQ(wizard.undo.lines, std::vector<std::string>{kNoChangesToUndo});
  ASSERT_EQ(wizard.choices.drives.size(), 3u);
  EXPECT_EQ(wizard.choices.drives[0].caption, "Local Disk (C:)");
  EXPECT_EQ(wizard.choices.drives[1].root, "D:\\");
  EXPECT_TRUE(wizard.choices.drives[0].selected);
  EXPECT_FALSE(wizard.choices.drives[1].selected);  // listed, not selected
  EXPECT_TRUE(wizard.choices.drives[2].selected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, SettingsAreReadBackAndBadValuesFallBack) {
  fs.AddFile(kIni, "[Undo List]\r\nDeleteOlderThan=3\r\n[Start]\r\nSkipStartPage=1\r\n");
  Show();
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
  EXPECT_TRUE(wizard.versionLineVisible);
  EXPECT_FALSE(wizard.intro.animationOn);
  EXPECT_TRUE(wizard.intro.skipIntroduction);
  EXPECT_EQ(wizard.undo.ageIndex, 3);
  EXPECT_TRUE(wizard.choices.targets.configFiles);  // a file of an earlier build has no such key: on

  fs.At(kIni).data = "[Undo List]\r\nDeleteOlderThan=7\r\n";
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").DeleteOlderThan, -1);  // outside the list: no selection
  for (const char* junk : {"DeleteOlderThan=abc", "\xff\xfe[\0\0", "[Undo List\r\nDeleteOlderThan=2", "[Undo List]\nDeleteOlderThan= 2x"}) {
    fs.At(kIni).data = junk;
    const Settings s = ReadSettings(fs, "C:\\Ost\\");
    EXPECT_EQ(s.DeleteOlderThan, 1) << junk;
    EXPECT_FALSE(s.SkipStartPage) << junk;
    EXPECT_TRUE(s.ConfigurationFiles) << junk;
  }
  // Only an explicit 0 turns the configuration files target off.
  fs.At(kIni).data = "[targets]\r\nConfigurationFiles=0\r\n";
  EXPECT_FALSE(ReadSettings(fs, "C:\\Ost\\").ConfigurationFiles);
  fs.At(kIni).data = "[Targets]\r\nConfigurationFiles=x\r\n";
  EXPECT_TRUE(ReadSettings(fs, "C:\\Ost\\").ConfigurationFiles);
  // The window's sizes come back as left; a size no screen has is none.
  Settings sized;
  sized.Window = {700, 500, 1000, 650, true};
  WriteSettings(fs, "C:\\Ost\\", sized);
  const WindowSize back = ReadSettings(fs, "C:\\Ost\\").Window;
  EXPECT_EQ(std::vector<int>({back.width, back.height, back.listWidth, back.listHeight, int(back.maximised)}),
            std::vector<int>({700, 500, 1000, 650, 1}));
  fs.At(kIni).data = "[Window]\r\nWidth=-5\r\nHeight=99999\r\nMaximised=7\r\n";
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").Window.width + ReadSettings(fs, "C:\\Ost\\").Window.height, 0);
  EXPECT_FALSE(ReadSettings(fs, "C:\\Ost\\").Window.maximised);
  // The walk's threads, set by hand, reach the run's choices and outlive the
  // window's own writing; a number no pool takes is the default.
  fs.At(kIni).data = "[Search]\r\nWalkThreads=1\r\n";
  Show();
  EXPECT_EQ(wizard.choices.walkThreads, 1);
  WriteSettings(fs, "C:\\Ost\\", sized);
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").WalkThreads, 1);
  fs.At(kIni).data = "[Search]\r\nWalkThreads=99\r\n";
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").WalkThreads, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, CommandLinePathOpensTheMoveParameterPage) {
  Show("C:\\Program Files\\App");
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_EQ(wizard.move.givenSourceFolder, "C:\\Program Files\\");
  EXPECT_EQ(wizard.move.givenItemName, "App");
  EXPECT_TRUE(wizard.moveDescriptionVisible);
  EXPECT_TRUE(wizard.showAdvancedVisible);
  EXPECT_EQ(wizard.choices.request.Mode, RunMode::MoveAndMap);
  EXPECT_FALSE(wizard.intro.animationOn);
}

// Clicks from the first page on, and where they land: the page, the band's
// description (bits: 1 move, 2 switch, 4 map only), the "Show Advanced Map
// Options" box and the mode.
struct Walk {
  std::vector<Sender> clicks;
  Page lands;
  int band;
  bool advanced;
  RunMode mode;
};

class PageWalkTest : public PageModelTest, public ::testing::WithParamInterface<Walk> {};

TEST_P(PageWalkTest, ClicksLandOnTheirPage) {
  const Walk walk = GetParam();
  Show();
  wizard.lastRun.tally.cancelled = true;  // a cancel is the last run's, not the next one's
  for (Sender click : walk.clicks) wizard.TurnPage(click);
  EXPECT_EQ(wizard.CurrentPage, walk.lands);
  EXPECT_EQ(wizard.moveDescriptionVisible + 2 * wizard.switchDescriptionVisible + 4 * wizard.mapOnlyDescriptionVisible,
            walk.band);
  EXPECT_EQ(wizard.showAdvancedVisible, walk.advanced);
  EXPECT_EQ(wizard.choices.request.Mode, walk.mode);
  EXPECT_EQ(wizard.versionLineVisible, walk.lands == Page::Front);
  EXPECT_EQ(wizard.intro.animationOn, walk.lands == Page::Intro1 || walk.lands == Page::Intro2);
  if (!walk.clicks.empty()) {
    EXPECT_FALSE(wizard.lastRun.tally.cancelled);
  }
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(ui.messages.empty());
}

using S = Sender;
const Sender kToFront[] = {S::Intro1Next, S::Intro2Next, S::Intro3Next};
std::vector<Sender> FromFront(std::initializer_list<Sender> more) {
  std::vector<Sender> clicks(std::begin(kToFront), std::end(kToFront));
  clicks.insert(clicks.end(), more);
  return clicks;
}
constexpr RunMode kMap = RunMode::MapOnly, kMove = RunMode::MoveAndMap, kSwitch = RunMode::SwitchDrives;

INSTANTIATE_TEST_SUITE_P(
    Navigation, PageWalkTest,
    ::testing::Values(Walk{{}, Page::Intro1, 0, false, kMap},
                      Walk{{S::Intro1Next}, Page::Intro2, 0, false, kMap},
                      Walk{{S::Intro1Next, S::Intro2Back}, Page::Intro1, 0, false, kMap},
                      Walk{{S::Intro1Next, S::Intro2Next, S::Intro3Back}, Page::Intro2, 0, false, kMap},
                      Walk{FromFront({}), Page::Front, 0, false, kMap},
                      Walk{FromFront({S::MoveAndMap}), Page::MoveTrees, 1, true, kMove},
                      Walk{FromFront({S::MoveAndMap, S::MoveTreesBack}), Page::Front, 0, false, kMove},
                      Walk{FromFront({S::SwitchDrives}), Page::SwitchDrives, 2, false, kSwitch},
                      Walk{FromFront({S::SwitchDrives, S::SwitchBack, S::MapOnly}), Page::MapOnly, 4, true, kMap},
                      Walk{FromFront({S::MapOnly, S::MapOnlyBack}), Page::Front, 0, false, kMap},
                      // The title strip's buttons leave any page and take the band with them.
                      Walk{FromFront({S::MapOnly, S::TitleUndo}), Page::Undo, 0, false, kMap},
                      Walk{FromFront({S::SwitchDrives, S::TitleUndo, S::UndoBack}), Page::Front, 0, false, kSwitch},
                      Walk{FromFront({S::MoveAndMap, S::TitleFront}), Page::Front, 0, false, kMove},
                      Walk{FromFront({S::MoveAndMap, S::GoToStart}), Page::Front, 0, false, kMove},
                      Walk{FromFront({S::FrontBack}), Page::Intro3, 0, false, kMap},
                      // Nothing handed over: "Go" stays, and so does the page's box.
                      Walk{FromFront({S::MapOnly, S::HandOverGo}), Page::MapOnly, 4, true, kMap},
                      // A drop's page and a given path's page keep the move's band and box.
                      Walk{FromFront({S::MoveAndMap, S::TreeDrop}), Page::MoveConfirm, 1, true, kMove},
                      Walk{FromFront({S::MapOnly, S::PathGiven}), Page::MoveGiven, 1, true, kMove},
                      Walk{FromFront({S::MoveAndMap, S::TreeDrop, S::MoveConfirmBack}), Page::Front, 0, false, kMove}));

// Esc presses a page's Back: on every page that has one, it leads back to
// where the clicks came from, or to the front page for the mode pages.
TEST_F(PageModelTest, EscOnEachPageLeadsBackTheWayTheClicksCame) {
  struct Step {
    std::vector<Sender> clicks;
    Page back;
  };
  const Step steps[] = {{{S::Intro1Next}, Page::Intro1},
                        {{S::Intro1Next, S::Intro2Next}, Page::Intro2},
                        {FromFront({S::MoveAndMap}), Page::Front},
                        {FromFront({S::MoveAndMap, S::TreeDrop}), Page::Front},
                        {FromFront({S::MapOnly, S::PathGiven}), Page::Front},
                        {FromFront({S::SwitchDrives}), Page::Front},
                        {FromFront({S::MapOnly}), Page::Front},
                        {FromFront({S::TitleUndo}), Page::Front},
                        {FromFront({}), Page::Intro3}};
  for (const Step& step : steps) {
    Show();
    for (Sender click : step.clicks) wizard.TurnPage(click);
    const Page on = wizard.CurrentPage;
    const std::optional<Sender> back = RowOf(on).back;
    ASSERT_TRUE(back) << PageName(on);
    wizard.TurnPage(*back);
    EXPECT_EQ(wizard.CurrentPage, step.back) << PageName(on);
  }
  // Through the targets and drives pages and back again, each by its own Back.
  wizard.TurnPage(S::MapOnly);
  wizard.mapOnly.findWhat = "C:\\Old";
  wizard.mapOnly.replaceWith = "D:\\New";
  wizard.ShowAdvancedClick(true);
  for (Sender click : {S::MapOnlyNext, S::TargetsNext}) wizard.TurnPage(click);
  ASSERT_EQ(wizard.CurrentPage, Page::Drives);
  for (Page expected : {Page::Targets, Page::MapOnly, Page::Front}) {
    wizard.TurnPage(*RowOf(wizard.CurrentPage).back);
    EXPECT_EQ(wizard.CurrentPage, expected);
  }
  // The end pages and the first page have no Back: Esc there does nothing.
  for (Page none : {Page::Intro1, Page::Finished, Page::Cancelled})
    EXPECT_FALSE(RowOf(none).back) << PageName(none);
}

// Both tables are looked up by position: a row out of place would send a
// control to another control's page.
TEST(PageFlowTables, EachRowStandsAtItsOwnPlace) {
  for (int i = 0; i < kPageCount; ++i) EXPECT_EQ(RowOf(Page(i)).page, Page(i)) << i;
  for (int i = 0; i <= int(kLastSender); ++i) EXPECT_EQ(TurnOf(Sender(i)).sender, Sender(i)) << i;
}

TEST_F(PageModelTest, TargetsBackGoesByMode) {
  Show();
  At(Page::Targets);
  wizard.choices.request.Mode = RunMode::MoveAndMap;
  wizard.TurnPage(Sender::TargetsBack);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  EXPECT_TRUE(wizard.showAdvancedVisible);
  At(Page::Targets);
  wizard.choices.request.Mode = RunMode::SwitchDrives;
  wizard.TurnPage(Sender::TargetsBack);
  EXPECT_EQ(wizard.CurrentPage, Page::SwitchDrives);
  EXPECT_FALSE(wizard.showAdvancedVisible);
}

// The introduction opens a start (unless skipped); Front and "Go to Start"
// lead to the page that chooses the task, never through the introduction,
// also from its own first page; Back from there leads to the introduction.
TEST_F(PageModelTest, FrontAndGoToStartLeadToTheTaskChoiceAndBackToTheIntroduction) {
  Show();
  ASSERT_EQ(wizard.CurrentPage, Page::Intro1);
  wizard.TurnPage(Sender::TitleFront);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
  EXPECT_TRUE(wizard.versionLineVisible);
  At(Page::Finished);
  wizard.TurnPage(Sender::GoToStart);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
  EXPECT_EQ(RowOf(Page::Front).back, Sender::FrontBack);  // Esc
  wizard.TurnPage(Sender::FrontBack);
  EXPECT_EQ(wizard.CurrentPage, Page::Intro3);
  EXPECT_FALSE(wizard.versionLineVisible);
  At(Page::Cancelled);
  wizard.TurnPage(Sender::GoToStartCancelled);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
}

TEST_F(PageModelTest, ExitEndsWithoutWritingSettings) {
  Show();
  At(Page::Finished);
  wizard.TurnPage(Sender::Exit);
  EXPECT_TRUE(wizard.Terminated);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_FALSE(fs.Has(kIni));
}

TEST_F(PageModelTest, DraggedMoveNeedsAllThreeTexts) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  At(Page::MoveTrees);
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo("C:", "D:");  // the whole drive: refused on the spot
  EXPECT_EQ(wizard.CurrentPage, Page::MoveTrees);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first.rfind("A whole drive cannot be moved.", 0), 0u);
  At(Page::MoveConfirm);
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].first, "Not enough information to proceed");
  EXPECT_EQ(ui.messages[1].second, "Ostrivane");
  EXPECT_TRUE(rec.calls.empty());

  wizard.moving.DropOnMoveTo("C:\\Program Files\\NOTES.TXT", "D:\\Apps");
  EXPECT_EQ(wizard.move.confirmFromLine, "will be moved from");
  wizard.moving.DropOnMoveTo("C:\\Program Files\\App", "D:\\Apps");
  EXPECT_EQ(wizard.move.confirmItemName, "App");
  EXPECT_EQ(wizard.move.confirmFromLine, "and all files and folders in it will be moved from");
  EXPECT_EQ(wizard.move.confirmSourceFolder, "C:\\Program Files\\");
  EXPECT_EQ(wizard.move.confirmToLine, "to");
  EXPECT_EQ(wizard.move.confirmDestination, "D:\\Apps\\");
}

TEST_F(PageModelTest, DropOfTreeNodesFillsTheConfirmationPage) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  wizard.TurnPage(Sender::MoveAndMap);
  const NodeChain app{"App", "Program Files", "Local Disk (C:)", kMyComputer};
  const NodeChain apps{"Apps", "Data (E:)", kMyComputer};
  // Not from the left tree, or onto a CD drive: nothing changes.
  wizard.moving.DropOnMoveTo(TreeSide::MoveTo, app, apps);
  wizard.moving.DropOnMoveTo(TreeSide::MoveFrom, app, {"x", "CD Drive (D:)", kMyComputer});
  EXPECT_EQ(wizard.CurrentPage, Page::MoveTrees);
  EXPECT_EQ(wizard.move.confirmItemName, "");

  wizard.moving.DropOnMoveTo(TreeSide::MoveFrom, app, apps);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  EXPECT_TRUE(wizard.showAdvancedVisible);
  EXPECT_EQ(wizard.move.confirmItemName, "App");
  EXPECT_EQ(wizard.move.confirmFromLine, "and all files and folders in it will be moved from");
  EXPECT_EQ(wizard.move.confirmSourceFolder, "C:\\Program Files\\");
  EXPECT_EQ(wizard.move.confirmToLine, "to");
  EXPECT_EQ(wizard.move.confirmDestination, "E:\\Apps\\");
  // Onto the drive node itself.
  wizard.moving.DropOnMoveTo(TreeSide::MoveFrom, app, {"Data (E:)", kMyComputer});
  EXPECT_EQ(wizard.move.confirmDestination, "E:\\");
  wizard.TurnPage(Sender::MoveConfirmNext);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0], "move C:\\Program Files\\App>E:\\App");
}

TEST_F(PageModelTest, TheShippedHtmlHelpOpensAndSaysWhenItCannot) {
  Show();
  wizard.help.HelpButtonClick();
  help.htmlHelpWorks = false;
  wizard.help.HelpButtonClick();  // viewer missing: said so, no .hlp that is not shipped
  EXPECT_EQ(help.calls, (std::vector<std::string>{"html C:\\Ost\\Ostrivane.chm Introduction.htm",
                                                  "html C:\\Ost\\Ostrivane.chm Introduction.htm"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].first.find("Ostrivane.chm could not be opened"), std::string::npos);
  ui.messages.clear();
  // Opened again once the viewer works.
  help.calls.clear();
  help.htmlHelpWorks = true;
  Show();
  wizard.help.HelpButtonClick();
  EXPECT_EQ(help.calls, std::vector<std::string>{"html C:\\Ost\\Ostrivane.chm Introduction.htm"});
  // F1 opens the topic of the page on screen.
  help.calls.clear();
  for (Page p : {Page::MapOnly, Page::Drives, Page::MoveGiven, Page::Undo, Page::Front}) {
    At(p);
    wizard.help.HelpFor(wizard.CurrentPage);
  }
  EXPECT_EQ(help.calls, (std::vector<std::string>{
                            "html C:\\Ost\\Ostrivane.chm MapOnly.htm", "html C:\\Ost\\Ostrivane.chm Targets.htm",
                            "html C:\\Ost\\Ostrivane.chm MoveAndMap.htm", "html C:\\Ost\\Ostrivane.chm Undo.htm",
                            "html C:\\Ost\\Ostrivane.chm Introduction.htm"}));
  // The introduction page's links open pages of the help in any generation.
  help.calls.clear();
  wizard.help.MoreInformationClick();
  wizard.help.AskQuestionsClick();
  EXPECT_EQ(help.calls, (std::vector<std::string>{"html C:\\Ost\\Ostrivane.chm Introduction.htm",
                                                  "html C:\\Ost\\Ostrivane.chm Questions.htm"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, ShellFailuresAreReportedByTheErrorTable) {
  Show();
  wizard.help.GoToWebsite("C:\\Docs\\Guide.txt");
  EXPECT_TRUE(ui.messages.empty());  // 42: opened
  const std::pair<long, const char*> cases[] = {
      {0, "The operating system is out of memory or resources."},
      {2, "The specified file was not found."},
      {31, "There is no application associated with the given filename extension."},
      {32, "Windows 95 only: The specified dynamic-link library was not found."},
      {4, "A ShellExecute Error occurred."},
      {-1, "A ShellExecute Error occurred."},
  };
  for (const auto& [result, text] : cases) {
    ui.messages.clear();
    help.shellResult = result;
    wizard.help.GoToWebsite("https://example.invalid/");
    ASSERT_EQ(ui.messages.size(), 1u) << result;
    EXPECT_EQ(ui.messages[0], std::make_pair(std::string(text), std::string("ShellExecute Error")));
  }
  help.shellResult = 33;
  ui.messages.clear();
  wizard.help.GoToWebsite("x");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, MoveFilesStartsTheRunAtOnceWithoutAdvancedOptions) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  rec.linksPerWalk = 2;
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo("C:\\Program Files\\App", "D:\\Apps");
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0], "move C:\\Program Files\\App>D:\\Apps\\App");
  EXPECT_EQ(wizard.end.finishedTitle, "Ostrivane has finished");
  EXPECT_TRUE(wizard.end.finishedMoveLineVisible);
  EXPECT_EQ(wizard.end.finishedMoveLine, "The files were successfully moved and");
  EXPECT_EQ(wizard.end.finishedCount, "4 links were remapped");
}

TEST_F(PageModelTest, AProgramRunningFromTheItemKeepsThePageUntilRetryFindsItEnded) {
  fs.AddFolder("C:\\Program Files\\App");
  FakeProcessesAndServices system;
  system.programs = {{"C:\\Program Files\\App\\app.exe", 9}};
  RunParts parts = *Ports().parts;
  parts.optionalRunning = &system;
  wizard.Wire(parts, &undo, &undo);
  Show();
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo("C:\\Program Files\\App", "D:\\Apps");
  // Cancel: nothing moved, and the page stays for another try.
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  EXPECT_EQ(ui.inUseQuestions.size(), 1u);
  EXPECT_TRUE(rec.calls.empty());

  ui.inUseReplies = {InUseAnswer::Retry};
  ui.onInUse = [&] { system.programs.clear(); };
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(ui.inUseQuestions.size(), 2u);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0], "move C:\\Program Files\\App>D:\\Apps\\App");
}

TEST_F(PageModelTest, EndPageNamesThePlacesPassedOverAndTheRunsNotes) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  int walk = 0;
  rec.duringWalk = [&] {
    if (walk++ != 0) return;
    rec.run->PassOver("C:\\App\\locked.ini", "in use by another program");
    wizard.lastRun.notes.push_back("C:\\App\\~ostrivane-1A2B.tmp, a temporary file, was removed.");
    wizard.lastRun.notes.push_back("C:\\App\\~ostrivane-3C4D.tmp, a temporary file, was removed.");
  };
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo("C:\\Program Files\\App", "D:\\Apps");
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.end.passedOverLine, "1 place could not be changed");
  // The run's notes stand on the end page, as the console prints them.
  EXPECT_EQ(wizard.end.NoticeText(),
            "C:\\App\\~ostrivane-1A2B.tmp, a temporary file, was removed.\r\n"
            "C:\\App\\~ostrivane-3C4D.tmp, a temporary file, was removed.");
  wizard.end.handOverWaiting = "C:\\Data\\Item";
  EXPECT_EQ(wizard.end.NoticeText().substr(wizard.end.NoticeText().find(".tmp, a temporary file, was removed.\r\nAnother")),
            ".tmp, a temporary file, was removed.\r\nAnother item was handed over while the run was on:\r\nC:\\Data\\Item");
  wizard.end.handOverWaiting.clear();
  wizard.ShowPassedOverClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  // Each place once, then what to do about them.
  EXPECT_EQ(ui.messages[0].first.rfind("C:\\App\\locked.ini: in use by another program\n\n", 0), 0u);
  EXPECT_NE(ui.messages[0].first.find("Close the program that holds a file, then run again"), std::string::npos);

  // The next run starts with none.
  walk = 1;
  wizard.TurnPage(Sender::GoToStart);
  wizard.TurnPage(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo("C:\\Program Files\\App", "D:\\Apps");
  wizard.TurnPage(Sender::MoveConfirmNext);
  EXPECT_EQ(wizard.end.passedOverLine, "");
  EXPECT_EQ(wizard.end.NoticeText(), "");
}

TEST_F(PageModelTest, FailedMoveEndsOnTheCancelPage) {
  fs.AddFolder("C:\\Data\\Old");
  Show("C:\\Data\\Old");
  rec.moveSucceeds = false;
  wizard.TurnPage(Sender::MoveGivenNext);  // no destination yet
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  wizard.move.givenDestination = "E:\\";
  wizard.TurnPage(Sender::MoveGivenNext);
  EXPECT_EQ(wizard.move.confirmSourceFolder, "C:\\Data\\");  // copied for "Back" from the targets page
  EXPECT_EQ(wizard.move.confirmItemName, "Old");
  EXPECT_EQ(wizard.move.confirmDestination, "E:\\");
  EXPECT_EQ(rec.calls, std::vector<std::string>{"move C:\\Data\\Old>E:\\Old"});
  EXPECT_EQ(wizard.CurrentPage, Page::Cancelled);
  EXPECT_EQ(wizard.end.cancelledTitle, "Process Cancelled");
  EXPECT_TRUE(wizard.end.cancelledMoveLineVisible);
  EXPECT_EQ(wizard.end.cancelledMoveLine, "All Files may not have been Moved");
  EXPECT_EQ(wizard.end.cancelledCount, "0 links were remapped");
}

TEST_F(PageModelTest, AdvancedOptionsLeadThroughTargetsAndDrives) {
  fs.AddFolder("C:\\Data\\Old");
  Show("C:\\Data\\Old");
  wizard.ShowAdvancedClick(true);
  wizard.move.givenDestination = "E:\\New";
  wizard.TurnPage(Sender::MoveGivenNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Targets);
  EXPECT_FALSE(wizard.showAdvancedVisible);
  EXPECT_EQ(wizard.choices.request.FindText, "C:\\Data\\Old");
  EXPECT_EQ(wizard.choices.request.ReplaceText, "E:\\New\\Old");
  wizard.TurnPage(Sender::TargetsNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Drives);
  EXPECT_TRUE(rec.calls.empty());
  wizard.TurnPage(Sender::DrivesStart);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(rec.calls.front(), "move C:\\Data\\Old>E:\\New\\Old");
}

TEST_F(PageModelTest, MapOnceChecksBothTextsAndSetsTheDialogBox) {
  Show();
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "C:\\Old";
  wizard.VerifyClick(true);
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(std::string("Type what it becomes in \"Replace with\"."), std::string("Map Only")));
  EXPECT_EQ(wizard.focusField, Field::ReplaceWith);
  EXPECT_TRUE(wizard.StopAndVerify());
  EXPECT_TRUE(wizard.showAdvancedVisible);  // the page keeps its box after the message
  // The same text in both boxes would change nothing: said, and nothing runs.
  wizard.mapOnly.replaceWith = wizard.mapOnly.findWhat;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].first,
            "The text to find and the text to replace it with are the same (C:\\Old): there is nothing to change.");
  // A new place no path could be: named, and nothing runs.
  wizard.mapOnly.replaceWith = "D:\\New \"x\"";
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_NE(ui.messages[2].first.find("holds the character \" (quotation mark)"), std::string::npos)
      << ui.messages[2].first;
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(PageModelTest, StartMapRunsAtOnceAndCountsTheLinks) {
  Show();
  rec.linksPerWalk = 1;
  wizard.choices.targets.settingsFiles = wizard.choices.targets.shortcuts = wizard.choices.targets.configFiles = false;  // registry only
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "C:\\Old";
  wizard.mapOnly.replaceWith = "D:\\New";
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_FALSE(wizard.choices.stopAndVerify);  // no verify box on: never ask
  // A search, then an apply at the places it found.
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"archive C:\\Ost\\Undo00000.zip", "reg C:\\Old>D:\\New",
                                                 "apply reg C:\\Old>D:\\New"}));
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_FALSE(wizard.end.finishedMoveLineVisible);
  EXPECT_EQ(wizard.end.finishedCount, "1 link was remapped");
  // The run's own refresh, then the window's once the run's report is written.
  EXPECT_EQ(undo.calls, (std::vector<std::string>{"refresh", "next", "refresh", "refresh"}));

  wizard.TurnPage(Sender::GoToStart);
  wizard.TurnPage(Sender::MapOnly);
  wizard.VerifyClick(true);
  wizard.ShowAdvancedClick(true);
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_TRUE(wizard.choices.stopAndVerify);
  EXPECT_EQ(wizard.CurrentPage, Page::Targets);
}

TEST_F(PageModelTest, TargetsWithoutFilesStartTheRunFromTheTargetsPage) {
  Show();
  wizard.TurnPage(Sender::SwitchDrives);
  wizard.switchDrives.secondDrive.clear();
  wizard.TurnPage(Sender::SwitchNext);
  EXPECT_EQ(wizard.CurrentPage, Page::SwitchDrives);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(std::string("You must enter both a first and a second drive letter."),
                                           std::string("Empty Entry")));
  wizard.switchDrives.secondDrive = "D";
  wizard.TurnPage(Sender::SwitchNext);  // always the targets page, advanced box or not
  EXPECT_EQ(wizard.CurrentPage, Page::Targets);
  EXPECT_EQ(wizard.choices.request.FindText, "C:\\");
  EXPECT_EQ(wizard.choices.request.ReplaceText, "D:\\");

  wizard.choices.targets = {true, false, false, false, false};
  wizard.TargetChecksClick();
  EXPECT_EQ(wizard.targetsPage.next, (ButtonFace{"&Start", Glyph::Start}));
  EXPECT_EQ(wizard.targetsPage.hint, "Press the Start button to Begin");
  wizard.TurnPage(Sender::TargetsNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.end.finishedCount, "0 links were remapped");

  wizard.choices.targets.allFiles = true;
  wizard.TargetChecksClick();
  EXPECT_EQ(wizard.targetsPage.next, (ButtonFace{"&Next", Glyph::Forward}));
  EXPECT_EQ(wizard.targetsPage.hint, "Press Next to go on.");
}

TEST_F(PageModelTest, AdvancedBoxSwitchesTheStartCaptions) {
  EXPECT_EQ(wizard.mapOnly.start, (ButtonFace{"&Start Map", Glyph::Start}));
  EXPECT_EQ(wizard.move.confirmHint, "Click on the \"Move Files\" button to start Moving Files");
  wizard.ShowAdvancedClick(true);
  for (const ButtonFace* b : {&wizard.move.confirmStart, &wizard.move.givenStart, &wizard.mapOnly.start})
    EXPECT_EQ(*b, (ButtonFace{"&Next", Glyph::Forward}));
  EXPECT_EQ(wizard.move.givenHint, "Click on the Next button to Continue");
  wizard.ShowAdvancedClick(false);
  EXPECT_EQ(wizard.move.givenStart, (ButtonFace{"Move &Files", Glyph::Start}));
  EXPECT_EQ(wizard.mapOnly.start, (ButtonFace{"&Start Map", Glyph::Start}));
  EXPECT_EQ(wizard.move.givenHint, "Click on the \"Move Files\" button to start Moving Files");
}

// The line under the start button while the Targets page is hidden.
TEST(TargetsInEffectLineTest, NamesWhatIsSearchedAndWhatIsOff) {
  Targets t;  // as on a first start
  EXPECT_EQ(TargetsInEffectLine(t), "Searches the registry, settings files, shortcuts and configuration files");
  t.configFiles = false;
  EXPECT_EQ(TargetsInEffectLine(t),
            "Searches the registry, settings files and shortcuts; configuration files are off: Show Advanced Map Options");
  t = {};
  t.registry = false;
  EXPECT_EQ(TargetsInEffectLine(t),
            "Searches settings files, shortcuts and configuration files; the registry is off: Show Advanced Map Options");
  t.shortcuts = false;
  t.allFiles = true;
  EXPECT_EQ(TargetsInEffectLine(t),
            "Searches settings files, configuration files and all files; the registry and shortcuts are off: Show "
            "Advanced Map Options");
  t = {false, false, false, false, false};
  EXPECT_EQ(TargetsInEffectLine(t),
            "Searches nothing; the registry, settings files, shortcuts and configuration files are off: Show Advanced "
            "Map Options");
}

TEST_F(PageModelTest, FailingRunStaysOnItsPageAndReportsTheError) {
  Show();
  wizard.ShowAdvancedClick(true);
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "a";
  wizard.mapOnly.replaceWith = "b";
  wizard.TurnPage(Sender::MapOnlyNext);
  wizard.TurnPage(Sender::TargetsNext);
  rec.failWalk = true;
  undo.entries = {Listed(0, "1/2/2026")};  // the failed run left a record
  EXPECT_THROW(wizard.TurnPage(Sender::DrivesStart), Error);
  EXPECT_EQ(wizard.CurrentPage, Page::Drives);
  EXPECT_FALSE(wizard.running);
  EXPECT_EQ(ui.events.back(), "close");
  EXPECT_EQ(wizard.undo.lines, std::vector<std::string>{"Undo00000 - 1/2/2026"});
  // And the window still works afterwards.
  rec.failWalk = false;
  wizard.TurnPage(Sender::DrivesStart);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
}

TEST_F(PageModelTest, NoInputIsTakenWhileARunIsOn) {
  Show();
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "a";
  wizard.mapOnly.replaceWith = "b";
  int pressed = 0;
  rec.duringWalk = [&] {
    ++pressed;
    wizard.TurnPage(Sender::TitleFront);
    wizard.TurnPage(Sender::MapOnlyNext);  // would start a second run
    EXPECT_FALSE(wizard.MayClose());
    wizard.undoing.DeleteUndoClick();
  };
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(pressed, 2);  // the registry walk and the file walk of one run
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "next"), 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs.Has(kIni));
}

TEST_F(PageModelTest, CloseQueryWritesTheSettingsFile) {
  Show();
  wizard.undoing.UndoAgeChange(2);
  wizard.intro.skipIntroduction = true;
  EXPECT_TRUE(wizard.MayClose());
  EXPECT_EQ(fs.At(kIni).data, "[Undo List]\r\nDeleteOlderThan=2\r\n\r\n[Start]\r\nSkipStartPage=1\r\n\r\n"
                              "[Targets]\r\nConfigurationFiles=1\r\n\r\n"
                              "[Show Changes First]\r\nMoveAndMap=0\r\nSwitchDrives=0\r\nMapOnly=0\r\n\r\n");

  // Other sections and keys stay; no selection is written as -1.
  fs.At(kIni).data = "[Other]\r\nKey=Value\r\n[Undo List]\r\nDeleteOlderThan=9\r\nMore=1\r\n";
  wizard.undo.ageIndex = -1;
  wizard.intro.skipIntroduction = false;
  wizard.choices.targets.configFiles = false;  // the box unticked
  EXPECT_TRUE(wizard.MayClose());
  EXPECT_EQ(fs.At(kIni).data,
            "[Other]\r\nKey=Value\r\n\r\n[Undo List]\r\nDeleteOlderThan=-1\r\nMore=1\r\n\r\n[Start]\r\nSkipStartPage=0\r\n\r\n"
            "[Targets]\r\nConfigurationFiles=0\r\n\r\n"
            "[Show Changes First]\r\nMoveAndMap=0\r\nSwitchDrives=0\r\nMapOnly=0\r\n\r\n");
  // ... and the next start reads it back unticked.
  Wizard next(Ports(), "C:\\Ost\\");
  next.Start("");
  EXPECT_FALSE(next.choices.targets.configFiles);
  EXPECT_FALSE(next.showChangesFirst[0] || next.showChangesFirst[1] || next.showChangesFirst[2]);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, UnwritableSettingsFileKeepsTheWindowOpen) {
  Show();
  fs.beforeWrite = [](const std::string&) { throw Error("access denied"); };
  EXPECT_FALSE(wizard.MayClose());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "Cannot create file C:\\Ost\\Ostrivane.ini");
  EXPECT_EQ(ui.messages[0].second, "Ostrivane");
}

TEST_F(PageModelTest, UndoPageButtonsNeedASelectedEntry) {
  Show();
  wizard.TurnPage(Sender::TitleUndo);
  wizard.undo.selection = 0;  // the placeholder, selected or not
  wizard.undoing.DeleteUndoClick();
  wizard.undoing.UndoChangesClick();
  EXPECT_EQ(wizard.focusField, Field::None);  // nothing to choose from
  undo.entries = {Listed(2, "1/1/2026 1:00:00 AM"), Listed(5, "1/2/2026")};
  wizard.undoing.UndoAgeChange(0);
  EXPECT_EQ(undo.age, 0);
  EXPECT_EQ(wizard.undo.lines, (std::vector<std::string>{"Undo00002 - 1/1/2026 1:00:00 AM", "Undo00005 - 1/2/2026"}));
  wizard.undoing.DeleteUndoClick();
  wizard.undoing.UndoChangesClick();
  EXPECT_EQ(wizard.focusField, Field::UndoList);  // the choice is made in the list
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].first, "There are no items to delete");
  EXPECT_EQ(ui.messages[1].first, "There are no items to undo");
  EXPECT_EQ(ui.messages[2].first, "Please select an item");
  EXPECT_EQ(ui.messages[3].first, "Please select an item");

  wizard.undo.selection = 1;
  wizard.undoing.UndoChangesClick();
  EXPECT_EQ(ui.messages.back().first, "0 files restored.  Undo has completed");
  EXPECT_EQ(wizard.undo.selection, 1);  // the list is read again; the entry stays selected
  wizard.undoing.DeleteUndoClick();
  EXPECT_EQ(undo.calls.back(), "refresh");
  EXPECT_EQ(undo.calls[undo.calls.size() - 2], "delete Undo00005");
  EXPECT_EQ(wizard.undo.lines, std::vector<std::string>{"Undo00002 - 1/1/2026 1:00:00 AM"});
  EXPECT_EQ(wizard.undo.selection, -1);
}

TEST_F(PageModelTest, NothingElseIsTakenWhileAnUndoIsOn) {
  Show();
  wizard.TurnPage(Sender::TitleUndo);
  undo.entries = {Listed(2, "1/1/2026 1:00:00 AM")};
  wizard.undoing.UndoAgeChange(1);
  wizard.undo.selection = 0;
  // The move back pumps messages: the entry must not be deleted under it,
  // the window not closed, no run started.
  undo.duringUndo = [&] {
    wizard.undoing.DeleteUndoClick();
    EXPECT_FALSE(wizard.MayClose());
    wizard.TurnPage(Sender::UndoBack);
    wizard.undoing.UndoAgeChange(0);  // a shorter age limit would delete the entry's records
  };
  wizard.undoing.UndoChangesClick();
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "delete Undo00002"), 0);
  EXPECT_EQ(undo.age, 1);
  EXPECT_EQ(wizard.undo.ageIndex, 1);
  EXPECT_EQ(wizard.CurrentPage, Page::Undo);
  EXPECT_FALSE(fs.Has(kIni));
  EXPECT_FALSE(wizard.running);
  EXPECT_EQ(ui.messages.back().first, "0 files restored.  Undo has completed");

  // Refused by the run lock: the window takes input again afterwards.
  undo.duringUndo = [] { throw Error("busy"); };
  EXPECT_THROW(wizard.undoing.UndoChangesClick(), Error);
  EXPECT_FALSE(wizard.running);
}

TEST_F(PageModelTest, FolderPickersFillTheirFields) {
  fs.AddFolder("C:\\Data");
  Show("C:\\Data\\Old");
  picker.answers = {std::string("E:\\Target"), std::nullopt, std::string("C:\\Find"), std::string("D:\\Repl")};
  wizard.moving.BrowseDestinationClick();
  EXPECT_EQ(wizard.move.givenDestination, "E:\\Target");
  wizard.moving.BrowseDestinationClick();  // cancelled: unchanged
  EXPECT_EQ(wizard.move.givenDestination, "E:\\Target");
  wizard.move.givenSourceFolder = "Q:\\Gone\\";
  wizard.BrowseFindWhatClick();
  wizard.BrowseReplaceWithClick();
  EXPECT_EQ(wizard.mapOnly.findWhat, "C:\\Find");
  EXPECT_EQ(wizard.mapOnly.replaceWith, "D:\\Repl");
  ASSERT_EQ(picker.asked.size(), 4u);
  EXPECT_EQ(picker.asked[0], std::make_pair(std::string("Select Destination"), std::string("C:\\Data\\")));
  EXPECT_EQ(picker.asked[2].first, "Select Folder");
  wizard.moving.BrowseDestinationClick();  // the folder no longer exists: start anywhere
  EXPECT_EQ(picker.asked[4].second, "");
}

TEST_F(PageModelTest, IntroductionPictureTravelsInAnArc) {
  Show();
  int steps = 0, highest = wizard.intro.picture1.top;
  while (wizard.intro.picture1.left < 210) {
    wizard.AnimateIntroPicture();
    ++steps;
    highest = std::min(highest, wizard.intro.picture1.top);
  }
  EXPECT_EQ(steps, 27);
  EXPECT_EQ(wizard.intro.picture1.left, 213);
  EXPECT_EQ(highest, 104 - 28);
  EXPECT_EQ(wizard.intro.picture1.top, 104 - 28 + 26);
  wizard.AnimateIntroPicture();
  EXPECT_EQ(wizard.intro.picture1.left, 78);
  EXPECT_EQ(wizard.intro.picture1.top, 104);
  EXPECT_EQ(wizard.intro.picture2.left, 46);  // only the visible page's picture moves

  wizard.TurnPage(Sender::Intro1Next);
  for (int i = 0; i < 28; ++i) wizard.AnimateIntroPicture();
  EXPECT_EQ(wizard.intro.picture2.left, 46);
  EXPECT_EQ(wizard.intro.picture2.top, 104);
}

// The window's own questions and message kinds, through the dialogs port.
class CarefulPageTest : public PageModelTest {
 protected:
  CarefulPageTest() : careful(Ports(&dialogs), "C:\\Ost\\") {}
  Wizard careful;
};

TEST_F(CarefulPageTest, OneVerifyChoiceWhateverPageShowsIt) {
  fs.AddFolder("C:\\Data\\Old");
  careful.Start("");
  RunAtOnce(careful);
  careful.TurnPage(Sender::MapOnly);
  careful.VerifyClick(true);
  careful.mapOnly.findWhat = "a";
  careful.mapOnly.replaceWith = "b";
  // A Cancel in "Entry Found" during a file walk keeps the choice as it was shown.
  ui.replies = {{Answer::Cancel, false}};
  rec.duringWalk = [&] { OfferChange(*rec.run, {}, WalkKind::Files); };
  careful.TurnPage(Sender::MapOnlyNext);
  EXPECT_TRUE(careful.StopAndVerify());
  // "Do Not Stop and Verify" ticked in it: the window's boxes are off after the run.
  ui.replies = {{Answer::Replace, true}};
  careful.TurnPage(Sender::GoToStart);
  careful.TurnPage(Sender::MapOnly);
  careful.TurnPage(Sender::MapOnlyNext);
  EXPECT_TRUE(ui.replies.empty());
  EXPECT_FALSE(careful.StopAndVerify());
  // Unticked on a move page: no box, shown or hidden, still asks.
  careful.TurnPage(Sender::GoToStart);
  careful.OpenMoveGiven("C:\\Data\\Old");
  careful.VerifyClick(false);
  EXPECT_FALSE(careful.StopAndVerify());
  careful.choices.request.Mode = RunMode::MoveAndMap;
  const RunSettings settings = RunSettings::AsGiven(careful.choices);
  Findings none;
  StopAndVerify asking(settings.stopAndVerify);
  EXPECT_FALSE(VerificationOn(RunPass{settings, {}, none, nullptr, &asking}));
  careful.move.givenDestination = "E:\\";
  rec.duringWalk = nullptr;
  careful.TurnPage(Sender::MoveGivenNext);
  EXPECT_FALSE(careful.choices.stopAndVerify);
}

TEST_F(CarefulPageTest, TheBandShowsExactlyTheModeAtHand) {
  careful.Start("");
  RunAtOnce(careful);
  auto panels = [&] {
    return int(careful.moveDescriptionVisible) | int(careful.switchDescriptionVisible) << 1 |
           int(careful.mapOnlyDescriptionVisible) << 2;
  };
  careful.TurnPage(Sender::MapOnly);
  EXPECT_EQ(panels(), 4);
  careful.OpenMoveGiven("C:\\Data\\Item");  // a hand-over onto the Map Only page
  EXPECT_EQ(panels(), 1);
  careful.TurnPage(Sender::MoveGivenBack);
  careful.TurnPage(Sender::SwitchDrives);
  EXPECT_EQ(panels(), 2);
  careful.TurnPage(Sender::SwitchBack);
  careful.TurnPage(Sender::MoveAndMap);
  EXPECT_EQ(panels(), 1);
}

TEST_F(CarefulPageTest, UndoDeleteAndAShorterAgeAskFirstNamingTheEntries) {
  careful.Start("");
  RunAtOnce(careful);
  careful.TurnPage(Sender::TitleUndo);
  undo.entries = {Listed(2, "1/1/2026 1:00:00 AM"), Listed(5, "1/2/2026")};
  undo.agedOut[0] = {*UndoName::OfNumber(2)};
  dialogs.answers = {false, true};
  careful.undoing.UndoAgeChange(0);  // refused: nothing deleted, the list keeps its age
  EXPECT_EQ(careful.undo.ageIndex, 1);
  EXPECT_EQ(undo.age, 1);
  careful.undoing.UndoAgeChange(0);
  EXPECT_EQ(undo.age, 0);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_NE(dialogs.asked[0].find("Undo00002"), std::string::npos);
  careful.undoing.UndoAgeChange(3);  // deletes nothing: no question
  EXPECT_EQ(dialogs.asked.size(), 2u);

  careful.undo.selection = 1;
  dialogs.answers = {false, false, true, true};
  careful.undoing.UndoChangesClick();
  careful.undoing.DeleteUndoClick();
  EXPECT_EQ(std::count_if(undo.calls.begin(), undo.calls.end(), [](auto& c) { return c.find("Undo00005") != std::string::npos; }), 0);
  careful.undoing.UndoChangesClick();
  careful.undoing.DeleteUndoClick();
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo Undo00005"), 1);
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "delete Undo00005"), 1);
  ASSERT_EQ(dialogs.asked.size(), 6u);
  for (std::size_t i = 2; i < 6; ++i) EXPECT_NE(dialogs.asked[i].find("Undo00005 - 1/2/2026"), std::string::npos) << i;
}

TEST_F(CarefulPageTest, RefusalsSayWhatIsWrongAndPointAtTheField) {
  careful.Start("");
  RunAtOnce(careful);
  // A whole drive is no item to move.
  careful.TurnPage(Sender::MoveAndMap);
  careful.moving.DropOnMoveTo("C:\\", "D:\\");
  EXPECT_EQ(careful.CurrentPage, Page::MoveTrees);
  careful.moving.MoveSelectedPair(nullptr, nullptr);  // the keyboard's way, nothing selected
  const NodeChain drive{"Local Disk (C:)", kMyComputer}, data{"Data (E:)", kMyComputer};
  careful.moving.MoveSelectedPair(&drive, &data);
  ASSERT_EQ(dialogs.told.size(), 3u);
  EXPECT_EQ(dialogs.told[0].second, MessageKind::Warning);
  EXPECT_EQ(dialogs.told[2].first, dialogs.told[0].first);
  // A source that is gone: an error on its page, no run and no "Process Cancelled".
  careful.OpenMoveGiven("C:\\Data\\Gone");
  careful.TurnPage(Sender::MoveGivenNext);
  EXPECT_EQ(careful.focusField, Field::GivenDestination);
  careful.move.givenDestination = " E:\\New\r\n";  // pasted
  careful.TurnPage(Sender::MoveGivenNext);
  EXPECT_EQ(careful.CurrentPage, Page::MoveGiven);
  EXPECT_EQ(dialogs.told.back().first, "C:\\Data\\Gone does not exist.  Please correct.");
  EXPECT_EQ(dialogs.told.back().second, MessageKind::Error);
  EXPECT_TRUE(rec.calls.empty());
  fs.AddFolder("C:\\Data\\Gone");
  careful.ShowAdvancedClick(true);
  careful.TurnPage(Sender::MoveGivenNext);
  EXPECT_EQ(careful.choices.request.ReplaceText, "E:\\New\\Gone");

  // Map Only: the empty box gets the focus.
  careful.TurnPage(Sender::GoToStart);
  careful.TurnPage(Sender::MapOnly);
  careful.mapOnly.findWhat = "a";
  careful.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(careful.focusField, Field::ReplaceWith);
  careful.mapOnly.findWhat.clear();
  careful.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(careful.focusField, Field::FindWhat);

  // Switch Drives: letters A to Z, two different ones; the message names the field.
  careful.TurnPage(Sender::MapOnlyBack);
  careful.TurnPage(Sender::SwitchDrives);
  struct Case {
    const char* first;
    const char* second;
    Field field;
    const char* named;
  };
  for (const Case& c : {Case{"1", "D", Field::FirstDrive, "first"}, Case{"C", "\xc3\x84", Field::SecondDrive, "second"},
                        Case{"c", "C", Field::SecondDrive, "Both"}}) {
    careful.switchDrives.firstDrive = c.first;
    careful.switchDrives.secondDrive = c.second;
    careful.focusField = Field::None;
    careful.TurnPage(Sender::SwitchNext);
    EXPECT_EQ(careful.CurrentPage, Page::SwitchDrives) << c.first << c.second;
    EXPECT_EQ(careful.focusField, c.field) << c.first << c.second;
    EXPECT_NE(dialogs.told.back().first.find(c.named), std::string::npos) << dialogs.told.back().first;
  }
  careful.switchDrives.firstDrive = "c";
  careful.switchDrives.secondDrive = "d";
  careful.TurnPage(Sender::SwitchNext);
  EXPECT_EQ(careful.CurrentPage, Page::Targets);
  EXPECT_EQ(careful.choices.request.FindText, "C:\\");
  EXPECT_EQ(careful.choices.request.ReplaceText, "D:\\");
}

TEST_F(CarefulPageTest, ARunThatStopsPartWaySaysWhatItChangedAndWhereToUndoIt) {
  careful.Start("");
  RunAtOnce(careful);
  careful.TurnPage(Sender::MapOnly);
  careful.mapOnly.findWhat = "a";
  careful.mapOnly.replaceWith = "b";
  rec.linksPerWalk = 3;
  int walks = 0;
  rec.duringWalk = [&] { rec.failWalk = ++walks == 2; };
  try {
    careful.TurnPage(Sender::MapOnlyNext);
    FAIL() << "the run did not fail";
  } catch (const Error& e) {
    const std::string m = e.what();
    EXPECT_EQ(m.rfind("disk full", 0), 0u) << m;
    EXPECT_NE(m.find("3 links were remapped"), std::string::npos) << m;
    EXPECT_NE(m.find("undone from the Undo page (entry Undo00000)"), std::string::npos) << m;
  }
  TestRun nothing;
  EXPECT_EQ(StoppedRunText("x", nothing.request.Mode, nothing), "x\n\nThe run stopped before it changed anything.");
}

TEST_F(CarefulPageTest, TheProgressMeasureIsThePreviousFinishedRun) {
  careful.Start("");
  RunAtOnce(careful);
  EXPECT_EQ(careful.run.work.Percent(), -1);
  careful.TurnPage(Sender::MapOnly);
  careful.mapOnly.findWhat = "a";
  careful.mapOnly.replaceWith = "b";
  rec.duringWalk = [&] {
    for (int i = 0; i < 20; ++i) careful.run.work.Item();
  };
  careful.TurnPage(Sender::MapOnlyNext);  // two walks: 40 items
  EXPECT_EQ(careful.run.itemsOfLastRun[ModeIndex(RunMode::MapOnly)], 40);
  EXPECT_TRUE(careful.MayClose());
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").ItemsOfLastRun[ModeIndex(RunMode::MapOnly)], 40);

  WorkMeter m;
  m.Begin(40);
  for (int i = 0; i < 10; ++i) m.Item();
  EXPECT_EQ(m.Percent(), 25);
  for (int i = 0; i < 26; ++i) m.Item();
  EXPECT_EQ(m.Percent(), 90);
  // More than last time: the bar slows and never reaches its end before the end page.
  int before = m.Percent();
  for (int i = 0; i < 1000; ++i) {
    m.Item();
    EXPECT_GE(m.Percent(), before);
    before = m.Percent();
  }
  EXPECT_EQ(before, 98);
  EXPECT_EQ(ElapsedText(7), "Elapsed 0:07");
  EXPECT_EQ(ElapsedText(3723), "Elapsed 1:02:03");
}

// Switch Drives touches the most: its changes are shown first unless the box
// is unticked, and a letter with no drive behind it is asked about, No first.
TEST_F(CarefulPageTest, SwitchDrivesShowsItsChangesFirstAndAsksAboutAMissingDrive) {
  careful.Start("");
  EXPECT_TRUE(careful.run.ShowChangesFirst());  // no settings file: every mode reviews first
  EXPECT_TRUE(careful.showChangesFirst[ModeIndex(RunMode::SwitchDrives)]);
  careful.TurnPage(Sender::SwitchDrives);
  careful.switchDrives.firstDrive = "c";
  careful.switchDrives.secondDrive = "q";
  dialogs.answers = {false};
  careful.TurnPage(Sender::SwitchNext);
  EXPECT_EQ(careful.CurrentPage, Page::SwitchDrives);
  EXPECT_EQ(careful.focusField, Field::SecondDrive);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0],
            "There is no drive Q:.  Every reference to C: will then point to a drive that does not exist.\n\nGo on?");
  careful.TurnPage(Sender::SwitchNext);  // Yes
  EXPECT_EQ(careful.CurrentPage, Page::Targets);
  EXPECT_EQ(careful.choices.request.ReplaceText, "Q:\\");
  careful.TurnPage(Sender::TargetsBack);
  careful.switchDrives.secondDrive = "D";  // both there: nothing to ask
  careful.TurnPage(Sender::SwitchNext);
  EXPECT_EQ(careful.CurrentPage, Page::Targets);
  EXPECT_EQ(dialogs.asked.size(), 2u);
}

// What was changed before a cancel stays; the end page says so and names the
// entry that takes it back. A cancel before any change says nothing of it.
TEST_F(PageModelTest, TheCancelledPageSaysWhatStaysAndWhichEntryUndoesIt) {
  Show();
  rec.linksPerWalk = 1;
  rec.duringWalk = [this] { wizard.lastRun.tally.cancelled = true; };
  wizard.choices.targets = Targets{true, false, false, false, false};  // one walk: the registry
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "C:\\Old";
  wizard.mapOnly.replaceWith = "C:\\New";
  wizard.TurnPage(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Cancelled);
  EXPECT_EQ(wizard.end.cancelledCount, "1 link was remapped");
  EXPECT_EQ(wizard.end.notes.at(0),
            "The 1 change made before the cancel stays.  The undo entry Undo00000 on the Undo page takes it back.");
  EXPECT_TRUE(wizard.end.showChangesVisible);
  // Cancelled before its first change: it says so, offers no report, and
  // its number (never shown) goes to the next run.
  wizard.TurnPage(Sender::GoToStart);
  rec.linksPerWalk = 0;
  wizard.TurnPage(Sender::MapOnly);
  wizard.TurnPage(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Cancelled);
  EXPECT_EQ(wizard.end.notes.at(0), "The run was cancelled before it changed anything.");
  EXPECT_FALSE(wizard.end.showChangesVisible);
  EXPECT_EQ(wizard.lastRun.tally.undoName, "");
  // A shortcut's two parts are one link and two changes: the note counts
  // the changes, as the list shows them.
  TestRun moved;
  moved.request.Mode = RunMode::MoveAndMap;
  moved.tally.move = ItemMoveOutcome::Moved;
  moved.Record({"C:\\A.lnk", "", 0, ChangeKind::ShortcutTarget, "C:\\Old", "C:\\New", ChangeOutcome::Changed, ""});
  ChangeEntry arguments{"C:\\A.lnk", "", 0, ChangeKind::ShortcutArguments, "C:\\Old", "C:\\New", ChangeOutcome::Changed, ""};
  arguments.furtherPart = true;
  moved.Record(arguments);
  EXPECT_EQ(KeptAfterCancelText(moved.request.Mode, moved), "The move and the 2 changes made before the cancel stay.  The Undo page takes them back.");
  EXPECT_EQ(CountLine(moved), "1 link was remapped (2 changes)");
  // Nothing made: said so; a move that did not happen says so itself.
  TestRun nothing;
  EXPECT_EQ(KeptAfterCancelText(RunMode::MapOnly, nothing), "The run was cancelled before it changed anything.");
  nothing.tally.move = ItemMoveOutcome::NothingMoved;
  EXPECT_EQ(KeptAfterCancelText(RunMode::MoveAndMap, nothing), "");
  EXPECT_EQ(CountLine(nothing), "0 links were remapped");
}

// The Undo question promises a move back only for an entry that moved something.
TEST_F(CarefulPageTest, TheUndoQuestionSpeaksOfAMoveOnlyForAMove) {
  // Texts that would read as another kind do not fool it: the kind is the record's.
  undo.entries = {Listed(2, "1/1/2026", RunMode::MapOnly, "C:\\A - Move and Map: x", "C:\\B"),
                  Listed(3, "1/2/2026", RunMode::MoveAndMap, "C:\\A", "D:\\A")};
  careful.Start("");
  careful.TurnPage(Sender::TitleUndo);
  dialogs.answers = {false, false};
  careful.undo.selection = 0;
  careful.undoing.UndoChangesClick();
  careful.undo.selection = 1;
  careful.undoing.UndoChangesClick();
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[0].find("moved item"), std::string::npos);
  EXPECT_NE(dialogs.asked[1].find("The moved item goes back"), std::string::npos);
}

// An undo that would strand references undoes nothing; forced only on Yes.
TEST_F(CarefulPageTest, AHeldBackUndoIsForcedOnlyWhenTheUserSaysYes) {
  undo.entries = {Listed(3, "1/2/2026", RunMode::MoveAndMap, "C:\\A", "D:\\A")};
  careful.Start("");
  careful.TurnPage(Sender::TitleUndo);
  careful.undo.selection = 0;
  undo.heldBack = true;
  dialogs.answers = {true, false};
  careful.undoing.UndoChangesClick();
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo --force Undo00003"), 0);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_NE(dialogs.asked[1].find("later changes are lost"), std::string::npos) << dialogs.asked[1];
  dialogs.answers = {true, true};
  careful.undoing.UndoChangesClick();
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo --force Undo00003"), 1);
  EXPECT_EQ(dialogs.asked.size(), 4u) << "no second question after the forced undo";
}

TEST(PageNames, RoundTrip) {
  for (int i = 1; i < kPageCount; ++i) EXPECT_EQ(PageNamed(PageName(Page(i))), Page(i));
  EXPECT_EQ(PageNamed("Nowhere"), Page::None);
}

}  // namespace

// An undo that left places is told as a warning, and its question counts
// right; an entry whose undo left nothing cannot be undone again.
TEST_F(CarefulPageTest, APartialUndoIsAWarningAndAnUndoneEntryOffersNoUndo) {
  careful.Start("");
  RunAtOnce(careful);
  careful.TurnPage(Sender::TitleUndo);
  undo.entries = {Listed(2, "1/1/2026 1:00:00 AM")};
  careful.undoing.RefreshUndoList();
  careful.undo.selection = 0;
  EXPECT_TRUE(careful.undo.CanUndo());
  undo.changedSince = 1;
  dialogs.answers = {true, false};  // undo it; leave the changed place
  careful.undoing.UndoChangesClick();
  // The undo shows its progress, which is gone before its message comes.
  EXPECT_EQ(dialogs.events, (std::vector<std::string>{"progress shown", "Restoring files", "progress closed", "told"}));
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[1].rfind("1 place was changed after the run and left as it is.\n\nRestore it anyway?", 0), 0u)
      << dialogs.asked[1];
  ASSERT_FALSE(dialogs.told.empty());
  EXPECT_EQ(dialogs.told.back().second, MessageKind::Warning);
  EXPECT_EQ(LeftAfterRunQuestion(3).rfind("3 places were changed after the run and left as they are.", 0), 0u);

  undo.changedSince = 0;
  dialogs.answers = {true};
  careful.undoing.UndoChangesClick();
  EXPECT_EQ(dialogs.told.back().second, MessageKind::Information);
  // A forced undo after the question shows its own.
  dialogs.events.clear();
  undo.changedSince = 1;
  dialogs.answers = {true, true};
  careful.undoing.UndoChangesClick();
  EXPECT_EQ(dialogs.events, (std::vector<std::string>{"progress shown", "Restoring files", "progress closed", "told",
                                                      "progress shown", "Restoring files", "progress closed", "told"}));
  undo.changedSince = 0;
  undo.entries[0].state = UndoState::Undone;
  careful.undoing.RefreshUndoList();
  careful.undo.selection = 0;
  EXPECT_FALSE(careful.undo.CanUndo());
  undo.entries[0].state = UndoState::PartlyUndone;  // places are left to undo
  careful.undoing.RefreshUndoList();
  EXPECT_TRUE(careful.undo.CanUndo());
}

// However many places an undo leaves, its message stays short: the pane
// under the list names each, for the entry it undid.
TEST_F(CarefulPageTest, APartialUndoNamesItsPlacesInThePaneNotInAGrowingMessage) {
  careful.Start("");
  RunAtOnce(careful);
  careful.TurnPage(Sender::TitleUndo);
  undo.entries = {Listed(2, "1/1/2026 1:00:00 AM"), Listed(3, "1/2/2026")};
  careful.undoing.RefreshUndoList();
  careful.undo.selection = 0;
  undo.changedSince = 40;
  dialogs.answers = {true, false};
  careful.undoing.UndoChangesClick();
  ASSERT_FALSE(dialogs.told.empty());
  EXPECT_EQ(dialogs.told.back().first, std::string(kUndoIncomplete) +
                                           " 40 places were left as they were.\n\nThe list under the undo entries "
                                           "names each with why.");
  const std::string status = careful.undo.Status();
  EXPECT_EQ(status.rfind(careful.undo.SelectedLine() + "\n\n", 0), 0u);
  EXPECT_NE(status.find("C:\\Changed was changed after the run"), std::string::npos);
  careful.undo.selection = 1;  // another entry: only its own line
  EXPECT_EQ(careful.undo.Status(), careful.undo.SelectedLine());
}
