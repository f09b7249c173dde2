#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/TForm1.h"
#include "core/Error.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/FakeWindowPorts.h"

namespace {
const std::string kIni = "C:\\Ost\\Ostrivane.ini";

class PageModelTest : public ::testing::Test {
 protected:
  PageModelTest() : form(Ports(), "C:\\Ost\\") {
    fs.AddFolder("C:\\Ost");
    rec.ctx = &form.ctx;
  }
  TForm1Ports Ports() {
    TForm1Ports p{&ui, &fs, &drives, &undo, &undo, &picker, {}, [this] { return version; }};
    p.parts = {&undo, &rec, &rec, &rec, &rec, &rec, nullptr, nullptr};
    p.driveTypes = &types;
    p.help = &help;
    p.shell = &help;
    return p;
  }
  void Show(const std::string& arg = "") { form.FormShow(arg); }
  // Straight to a page, as if the user had walked there.
  void At(Page page) { form.CurrentPage = page; }

  FakeFileSystem fs;
  FakeUi ui;
  FakeUndoList undo;
  FakeDrives drives;
  FakePicker picker;
  RecordingRunParts rec;
  FakeDriveTypes types;
  FakeHelp help;
  OsVersion version{true, true, 6, 1};
  TForm1 form;
};

TEST_F(PageModelTest, FirstShowWithoutSettingsFile) {
  version = {true, true, 5, 1};
  Show();
  EXPECT_EQ(form.CurrentPage, Page::pnlBegin);
  EXPECT_TRUE(form.Timer1Enabled);
  EXPECT_FALSE(form.Label71Visible);
  EXPECT_EQ(form.suiComboBox1, 1);
  EXPECT_EQ(undo.age, 1);
  EXPECT_EQ(undo.calls, std::vector<std::string>{"refresh"});
  EXPECT_EQ(form.ListBox1, std::vector<std::string>{kNoChangesToUndo});
  EXPECT_EQ(form.OsGeneration, 6);
  EXPECT_EQ(form.ctx.OsGeneration, 6);
  EXPECT_EQ(form.HelpFile, "C:\\Ost\\Ostrivane.hlp");
  ASSERT_EQ(form.ctx.drives.size(), 3u);
  EXPECT_EQ(form.ctx.drives[0].caption, "Local Disk (C:)");
  EXPECT_EQ(form.ctx.drives[1].root, "D:\\");
  EXPECT_TRUE(form.ctx.drives[0].selected);
  EXPECT_FALSE(form.ctx.drives[1].selected);  // listed, not selected
  EXPECT_TRUE(form.ctx.drives[2].selected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, SettingsAreReadBackAndBadValuesFallBack) {
  fs.AddFile(kIni, "[Undo List]\r\nDeleteOlderThan=3\r\n[Start]\r\nSkipStartPage=1\r\n");
  Show();
  EXPECT_EQ(form.CurrentPage, Page::pnlFront);
  EXPECT_TRUE(form.Label71Visible);
  EXPECT_FALSE(form.Timer1Enabled);
  EXPECT_TRUE(form.suiCheckBox2);
  EXPECT_EQ(form.suiComboBox1, 3);

  fs.At(kIni).data = "[Undo List]\r\nDeleteOlderThan=7\r\n";
  EXPECT_EQ(ReadSettings(fs, "C:\\Ost\\").DeleteOlderThan, -1);  // outside the list: no selection
  for (const char* junk : {"DeleteOlderThan=abc", "\xff\xfe[\0\0", "[Undo List\r\nDeleteOlderThan=2", "[Undo List]\nDeleteOlderThan= 2x"}) {
    fs.At(kIni).data = junk;
    const Settings s = ReadSettings(fs, "C:\\Ost\\");
    EXPECT_EQ(s.DeleteOlderThan, 1) << junk;
    EXPECT_FALSE(s.SkipStartPage) << junk;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, CommandLinePathOpensTheMoveParameterPage) {
  Show("C:\\Program Files\\App");
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveParam);
  EXPECT_EQ(form.Label14, "C:\\Program Files\\");
  EXPECT_EQ(form.Label28, "App");
  EXPECT_TRUE(form.tpnlMoveVisible);
  EXPECT_TRUE(form.suiCheckBox1Visible);
  EXPECT_EQ(form.ctx.request.Mode, 'M');
  EXPECT_FALSE(form.Timer1Enabled);
}

// Rows of the page table that only navigate.
struct Row {
  Sender sender;
  Page from;
  Page next;
  int panelsBefore;  // bits: 1 tpnlMove, 2 tpnlSwitch, 4 tpnlFind
  int panelsAfter;
  bool advanced;  // "Show Advanced Map Options" shown afterwards
  char mode;      // Mode afterwards ('F' was set before)
};

class PageTableTest : public PageModelTest, public ::testing::WithParamInterface<Row> {};

TEST_P(PageTableTest, TurnsAndShows) {
  const Row r = GetParam();
  Show();
  At(r.from);
  form.tpnlMoveVisible = r.panelsBefore & 1;
  form.tpnlSwitchVisible = r.panelsBefore & 2;
  form.tpnlFindVisible = r.panelsBefore & 4;
  form.suiCheckBox1Visible = true;
  form.ctx.request.Mode = 'F';
  form.ctx.request.Cancelled = true;
  form.TurnPage(r.sender);
  EXPECT_EQ(form.CurrentPage, r.next);
  EXPECT_EQ(form.tpnlMoveVisible + 2 * form.tpnlSwitchVisible + 4 * form.tpnlFindVisible, r.panelsAfter);
  EXPECT_EQ(form.suiCheckBox1Visible, r.advanced);
  EXPECT_EQ(form.ctx.request.Mode, r.mode);
  EXPECT_FALSE(form.ctx.request.Cancelled);
  EXPECT_EQ(form.Label71Visible, r.next == Page::pnlFront);
  EXPECT_EQ(form.Timer1Enabled, r.next == Page::pnlBegin || r.next == Page::pnlBegin2);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Navigation, PageTableTest,
    ::testing::Values(Row{Sender::btnBeginNext, Page::pnlBegin, Page::pnlBegin2, 0, 0, false, 'F'},
                      Row{Sender::btnBegin2Next, Page::pnlBegin2, Page::pnlBegin3, 0, 0, false, 'F'},
                      Row{Sender::btnBegin2Back, Page::pnlBegin2, Page::pnlBegin, 0, 0, false, 'F'},
                      Row{Sender::btnBegin3Next, Page::pnlBegin3, Page::pnlFront, 0, 0, false, 'F'},
                      Row{Sender::btnBegin3Back, Page::pnlBegin3, Page::pnlBegin2, 0, 0, false, 'F'},
                      Row{Sender::btnUndo, Page::pnlTargets, Page::pnlUndo, 7, 0, false, 'F'},
                      Row{Sender::btnMoveDrive, Page::pnlFront, Page::pnlMoveStart, 0, 1, true, 'M'},
                      Row{Sender::btnSwitchDrive, Page::pnlFront, Page::pnlSwitchStart, 0, 2, false, 'S'},
                      Row{Sender::btnFindReplace, Page::pnlFront, Page::pnlFindStart, 0, 4, true, 'F'},
                      Row{Sender::ShellTreeView1, Page::pnlMoveStart, Page::pnlMoveStart2, 1, 1, true, 'F'},
                      Row{Sender::pnlMoveParam, Page::pnlFront, Page::pnlMoveParam, 0, 1, true, 'M'},
                      Row{Sender::btnMoveStartBack, Page::pnlMoveStart2, Page::pnlFront, 7, 0, false, 'F'},
                      Row{Sender::btnMoveParamBack, Page::pnlMoveParam, Page::pnlFront, 7, 0, false, 'F'},
                      Row{Sender::btnToFront, Page::pnlUndo, Page::pnlFront, 7, 0, false, 'F'},
                      Row{Sender::btnFindStartBack, Page::pnlFindStart, Page::pnlFront, 7, 0, false, 'F'},
                      Row{Sender::btnSwitchStartBack, Page::pnlSwitchStart, Page::pnlFront, 7, 0, false, 'F'},
                      Row{Sender::btnTargetBack, Page::pnlTargets, Page::pnlFindStart, 4, 4, true, 'F'},
                      Row{Sender::btnDrivesBack, Page::pnlDrives, Page::pnlTargets, 4, 4, false, 'F'},
                      Row{Sender::btnStartOver, Page::pnlFinish, Page::pnlBegin, 7, 0, false, 'F'},
                      Row{Sender::btnStartOver2, Page::pnlCancelFinish, Page::pnlBegin, 7, 0, false, 'F'},
                      Row{Sender::btnFront, Page::pnlDrives, Page::pnlBegin, 7, 0, false, 'F'}));

TEST_F(PageModelTest, TargetsBackGoesByMode) {
  Show();
  At(Page::pnlTargets);
  form.ctx.request.Mode = 'M';
  form.TurnPage(Sender::btnTargetBack);
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveStart2);
  EXPECT_TRUE(form.suiCheckBox1Visible);
  At(Page::pnlTargets);
  form.ctx.request.Mode = 'S';
  form.TurnPage(Sender::btnTargetBack);
  EXPECT_EQ(form.CurrentPage, Page::pnlSwitchStart);
  EXPECT_FALSE(form.suiCheckBox1Visible);
}

TEST_F(PageModelTest, GoToStartHonoursSkipIntroductionButFrontDoesNot) {
  Show();
  form.suiCheckBox2 = true;
  At(Page::pnlFinish);
  form.TurnPage(Sender::btnStartOver);
  EXPECT_EQ(form.CurrentPage, Page::pnlFront);
  EXPECT_TRUE(form.Label71Visible);
  form.TurnPage(Sender::btnFront);
  EXPECT_EQ(form.CurrentPage, Page::pnlBegin);
  EXPECT_FALSE(form.Label71Visible);
}

TEST_F(PageModelTest, ExitEndsWithoutWritingSettings) {
  Show();
  At(Page::pnlFinish);
  form.TurnPage(Sender::btnFinish);
  EXPECT_TRUE(form.Terminated);
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  EXPECT_FALSE(fs.Has(kIni));
}

TEST_F(PageModelTest, DraggedMoveNeedsAllThreeTexts) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  At(Page::pnlMoveStart);
  form.TurnPage(Sender::btnMoveDrive);
  form.ToDragDrop("C:", "D:");  // the whole drive
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveStart2);
  EXPECT_EQ(form.Label15, "");
  EXPECT_EQ(form.Label9, "");
  EXPECT_EQ(form.Label10, "C:\\");
  EXPECT_EQ(form.Label12, "and all files and folders in it will be moved to");
  EXPECT_EQ(form.Label16, "D:\\");
  form.TurnPage(Sender::btnMoveStartNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveStart2);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "Not enough information to proceed");
  EXPECT_EQ(ui.messages[0].second, "Ostrivane");
  EXPECT_TRUE(rec.calls.empty());

  form.ToDragDrop("C:\\Program Files\\NOTES.TXT", "D:\\Apps");
  EXPECT_EQ(form.Label9, "will be moved from");
  form.ToDragDrop("C:\\Program Files\\App", "D:\\Apps");
  EXPECT_EQ(form.Label15, "App");
  EXPECT_EQ(form.Label9, "and all files and folders in it will be moved from");
  EXPECT_EQ(form.Label10, "C:\\Program Files\\");
  EXPECT_EQ(form.Label12, "to");
  EXPECT_EQ(form.Label16, "D:\\Apps\\");
}

TEST_F(PageModelTest, DropOfTreeNodesFillsTheConfirmationPage) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  form.TurnPage(Sender::btnMoveDrive);
  const NodeChain app{"App", "Program Files", "Local Disk (C:)", kMyComputer};
  const NodeChain apps{"Apps", "Data (E:)", kMyComputer};
  // Not from the left tree, or onto a CD drive: nothing changes.
  form.ToDragDrop(TreeSide::MoveTo, app, apps);
  form.ToDragDrop(TreeSide::MoveFrom, app, {"x", "CD Drive (D:)", kMyComputer});
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveStart);
  EXPECT_EQ(form.Label15, "");

  form.ToDragDrop(TreeSide::MoveFrom, app, apps);
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveStart2);
  EXPECT_TRUE(form.suiCheckBox1Visible);
  EXPECT_EQ(form.Label15, "App");
  EXPECT_EQ(form.Label9, "and all files and folders in it will be moved from");
  EXPECT_EQ(form.Label10, "C:\\Program Files\\");
  EXPECT_EQ(form.Label12, "to");
  EXPECT_EQ(form.Label16, "E:\\Apps\\");
  // Onto the drive node itself.
  form.ToDragDrop(TreeSide::MoveFrom, app, {"Data (E:)", kMyComputer});
  EXPECT_EQ(form.Label16, "E:\\");
  form.TurnPage(Sender::btnMoveStartNext);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0], "move C:\\Program Files\\App>E:\\App");
}

TEST_F(PageModelTest, HelpFormatFollowsTheWindowsGeneration) {
  Show();  // NT 6.1: HTML help
  form.TransparentButton2Click();
  help.htmlHelpWorks = false;
  form.TransparentButton2Click();  // viewer missing: the older format at the same topic
  EXPECT_EQ(help.calls, (std::vector<std::string>{"html C:\\Ost\\Ostrivane.chm Introduction.htm",
                                                  "html C:\\Ost\\Ostrivane.chm Introduction.htm",
                                                  "winhelp C:\\Ost\\Ostrivane.hlp Introduction.htm"}));
  // Newer than NT 6.1 counts as the last generation; NT 5.2 and older get the contents of the older format.
  for (OsVersion v : {OsVersion{true, true, 10, 0}, OsVersion{true, true, 5, 2}, OsVersion{true, false, 4, 10}}) {
    version = v;
    help.calls.clear();
    help.htmlHelpWorks = true;
    Show();
    form.TransparentButton2Click();
    ASSERT_EQ(help.calls.size(), 1u);
    EXPECT_EQ(help.calls[0], v.major >= 6 ? "html C:\\Ost\\Ostrivane.chm Introduction.htm" : "contents C:\\Ost\\Ostrivane.hlp");
  }
  // The introduction page's links open pages of the help in any generation.
  help.calls.clear();
  form.Label65Click();
  form.Label66Click();
  EXPECT_EQ(help.calls, (std::vector<std::string>{"html C:\\Ost\\Ostrivane.chm Introduction.htm",
                                                  "html C:\\Ost\\Ostrivane.chm Questions.htm"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, ShellFailuresAreReportedByTheErrorTable) {
  Show();
  form.GoToWebsite("C:\\Docs\\Guide.txt");
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
    form.GoToWebsite("https://example.invalid/");
    ASSERT_EQ(ui.messages.size(), 1u) << result;
    EXPECT_EQ(ui.messages[0], std::make_pair(std::string(text), std::string("ShellExecute Error")));
  }
  help.shellResult = 33;
  ui.messages.clear();
  form.GoToWebsite("x");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, MoveFilesStartsTheRunAtOnceWithoutAdvancedOptions) {
  fs.AddFolder("C:\\Program Files\\App");
  Show();
  rec.linksPerWalk = 2;
  form.TurnPage(Sender::btnMoveDrive);
  form.ToDragDrop("C:\\Program Files\\App", "D:\\Apps");
  form.TurnPage(Sender::btnMoveStartNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  ASSERT_FALSE(rec.calls.empty());
  EXPECT_EQ(rec.calls[0], "move C:\\Program Files\\App>D:\\Apps\\App");
  EXPECT_EQ(form.Label27, "Ostrivane has finished");
  EXPECT_TRUE(form.Label41Visible);
  EXPECT_EQ(form.Label41, "The files were successfully moved and");
  EXPECT_EQ(form.Label39, "4 links were remapped");
}

TEST_F(PageModelTest, FailedMoveEndsOnTheCancelPage) {
  Show("C:\\Data\\Old");
  rec.moveSucceeds = false;
  form.TurnPage(Sender::btnMoveParamNext);  // no destination yet
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(form.CurrentPage, Page::pnlMoveParam);
  form.Edit1 = "E:\\";
  form.TurnPage(Sender::btnMoveParamNext);
  EXPECT_EQ(form.Label10, "C:\\Data\\");  // copied for "Back" from the targets page
  EXPECT_EQ(form.Label15, "Old");
  EXPECT_EQ(form.Label16, "E:\\");
  EXPECT_EQ(rec.calls, std::vector<std::string>{"move C:\\Data\\Old>E:\\Old"});
  EXPECT_EQ(form.CurrentPage, Page::pnlCancelFinish);
  EXPECT_EQ(form.Label68, "Process Cancelled");
  EXPECT_TRUE(form.Label70Visible);
  EXPECT_EQ(form.Label70, "All Files may not have been Moved");
  EXPECT_EQ(form.Label69, "0 links were remapped");
}

TEST_F(PageModelTest, AdvancedOptionsLeadThroughTargetsAndDrives) {
  Show("C:\\Data\\Old");
  form.suiCheckBox1Click(true);
  form.Edit1 = "E:\\New";
  form.TurnPage(Sender::btnMoveParamNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlTargets);
  EXPECT_FALSE(form.suiCheckBox1Visible);
  EXPECT_EQ(form.ctx.request.FindText, "C:\\Data\\Old");
  EXPECT_EQ(form.ctx.request.ReplaceText, "E:\\New\\Old");
  form.TurnPage(Sender::btnTargetNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlDrives);
  EXPECT_TRUE(rec.calls.empty());
  form.TurnPage(Sender::btnDrivesNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  EXPECT_EQ(rec.calls.front(), "move C:\\Data\\Old>E:\\New\\Old");
}

TEST_F(PageModelTest, MapOnceChecksBothTextsAndSetsTheDialogBox) {
  Show();
  form.TurnPage(Sender::btnFindReplace);
  form.Edit5 = "C:\\Old";
  form.ctx.verify.chReplaceAll = false;
  form.TurnPage(Sender::btnFindStartNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlFindStart);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first,
            "The \"Find\" and/or the \"Replace With\" textboxes are empty.  Please type in what you want to find and "
            "what you want to replace it with.");
  EXPECT_EQ(ui.messages[0].second, "Textbox Empty");
  EXPECT_FALSE(form.ctx.verify.chReplaceAll);
  EXPECT_TRUE(form.suiCheckBox1Visible);  // the page keeps its box after the message
}

TEST_F(PageModelTest, StartMapRunsAtOnceAndCountsTheLinks) {
  Show();
  rec.linksPerWalk = 1;
  form.ctx.targets.chbxIni = form.ctx.targets.chbxShortcuts = false;  // registry only
  form.TurnPage(Sender::btnFindReplace);
  form.Edit5 = "C:\\Old";
  form.Edit6 = "D:\\New";
  form.TurnPage(Sender::btnFindStartNext);
  EXPECT_TRUE(form.ctx.verify.chReplaceAll);  // no verify box on: never ask
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"archive C:\\Ost\\Undo00000.zip", "reg C:\\Old>D:\\New"}));
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  EXPECT_FALSE(form.Label41Visible);
  EXPECT_EQ(form.Label39, "1 link was remapped");
  EXPECT_EQ(undo.calls, (std::vector<std::string>{"refresh", "next", "refresh"}));

  form.TurnPage(Sender::btnStartOver);
  form.TurnPage(Sender::btnFindReplace);
  form.ctx.verify.suiCheckBox4 = true;
  form.suiCheckBox1Click(true);
  form.TurnPage(Sender::btnFindStartNext);
  EXPECT_FALSE(form.ctx.verify.chReplaceAll);
  EXPECT_EQ(form.CurrentPage, Page::pnlTargets);
}

TEST_F(PageModelTest, TargetsWithoutFilesStartTheRunFromTheTargetsPage) {
  Show();
  form.TurnPage(Sender::btnSwitchDrive);
  form.Edit4.clear();
  form.TurnPage(Sender::btnSwitchStartNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlSwitchStart);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], std::make_pair(std::string("You must enter both a first and a second drive letter."),
                                           std::string("Empty Entry")));
  form.Edit4 = "D";
  form.TurnPage(Sender::btnSwitchStartNext);  // always the targets page, advanced box or not
  EXPECT_EQ(form.CurrentPage, Page::pnlTargets);
  EXPECT_EQ(form.ctx.request.FindText, "C:\\");
  EXPECT_EQ(form.ctx.request.ReplaceText, "D:\\");

  form.ctx.targets = {true, false, false, false};
  form.TargetChecksClick();
  EXPECT_EQ(form.btnTargetNext, (ButtonFace{"Start", Glyph::Start}));
  EXPECT_EQ(form.Label13, "Press the Start button to Begin");
  form.TurnPage(Sender::btnTargetNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  EXPECT_EQ(form.Label39, "0 links were remapped");

  form.ctx.targets.chbxAllFiles = true;
  form.TargetChecksClick();
  EXPECT_EQ(form.btnTargetNext, (ButtonFace{"Next", Glyph::Forward}));
  EXPECT_EQ(form.Label13, "Press the Next button to Continue");
}

TEST_F(PageModelTest, AdvancedBoxSwitchesTheStartCaptions) {
  EXPECT_EQ(form.btnFindStartNext, (ButtonFace{"Start Map", Glyph::Start}));
  EXPECT_EQ(form.Label18, "Click on the \"Move Files\" button to start Moving Files");
  form.suiCheckBox1Click(true);
  for (const ButtonFace* b : {&form.btnMoveStartNext, &form.btnMoveParamNext, &form.btnFindStartNext})
    EXPECT_EQ(*b, (ButtonFace{"Next", Glyph::Forward}));
  EXPECT_EQ(form.Label21, "Click on the Next button to Continue");
  form.suiCheckBox1Click(false);
  EXPECT_EQ(form.btnMoveParamNext, (ButtonFace{"Move Files", Glyph::Start}));
  EXPECT_EQ(form.btnFindStartNext, (ButtonFace{"Start Map", Glyph::Start}));
  EXPECT_EQ(form.Label21, "Click on the \"Move Files\" button to start Moving Files");
}

TEST_F(PageModelTest, FailingRunStaysOnItsPageAndReportsTheError) {
  Show();
  form.suiCheckBox1Click(true);
  form.TurnPage(Sender::btnFindReplace);
  form.Edit5 = "a";
  form.Edit6 = "b";
  form.TurnPage(Sender::btnFindStartNext);
  form.TurnPage(Sender::btnTargetNext);
  rec.failWalk = true;
  undo.lines = {"Undo00000 - 1/2/2026"};  // the failed run left a record
  EXPECT_THROW(form.TurnPage(Sender::btnDrivesNext), Error);
  EXPECT_EQ(form.CurrentPage, Page::pnlDrives);
  EXPECT_FALSE(form.ctx.running);
  EXPECT_EQ(ui.events.back(), "close");
  EXPECT_EQ(form.ListBox1, undo.lines);
  // And the window still works afterwards.
  rec.failWalk = false;
  form.TurnPage(Sender::btnDrivesNext);
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
}

TEST_F(PageModelTest, NoInputIsTakenWhileARunIsOn) {
  Show();
  form.TurnPage(Sender::btnFindReplace);
  form.Edit5 = "a";
  form.Edit6 = "b";
  int pressed = 0;
  rec.duringWalk = [&] {
    ++pressed;
    form.TurnPage(Sender::btnFront);
    form.TurnPage(Sender::btnFindStartNext);  // would start a second run
    EXPECT_FALSE(form.FormCloseQuery());
    form.suiButton2Click();
  };
  form.TurnPage(Sender::btnFindStartNext);
  EXPECT_EQ(pressed, 2);  // the registry walk and the file walk of one run
  EXPECT_EQ(form.CurrentPage, Page::pnlFinish);
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "next"), 1);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(fs.Has(kIni));
}

TEST_F(PageModelTest, CloseQueryWritesTheSettingsFile) {
  Show();
  form.suiComboBox1Change(2);
  form.suiCheckBox2 = true;
  EXPECT_TRUE(form.FormCloseQuery());
  EXPECT_EQ(fs.At(kIni).data, "[Undo List]\r\nDeleteOlderThan=2\r\n\r\n[Start]\r\nSkipStartPage=1\r\n\r\n");

  // Other sections and keys stay; no selection is written as -1.
  fs.At(kIni).data = "[Other]\r\nKey=Value\r\n[Undo List]\r\nDeleteOlderThan=9\r\nMore=1\r\n";
  form.suiComboBox1 = -1;
  form.suiCheckBox2 = false;
  EXPECT_TRUE(form.FormCloseQuery());
  EXPECT_EQ(fs.At(kIni).data,
            "[Other]\r\nKey=Value\r\n\r\n[Undo List]\r\nDeleteOlderThan=-1\r\nMore=1\r\n\r\n[Start]\r\nSkipStartPage=0\r\n\r\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PageModelTest, UnwritableSettingsFileKeepsTheWindowOpen) {
  Show();
  fs.beforeWrite = [](const std::string&) { throw Error("access denied"); };
  EXPECT_FALSE(form.FormCloseQuery());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "Cannot create file C:\\Ost\\Ostrivane.ini");
  EXPECT_EQ(ui.messages[0].second, "Ostrivane");
}

TEST_F(PageModelTest, UndoPageButtonsNeedASelectedEntry) {
  Show();
  form.TurnPage(Sender::btnUndo);
  form.ListBox1Index = 0;  // the placeholder, selected or not
  form.suiButton2Click();
  form.suiButton1Click();
  undo.lines = {"Undo00002 - 1/1/2026 1:00:00 AM", "Undo00005 - 1/2/2026"};
  form.suiComboBox1Change(0);
  EXPECT_EQ(undo.age, 0);
  EXPECT_EQ(form.ListBox1, undo.lines);
  form.suiButton2Click();
  form.suiButton1Click();
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].first, "There are no items to delete");
  EXPECT_EQ(ui.messages[1].first, "There are no items to undo");
  EXPECT_EQ(ui.messages[2].first, "Please select an item");
  EXPECT_EQ(ui.messages[3].first, "Please select an item");

  form.ListBox1Index = 1;
  form.suiButton1Click();
  EXPECT_EQ(ui.messages.back().first, "0 files restored.  Undo has completed");
  EXPECT_EQ(form.ListBox1Index, 1);  // an undo does not rebuild the list
  form.suiButton2Click();
  EXPECT_EQ(undo.calls.back(), "refresh");
  EXPECT_EQ(undo.calls[undo.calls.size() - 2], "delete Undo00005");
  EXPECT_EQ(form.ListBox1, std::vector<std::string>{"Undo00002 - 1/1/2026 1:00:00 AM"});
  EXPECT_EQ(form.ListBox1Index, -1);
}

TEST_F(PageModelTest, NothingElseIsTakenWhileAnUndoIsOn) {
  Show();
  form.TurnPage(Sender::btnUndo);
  undo.lines = {"Undo00002 - 1/1/2026 1:00:00 AM"};
  form.suiComboBox1Change(1);
  form.ListBox1Index = 0;
  // The move back pumps messages: the entry must not be deleted under it,
  // the window not closed, no run started.
  undo.duringUndo = [&] {
    form.suiButton2Click();
    EXPECT_FALSE(form.FormCloseQuery());
    form.TurnPage(Sender::btnToFront);
    form.suiComboBox1Change(0);  // a shorter age limit would delete the entry's records
  };
  form.suiButton1Click();
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "delete Undo00002"), 0);
  EXPECT_EQ(undo.age, 1);
  EXPECT_EQ(form.suiComboBox1, 1);
  EXPECT_EQ(form.CurrentPage, Page::pnlUndo);
  EXPECT_FALSE(fs.Has(kIni));
  EXPECT_FALSE(form.ctx.running);
  EXPECT_EQ(ui.messages.back().first, "0 files restored.  Undo has completed");

  // Refused by the run lock: the window takes input again afterwards.
  undo.duringUndo = [] { throw Error("busy"); };
  EXPECT_THROW(form.suiButton1Click(), Error);
  EXPECT_FALSE(form.ctx.running);
}

TEST_F(PageModelTest, FolderPickersFillTheirFields) {
  fs.AddFolder("C:\\Data");
  Show("C:\\Data\\Old");
  picker.answers = {std::string("E:\\Target"), std::nullopt, std::string("C:\\Find"), std::string("D:\\Repl")};
  form.Button1Click();
  EXPECT_EQ(form.Edit1, "E:\\Target");
  form.Button1Click();  // cancelled: unchanged
  EXPECT_EQ(form.Edit1, "E:\\Target");
  form.Label14 = "Q:\\Gone\\";
  form.Button2Click();
  form.Button3Click();
  EXPECT_EQ(form.Edit5, "C:\\Find");
  EXPECT_EQ(form.Edit6, "D:\\Repl");
  ASSERT_EQ(picker.asked.size(), 4u);
  EXPECT_EQ(picker.asked[0], std::make_pair(std::string("Select Destination"), std::string("C:\\Data\\")));
  EXPECT_EQ(picker.asked[2].first, "Select Folder");
  form.Button1Click();  // the folder no longer exists: start anywhere
  EXPECT_EQ(picker.asked[4].second, "");
}

TEST_F(PageModelTest, IntroductionPictureTravelsInAnArc) {
  Show();
  int steps = 0, highest = form.Image14.top;
  while (form.Image14.left < 210) {
    form.Timer1Timer();
    ++steps;
    highest = std::min(highest, form.Image14.top);
  }
  EXPECT_EQ(steps, 27);
  EXPECT_EQ(form.Image14.left, 213);
  EXPECT_EQ(highest, 104 - 28);
  EXPECT_EQ(form.Image14.top, 104 - 28 + 26);
  form.Timer1Timer();
  EXPECT_EQ(form.Image14.left, 78);
  EXPECT_EQ(form.Image14.top, 104);
  EXPECT_EQ(form.Image12.left, 46);  // only the visible page's picture moves

  form.TurnPage(Sender::btnBeginNext);
  for (int i = 0; i < 28; ++i) form.Timer1Timer();
  EXPECT_EQ(form.Image12.left, 46);
  EXPECT_EQ(form.Image12.top, 104);
}

TEST(PageNames, RoundTrip) {
  for (int i = 1; i < kPageCount; ++i) EXPECT_EQ(PageNamed(PageName(Page(i))), Page(i));
  EXPECT_EQ(PageNamed("pnlNowhere"), Page::None);
}

}  // namespace
