#include <gtest/gtest.h>

#include "filemap/ShortcutRewrite.h"
#include "support/FakeEnvironment.h"
#include "support/FakeFileSystem.h"
#include "support/FakeShellLinkStore.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {

const SearchTexts kOldToNew{"C:\\Old Stuff", "D:\\New Place", "C:\\OLDSTU~1", "D:\\NEWPLA~1"};

ShellLinkProps Link(const std::string& target, const std::string& arguments, const std::string& workingDir = "") {
  ShellLinkProps p;
  p.Target = target;
  p.Arguments = arguments;
  p.WorkingDir = workingDir;
  return p;
}

// The forms, the first occurrences and the working folder are shown on real
// links by the Windows tests; here what those do not reach.
TEST(PlanShortcut, ArgumentsQuoteANewPlaceWithASpaceTheTargetNeedsNone) {
  const ShortcutPlan p = PlanShortcut(Link("C:\\W6Svc\\app.exe", "--cfg C:\\W6Svc\\x.ini -v"),
                                      {"C:\\W6Svc", "D:\\New Folder\\W6Svc", "", "", MatchRule::Path});
  EXPECT_EQ(*p.change.Target, "D:\\New Folder\\W6Svc\\app.exe");
  EXPECT_EQ(*p.change.Arguments, "--cfg \"D:\\New Folder\\W6Svc\\x.ini\" -v");
  EXPECT_FALSE(p.change.WorkingDir);  // empty, and it stays so
}

TEST(PlanShortcut, FieldChoiceAndTargetsThatStay) {
  // Where the long form occurs the short one is not looked at; A-Z folded.
  ShortcutPlan p = PlanShortcut(Link("C:\\OLDSTU~1\\c:\\old stuff", "-d c:\\oldstu~1"), kOldToNew);
  EXPECT_EQ(*p.change.Target, "C:\\OLDSTU~1\\D:\\New Place");
  EXPECT_EQ(*p.change.Arguments, "-d D:\\NEWPLA~1");

  // Only the arguments match: the target is not set again.
  p = PlanShortcut(Link("C:\\Tools\\ed.exe", "C:\\Old Stuff\\notes.txt", "D:\\Data"), kOldToNew);
  EXPECT_FALSE(p.change.Target);
  EXPECT_EQ(p.target, "C:\\Tools\\ed.exe");
  EXPECT_FALSE(p.change.WorkingDir);

  // A link to something that is no file path keeps its target and folder.
  p = PlanShortcut(Link("", "C:\\Old Stuff\\doc.txt", "D:\\Data"), kOldToNew);
  EXPECT_TRUE(p.changes);
  EXPECT_FALSE(p.change.Target);
  EXPECT_FALSE(p.change.WorkingDir);

  EXPECT_FALSE(PlanShortcut(Link("C:\\Other\\x.exe", "C:\\Old"), kOldToNew).changes);

  // Every occurrence in a part: no argument is left at the old place.
  p = PlanShortcut(Link("C:\\Tools\\t.exe", "--in C:\\Old Stuff\\a --out C:\\Old Stuff\\b"), kOldToNew);
  EXPECT_EQ(*p.change.Arguments, "--in D:\\New Place\\a --out D:\\New Place\\b");
  // A switch takes both drives in every part at once.
  SearchTexts exchange{"P:\\", "R:\\", "", "", MatchRule::Path};
  exchange.exchange = true;
  p = PlanShortcut(Link("P:\\Tools\\t.exe", "-a R:\\x -b P:/y"), exchange);
  EXPECT_EQ(*p.change.Target, "R:\\Tools\\t.exe");
  EXPECT_EQ(*p.change.Arguments, "-a P:\\x -b R:/y");
}

TEST(PlanShortcut, TargetStoredWithVariablesKeepsThem) {
  FakeEnvironment env{{"ProgramFiles", "C:\\Program Files"}};
  const SearchTexts t{"C:\\Program Files\\OldApp", "C:\\Program Files\\NewApp", "", "", MatchRule::Path};
  const ShortcutPlan p = PlanShortcut(Link("%ProgramFiles%\\OldApp\\a.exe", "%ProgramFiles%\\OldApp\\x"), t, &env);
  EXPECT_EQ(*p.change.Target, "%ProgramFiles%\\NewApp\\a.exe");
  EXPECT_FALSE(p.change.WorkingDir);
  EXPECT_FALSE(p.change.Arguments);  // handed to the program as they stand
}

// The icon location is searched like the target, variables and all; a new
// icon alone leaves the working folder as it is, and a sibling stays.
TEST(PlanShortcut, IconLocationLikeTheTarget) {
  FakeEnvironment env{{"ProgramFiles", "C:\\Program Files"}};
  const SearchTexts t{"C:\\Program Files\\Acme Tools", "D:\\Apps", "", "", MatchRule::Path};
  ShellLinkProps link = Link("C:\\Windows\\notepad.exe", "", "D:\\Data");
  link.IconPath = "%ProgramFiles%\\Acme Tools\\acme.ico";
  ShortcutPlan p = PlanShortcut(link, t, &env);
  ASSERT_TRUE(p.changes);
  EXPECT_EQ(*p.change.IconPath, "D:\\Apps\\acme.ico");  // not under %ProgramFiles% any more: written out
  EXPECT_FALSE(p.change.Target);
  EXPECT_FALSE(p.change.WorkingDir);

  link.IconPath = "C:\\Program Files\\Acme Tools2\\acme.ico";
  EXPECT_FALSE(PlanShortcut(link, t, &env).changes);
}

// Every part is changed as written or not at all: a working folder keeps
// its spelling, an empty one stays empty, one elsewhere stays.
TEST(PlanShortcut, TheWorkingFolderIsAPartOfItsOwn) {
  SearchTexts exchange{"E:\\", "F:\\", "", "", MatchRule::Path};
  exchange.exchange = true;
  ShortcutPlan p = PlanShortcut(Link("E:\\Games\\g.exe", "", "E:\\Games"), exchange);
  EXPECT_EQ(*p.change.WorkingDir, "F:\\Games");
  p = PlanShortcut(Link("E:\\Games\\g.exe", "", "F:\\Games\\"), exchange);
  EXPECT_EQ(*p.change.WorkingDir, "E:\\Games\\");
  p = PlanShortcut(Link("E:\\Games\\g.exe", "", ""), exchange);
  EXPECT_FALSE(p.change.WorkingDir);
  // Only the working folder names the old place: the link changes there alone.
  p = PlanShortcut(Link("C:\\Windows\\notepad.exe", "", "C:\\Old Stuff\\Notes"), kOldToNew);
  EXPECT_TRUE(p.changes);
  EXPECT_FALSE(p.change.Target);
  EXPECT_EQ(*p.change.WorkingDir, "D:\\New Place\\Notes");
}

class ShortcutRewriteTest : public ::testing::Test {
 protected:
  ShortcutRewriteTest() {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    backup.events = &events;  // the backups in the same list as the writes
    fs.beforeWrite = [this](const std::string& p) { events.push_back("write " + p); };
  }
  void Put(const std::string& path, ShellLinkProps props) {
    props.Description = "My tool";
    props.WindowState = 3;
    props.HotKey = 0x0641;
    store.Put(path, props, {{"IconLocation", "C:\\Icons\\tool.ico,2"}});
    events.clear();
  }
  void Rewrite(const std::string& path, const SearchTexts& texts = kOldToNew) { rewrite.RewriteShortcut(ctx.Pass(), path, texts); }

  FakeFileSystem fs;
  FakeShellLinkStore store{fs};
  FakeUi ui;
  TestRun ctx;
  std::vector<std::string> events;
  RecordingBackup backup{fs};
  ShortcutRewrite rewrite{backup, store};
};

TEST_F(ShortcutRewriteTest, SetsOnlyWhatItMustAfterTheBackup) {
  const std::string lnk = "C:\\Links\\Tool.LNK";
  Put(lnk, Link("C:\\Old Stuff\\tool.exe", "C:\\OLDSTU~1\\cfg", "C:\\Old Stuff"));
  const std::string original = fs.ReadWhole(lnk);
  Rewrite(lnk);

  EXPECT_EQ(events, (std::vector<std::string>{"backup " + lnk, "write " + lnk}));
  ASSERT_EQ(backup.saved.size(), 1u);
  EXPECT_EQ(backup.saved[0].second, original);
  // One entry per part changed (target, arguments and the working folder),
  // but one link.
  EXPECT_EQ(ctx.tally.linkCount, 1);
  ASSERT_EQ(ctx.changes.size(), 3u);
  EXPECT_EQ(ctx.changes[1].kind, ChangeKind::ShortcutArguments);
  EXPECT_EQ(ctx.changes[1].oldText, "C:\\OLDSTU~1\\cfg");
  const ShellLinkProps now = store.Load(lnk);
  EXPECT_EQ(now.Target, "D:\\New Place\\tool.exe");
  EXPECT_EQ(now.Arguments, "D:\\NEWPLA~1\\cfg");
  EXPECT_EQ(now.WorkingDir, "D:\\New Place");
  EXPECT_EQ(now.Description, "My tool");
  EXPECT_EQ(now.WindowState, 3);
  EXPECT_EQ(now.HotKey, 0x0641);
  EXPECT_EQ(store.Key(lnk, "IconLocation"), "C:\\Icons\\tool.ico,2");
}

TEST_F(ShortcutRewriteTest, ASwitchAndItsSwitchBackGiveTheSameLink) {
  SearchTexts exchange{"E:\\", "F:\\", "", "", MatchRule::Path};
  exchange.exchange = true;
  const std::string games = "C:\\L\\Games.lnk", bare = "C:\\L\\Bare.lnk";
  Put(games, Link("E:\\Games\\g.exe", "-data F:\\Saves", "E:\\Games"));
  Put(bare, Link("E:\\Tools\\t.exe", "", ""));
  const std::string gamesBefore = fs.ReadWhole(games), bareBefore = fs.ReadWhole(bare);
  Rewrite(games, exchange);
  Rewrite(bare, exchange);
  EXPECT_EQ(store.Load(games).WorkingDir, "F:\\Games");
  EXPECT_EQ(store.Load(bare).WorkingDir, "");
  Rewrite(games, exchange);
  Rewrite(bare, exchange);
  EXPECT_EQ(fs.ReadWhole(games), gamesBefore);
  EXPECT_EQ(fs.ReadWhole(bare), bareBefore);
}

TEST_F(ShortcutRewriteTest, UnreadableOrMissingLinksAreNeverSearched) {
  // Read as "error", the old text "rr" would have matched it.
  const std::string garbage("L\0\0\0garbage", 11);
  fs.AddFile("C:\\Links\\broken.lnk", garbage);
  Rewrite("C:\\Links\\broken.lnk", {"rr", "XX", "rr", "XX"});
  Rewrite("C:\\Links\\gone.lnk", {"rr", "XX", "rr", "XX"});
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(fs.ReadWhole("C:\\Links\\broken.lnk"), garbage);
  EXPECT_EQ(ctx.tally.linkCount, 0);

  EXPECT_EQ(rewrite.CheckTarget("C:\\Links\\broken.lnk"), std::nullopt);
  EXPECT_EQ(rewrite.CheckArgument("C:\\Links\\gone.lnk"), "");
}

// The question and the preview show a link as its target and arguments; the
// answers and what a preview leaves are the rewriters' shared rules
// (rewriter_rules_test).
TEST_F(ShortcutRewriteTest, QuestionAndPreviewShowTheTargetAndArguments) {
  const std::string a = "C:\\L\\a.lnk";
  Put(a, Link("C:\\Old Stuff\\x.exe", "-v"));
  ctx.stopAndVerify = true;
  ui.replies = {{Answer::Skip}};
  Rewrite(a);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].key, "Shortcuts");
  EXPECT_EQ(ui.questions[0].value, a);
  EXPECT_EQ(ui.questions[0].from, "C:\\Old Stuff\\x.exe -v");
  EXPECT_EQ(ui.questions[0].to, "D:\\New Place\\x.exe -v");
  ctx.preview = true;
  Rewrite(a);
  ASSERT_EQ(ui.previews.size(), 1u);
  EXPECT_EQ(ui.previews[0].oldText, ui.questions[0].from);
  EXPECT_EQ(ui.previews[0].newText, ui.questions[0].to);
}

// A part the review left out does not change how the link counts: once for
// the parts changed.
TEST_F(ShortcutRewriteTest, ALinkCountsOnceWhateverPartsAreLeftOut) {
  const std::string lnk = "C:\\L\\a.lnk";
  Put(lnk, Link("C:\\Old Stuff\\x.exe", "C:\\OLDSTU~1\\cfg", "C:\\Old Stuff"));
  ChangeSelection ticked;
  ticked.Leave({lnk, "", 0, ChangeKind::ShortcutTarget, "C:\\Old Stuff\\x.exe", "", ChangeOutcome::WouldChange, ""});
  ticked.Tick({lnk, "", 0, ChangeKind::ShortcutArguments, "C:\\OLDSTU~1\\cfg", "", ChangeOutcome::WouldChange, ""});
  ticked.Tick({lnk, "", 0, ChangeKind::ShortcutWorkingFolder, "C:\\Old Stuff", "", ChangeOutcome::WouldChange, ""});
  ctx.selection = &ticked;
  Rewrite(lnk);
  ASSERT_EQ(ctx.changes.size(), 3u);
  EXPECT_EQ(ctx.changes[0].outcome, ChangeOutcome::LeftOut);
  EXPECT_EQ(store.Load(lnk).Target, "C:\\Old Stuff\\x.exe");
  EXPECT_EQ(store.Load(lnk).WorkingDir, "D:\\New Place");  // a part of its own, ticked
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

// Run twice, a mapping into a folder of its own leaves what it wrote; the
// sibling C:\Data\Oldies is still another item.
TEST_F(ShortcutRewriteTest, ARepeatFindsNothingInWhatTheFirstRunWrote) {
  const SearchTexts into{"C:\\Data", "C:\\Data\\Old", "", "", MatchRule::Path};
  const std::string lnk = "C:\\L\\a.lnk";
  Put(lnk, Link("C:\\Data\\tool.exe", "C:\\Data\\Oldies\\cfg", "C:\\Data"));
  Rewrite(lnk, into);
  EXPECT_EQ(store.Load(lnk).Target, "C:\\Data\\Old\\tool.exe");
  EXPECT_EQ(store.Load(lnk).Arguments, "C:\\Data\\Old\\Oldies\\cfg");
  EXPECT_EQ(ctx.tally.linkCount, 1);
  events.clear();
  ctx.changes.clear();
  Rewrite(lnk, into);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(ctx.changes.empty());
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

// Before a move the new place has no short form yet: a part found in the
// short form shows the long one, and says why.
TEST_F(ShortcutRewriteTest, AMovesPreviewShowsTheNewPlaceLongWhereItsShortFormIsNotKnown) {
  ctx.preview = true;
  SearchTexts beforeMove = kOldToNew;
  beforeMove.newShort = beforeMove.newText;
  beforeMove.newShortAfterMove = true;
  Put("C:\\L\\a.lnk", Link("C:\\OLDSTU~1\\x.exe", "C:\\Old Stuff\\cfg", "C:\\OLDSTU~1"));
  Rewrite("C:\\L\\a.lnk", beforeMove);
  ASSERT_EQ(ctx.changes.size(), 3u);
  EXPECT_EQ(ctx.changes[0].newText, "D:\\New Place\\x.exe");
  EXPECT_EQ(ctx.changes[0].reason, kShortFormAfterMove);
  EXPECT_EQ(ctx.changes[1].reason, "");  // found in the long form
  EXPECT_EQ(ctx.changes[2].newText, "D:\\New Place");
  EXPECT_EQ(ctx.changes[2].reason, kShortFormAfterMove);
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

TEST_F(ShortcutRewriteTest, ValueTooLongLeavesTheLinkAndIsReported) {
  store.maxValue = 25;
  Put("C:\\L\\a.lnk", Link("C:\\Old Stuff\\x.exe", ""));  // fits; the new target would not
  const SearchTexts longer{"C:\\Old Stuff", "D:\\A Much Longer Place", "", ""};
  const std::string original = fs.ReadWhole("C:\\L\\a.lnk");
  Rewrite("C:\\L\\a.lnk", longer);
  EXPECT_EQ(fs.ReadWhole("C:\\L\\a.lnk"), original);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(ctx.tally.linkCount, 0);
  EXPECT_TRUE(ui.messages.empty()) << "named in the end result, without stopping the run";
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "C:\\L\\a.lnk");
  EXPECT_NE(ctx.passedOver[0].reason.find("C:\\L\\a.lnk"), std::string::npos);
}

TEST_F(ShortcutRewriteTest, ChangedWhileAskedOrBackupRefusedIsPassedOver) {
  ctx.stopAndVerify = true;
  Put("C:\\L\\a.lnk", Link("C:\\Old Stuff\\x.exe", ""));
  ui.onAsk = [&] { store.Put("C:\\L\\a.lnk", Link("C:\\Elsewhere\\x.exe", "")); };
  Rewrite("C:\\L\\a.lnk");
  EXPECT_EQ(store.Load("C:\\L\\a.lnk").Target, "C:\\Elsewhere\\x.exe");

  ui.onAsk = [&] { fs.Remove("C:\\L\\a.lnk"); };
  Rewrite("C:\\L\\a.lnk");  // "Link not found." when loaded again: passed over, not fatal
  ui.onAsk = nullptr;

  Put("C:\\L\\b.lnk", Link("C:\\Old Stuff\\x.exe", ""));
  backup.missing = true;
  Rewrite("C:\\L\\b.lnk");
  EXPECT_EQ(events, std::vector<std::string>{"backup C:\\L\\b.lnk"});
  EXPECT_EQ(store.Load("C:\\L\\b.lnk").Target, "C:\\Old Stuff\\x.exe");
  EXPECT_EQ(ctx.tally.linkCount, 0);
}

TEST_F(ShortcutRewriteTest, WriteErrorPassesTheLinkOverAsItWas) {
  Put("C:\\L\\a.lnk", Link("C:\\Old Stuff\\x.exe", ""));
  fs.At("C:\\L\\a.lnk").attributes |= kAttrReadOnly;
  const std::string original = fs.ReadWhole("C:\\L\\a.lnk");
  Rewrite("C:\\L\\a.lnk");
  EXPECT_EQ(fs.ReadWhole("C:\\L\\a.lnk"), original);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "Write error.");
}

TEST_F(ShortcutRewriteTest, MakeShortcutNewAndModified) {
  rewrite.MakeShortcut("C:\\Apps\\Tool\\run.exe", "-x", "Run it", "C:\\L\\new.lnk", true);
  ShellLinkProps made = store.Load("C:\\L\\new.lnk");
  EXPECT_EQ(made.WorkingDir, "C:\\Apps\\Tool\\");
  EXPECT_EQ(made.Description, "Run it");
  EXPECT_EQ(made.WindowState, kShowNormal);

  Put("C:\\L\\old.lnk", Link("C:\\A\\a.exe", "-y", "D:\\Data"));
  rewrite.MakeShortcut("E:\\B\\b.exe", std::nullopt, std::nullopt, "C:\\L\\old.lnk", true);
  made = store.Load("C:\\L\\old.lnk");
  EXPECT_EQ(made.Target, "E:\\B\\b.exe");
  EXPECT_EQ(made.Arguments, "-y");
  EXPECT_EQ(made.WorkingDir, "E:\\B\\");
  EXPECT_EQ(made.Description, "My tool");
  EXPECT_EQ(store.Key("C:\\L\\old.lnk", "IconLocation"), "C:\\Icons\\tool.ico,2");

  // Without the modify mark the link is made anew from the values given.
  rewrite.MakeShortcut("E:\\B\\b.exe", std::nullopt, std::nullopt, "C:\\L\\old.lnk", false);
  EXPECT_EQ(store.Load("C:\\L\\old.lnk").Arguments, "");
  EXPECT_EQ(store.Key("C:\\L\\old.lnk", "IconLocation"), "");
}

}  // namespace

// An icon under the old path is its own entry, written with the other parts
// after the one backup, keeping its index; the link still counts once.
TEST_F(ShortcutRewriteTest, TheIconLocationIsRemappedWithTheOtherParts) {
  const std::string lnk = "C:\\L\\acme.lnk";
  ShellLinkProps props = Link("C:\\Old Stuff\\acme.exe", "", "C:\\Old Stuff\\");
  props.IconPath = "C:\\OLDSTU~1\\acme.ico";
  props.IconIndex = 3;
  Put(lnk, props);
  Rewrite(lnk);
  EXPECT_EQ(events, (std::vector<std::string>{"backup " + lnk, "write " + lnk}));
  ASSERT_EQ(ctx.changes.size(), 3u);
  const ChangeEntry& icon = ctx.changes[2];
  EXPECT_EQ(icon.kind, ChangeKind::ShortcutIcon);
  EXPECT_EQ(icon.oldText, "C:\\OLDSTU~1\\acme.ico");
  EXPECT_EQ(icon.newText, "D:\\NEWPLA~1\\acme.ico");
  EXPECT_TRUE(icon.furtherPart);
  EXPECT_EQ(ctx.tally.linkCount, 1);
  const ShellLinkProps now = store.Load(lnk);
  EXPECT_EQ(now.Target, "D:\\New Place\\acme.exe");
  EXPECT_EQ(now.IconPath, "D:\\NEWPLA~1\\acme.ico");
  EXPECT_EQ(now.IconIndex, 3);

  // The icon alone: one entry, one link, the working folder kept; one the
  // review leaves out stays as it is.
  const std::string only = "C:\\L\\only.lnk";
  props = Link("C:\\Windows\\notepad.exe", "", "D:\\Data");
  props.IconPath = "C:\\Old Stuff\\acme.ico";
  Put(only, props);
  ctx.changes.clear();
  Rewrite(only);
  ASSERT_EQ(ctx.changes.size(), 1u);
  EXPECT_EQ(ctx.changes[0].kind, ChangeKind::ShortcutIcon);
  EXPECT_EQ(ctx.tally.linkCount, 2);
  EXPECT_EQ(store.Load(only).IconPath, "D:\\New Place\\acme.ico");
  EXPECT_EQ(store.Load(only).WorkingDir, "D:\\Data");

  Put(only, props);
  ChangeSelection none;
  none.Leave({only, "", 0, ChangeKind::ShortcutIcon, "C:\\Old Stuff\\acme.ico", "", ChangeOutcome::WouldChange, ""});
  ctx.selection = &none;
  Rewrite(only);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(store.Load(only).IconPath, "C:\\Old Stuff\\acme.ico");
}
