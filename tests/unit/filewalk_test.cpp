#include <gtest/gtest.h>

#include <algorithm>

#include "core/Unicode.h"
#include "engine/BinaryData.h"
#include "filemap/FileMapping.h"
#include "filemap/FileWalk.h"
#include "filemap/PathForms.h"
#include "filemap/TextFileRewrite.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {
using namespace std::literals;

// Records every text file handed over, with the texts it came with.
struct RecordingText : TextFileRewriter {
  std::vector<std::string> paths;
  std::vector<SearchTexts> texts;
  std::function<void(const std::string&)> onRewrite;
  std::vector<std::string>* order = nullptr;
  void RewriteTextFile(RunPass&, const std::string& path, const SearchTexts& t) override {
    paths.push_back(path);
    order->push_back(path);
    texts.push_back(t);
    if (onRewrite) onRewrite(path);
  }
};

class FileWalkTest : public ::testing::Test {
 protected:
  FileWalkTest() : forms(fs), walk(fs, forms, text, shortcuts) {
    ctx.ui = &ui;
    ctx.recordsFolder = "C:\\Ost\\";
    ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", false}, {"E", "E:\\", true}};
    ctx.targets = {true, true, false, false, false};  // Registry and Settings
    text.order = &visited;
    shortcuts.onRewrite = [this](const std::string& p) { visited.push_back("lnk " + p); };
  }

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  std::vector<std::string> visited;  // text files, and shortcuts as "lnk " + path, in order
  PathForms forms;
  RecordingText text;
  RecordingShortcuts shortcuts;
  FileWalk walk;
};

TEST_F(FileWalkTest, VisitsRootThenEachFolderBeforeItsSubfolders) {
  fs.AddFile("C:\\root.ini", "");
  fs.AddFile("C:\\A\\a.ini", "");
  fs.AddFile("C:\\A\\B\\b.ini", "");
  fs.AddFile("C:\\A\\B\\b.txt", "");
  fs.AddFile("C:\\Z\\z.ini", "");
  fs.AddFile("E:\\e.ini", "");
  fs.AddFile("D:\\d.ini", "");  // drive not selected
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\root.ini", "C:\\A\\a.ini", "C:\\A\\B\\b.ini",
                                                  "C:\\Z\\z.ini", "E:\\e.ini"}));
  EXPECT_TRUE(shortcuts.paths.empty());
}

TEST_F(FileWalkTest, SettingsBeforeShortcutsInEachFolderAndLnkByExtensionInAnyCase) {
  ctx.targets.shortcuts = true;
  fs.AddFile("C:\\F\\a.LNK", "");
  fs.AddFile("C:\\F\\b.ini", "");
  fs.AddFile("C:\\F\\c.Lnk", "");
  fs.AddFile("C:\\F\\x.lnk.bak", "");
  fs.AddFolder("C:\\F\\dir.lnk");
  fs.AddFile("C:\\F\\dir.lnk\\inner.ini", "");
  walk.SearchThruDir(ctx.Pass(), "C:\\", "old", "new");
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\F\\b.ini", "lnk C:\\F\\a.LNK", "lnk C:\\F\\c.Lnk",
                                               "C:\\F\\dir.lnk\\inner.ini"}));
}

TEST_F(FileWalkTest, AllFilesTakesEveryFileAndChoosesByExtension) {
  ctx.targets = {false, false, false, true, false};
  fs.AddFile("C:\\F\\x.lnk.bak", "");
  fs.AddFile("C:\\F\\y.LnK", "");
  fs.AddFile("C:\\F\\noext", "");
  fs.AddFolder("C:\\F\\dir.lnk");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\F\\noext", "C:\\F\\x.lnk.bak", "lnk C:\\F\\y.LnK"}));
}

TEST_F(FileWalkTest, ConfigurationFilesByExtensionAfterSettingsAndShortcuts) {
  ctx.targets = {false, true, true, false, true};
  for (const char* name : {"a.JSON", "b.ini", "c.xml", "d.lnk", "e.Library-MS", "f.ps1", "g.txt", "h.json.bak",
                           "json", "i.config", "j.cfg", "k.conf", "l.yaml", "m.yml", "n.toml", "o.properties",
                           "p.url", "q.vdf", "r.bat", "s.CMD", "t.exe"})
    fs.AddFile(std::string("C:\\F\\") + name, "");
  walk.SearchThruDir(ctx.Pass(), "C:\\", "old", "new");
  EXPECT_EQ(visited, (std::vector<std::string>{
                         "C:\\F\\b.ini", "lnk C:\\F\\d.lnk", "C:\\F\\a.JSON", "C:\\F\\c.xml", "C:\\F\\e.Library-MS",
                         "C:\\F\\f.ps1", "C:\\F\\i.config", "C:\\F\\j.cfg", "C:\\F\\k.conf", "C:\\F\\l.yaml",
                         "C:\\F\\m.yml", "C:\\F\\n.toml", "C:\\F\\o.properties", "C:\\F\\p.url", "C:\\F\\q.vdf",
                         "C:\\F\\r.bat", "C:\\F\\s.CMD"}));

  visited.clear();
  ctx.targets.configFiles = false;
  walk.SearchThruDir(ctx.Pass(), "C:\\", "old", "new");
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\F\\b.ini", "lnk C:\\F\\d.lnk"}));
}

// Windows runs no task from the Task Scheduler's files (and on some versions
// refuses one whose file was edited): whatever the targets, no walk and no
// apply touches them. Tasks are changed through the service.
TEST_F(FileWalkTest, TheTaskSchedulersFilesAreNeverWalkedWhateverTheTargets) {
  walk.SetWindowsFolder("C:\\WINDOWS");  // the platform may answer in another case than the listing
  fs.AddFile("C:\\Windows\\System32\\Tasks\\Backup Job", "");
  fs.AddFile("C:\\Windows\\System32\\Tasks\\old.ini", "");
  fs.AddFile("C:\\Windows\\System32\\Tasks\\Vendor\\Updater.xml", "");
  fs.AddFile("C:\\Windows\\System32\\TasksOld\\Stale", "");
  fs.AddFile("C:\\Windows\\System32\\TasksOld\\stale.xml", "");
  fs.AddFile("C:\\Windows\\System32\\setup.json", "");
  for (const Targets targets : {Targets{false, true, true, false, true}, Targets{true, true, true, true, true}}) {
    ctx.targets = targets;
    text.paths.clear();
    walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
    const std::vector<std::string> expected =
        targets.allFiles ? std::vector<std::string>{"C:\\Windows\\System32\\setup.json",
                                                    "C:\\Windows\\System32\\TasksOld\\Stale",
                                                    "C:\\Windows\\System32\\TasksOld\\stale.xml"}
                         : std::vector<std::string>{"C:\\Windows\\System32\\setup.json",
                                                    "C:\\Windows\\System32\\TasksOld\\stale.xml"};
    EXPECT_EQ(text.paths, expected);
  }
  // An edited list that names one is no way round it.
  text.paths.clear();
  walk.MapListedFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"), {"C:\\Windows\\System32\\Tasks\\old.ini"});
  EXPECT_TRUE(text.paths.empty());
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "it is none of the files a run changes");
}

TEST_F(FileWalkTest, SizeLimitAndHiddenSystemReadOnlyEntries) {
  ctx.targets = {false, false, false, true, false};
  fs.AddFolder("C:\\H", kAttrHidden | kAttrSystem);
  fs.AddFile("C:\\H\\below.txt", std::string(999999, 'x'), kAttrHidden);
  fs.AddFile("C:\\H\\limit.txt", std::string(1000000, 'x'));
  fs.AddFile("C:\\H\\ro.txt", "", kAttrReadOnly | kAttrSystem);
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\H\\below.txt", "C:\\H\\ro.txt"}));
}

TEST_F(FileWalkTest, LinksAreNotFollowed) {
  fs.AddFolder("C:\\Junction", kAttrReparsePoint);
  fs.AddFile("C:\\Junction\\in.ini", "");
  fs.AddFile("C:\\Real\\linked.ini", "", kAttrArchive | kAttrReparsePoint);
  fs.AddFile("C:\\Real\\plain.ini", "");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\Real\\plain.ini"}));
}

TEST_F(FileWalkTest, TemporaryFilesOfAnInterruptedRunAreRemovedWhereverTheyAre) {
  ctx.targets = {false, false, false, true, false};
  fs.AddFile("C:\\Other\\~ostrivane-A1B2.tmp", "C:\\Old");
  fs.AddFile("C:\\Other\\~OSTRIVANE-001F.TMP", "C:\\Old");
  fs.AddFile("C:\\Other\\~ostrivane-Go12.tmp", "C:\\Old");  // not one of ours
  fs.AddFile("C:\\Other\\~ovA1B2.tmp", "C:\\Old");          // nor this, another program's form
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\Other\\~ostrivane-Go12.tmp", "C:\\Other\\~ovA1B2.tmp"}));
  EXPECT_FALSE(fs.Has("C:\\Other\\~ostrivane-A1B2.tmp") || fs.Has("C:\\Other\\~OSTRIVANE-001F.TMP"));
  ASSERT_EQ(ctx.notes.size(), 2u);
  EXPECT_NE(ctx.notes[0].find("temporary file left by an interrupted Ostrivane run, was removed"), std::string::npos);
}

// The records hold the old text on purpose. Every file of a records folder
// stays, by its place: the folder the program uses (known here by its short
// form) and an earlier one. The same names elsewhere, and a folder below a
// records folder, are walked as any.
TEST_F(FileWalkTest, NoTargetTouchesAFileOfARecordsFolder) {
  fs.AddFolder("C:\\Program Files", kAttrFolder, "PROGRA~1");
  fs.AddFolder("C:\\Program Files\\Ostrivane Tool", kAttrFolder, "OSTRIV~1");
  ctx.recordsFolder = "C:\\PROGRA~1\\OSTRIV~1\\";
  walk.AddOwnFolder("c:\\old\\OST");
  for (const char* folder : {"C:\\Program Files\\Ostrivane Tool\\", "C:\\Old\\Ost\\", "C:\\Other\\"})
    for (const char* name : {"Undo00000.bat", "Undo00000.log", "Undo00000.after", "Ostrivane.ini", "Tool.lnk"})
      fs.AddFile(std::string(folder) + name, "C:\\Old");
  fs.AddFile("C:\\Old\\Ost\\Sub\\below.ini", "C:\\Old");
  const std::vector<std::string> all = {"C:\\Old\\Ost\\Sub\\below.ini", "C:\\Other\\Ostrivane.ini",
                                        "C:\\Other\\Undo00000.after",      "C:\\Other\\Undo00000.bat",
                                        "C:\\Other\\Undo00000.log",        "lnk C:\\Other\\Tool.lnk"};
  const std::vector<std::string> byDefault = {all[0], all[1], all[3], all[5]};
  for (const auto& [targets, walked] : {std::pair{Targets{false, false, false, true, false}, all},
                                        std::pair{Targets{true, true, true, false, true}, byDefault}}) {
    visited.clear();
    ctx.targets = targets;
    walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
    std::sort(visited.begin(), visited.end());
    EXPECT_EQ(visited, walked);
  }
}

TEST_F(FileWalkTest, PhaseLineLocationAndProgressSharePerDrive) {
  fs.AddFolder("C:\\A\\Deep");
  fs.AddFolder("C:\\B");
  std::vector<std::pair<std::string, int>> atRoots;  // phase line and ceiling when each root file is seen
  fs.AddFile("C:\\c.ini", "");
  fs.AddFile("E:\\e.ini", "");
  text.onRewrite = [&](const std::string&) { atRoots.emplace_back(ui.progress.phase, ui.progress.ceiling); };
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  // The share of a drive is added after its root files, before its folders.
  EXPECT_EQ(atRoots, (std::vector<std::pair<std::string, int>>{{"Scanning C Drive", 0}, {"Scanning E Drive", 33}}));
  EXPECT_EQ(ui.progress.floor, 33);
  EXPECT_EQ(ui.progress.ceiling, 66);  // 66 div 2 per selected drive; E is empty but still counted
  EXPECT_EQ(ui.progress.location, "E:\\");
  walk.SearchThruDir(ctx.Pass(), "C:\\", "old", "new");
  EXPECT_EQ(ui.progress.location, "C:\\B\\");  // the folder last entered, not the one returned to
}

TEST_F(FileWalkTest, NoDriveSelectedDoesNothing) {
  for (auto& d : ctx.drives) d.selected = false;
  fs.AddFile("C:\\a.ini", "");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_TRUE(text.paths.empty());
  EXPECT_EQ(fs.listCalls, 0);
  EXPECT_EQ(ui.progress.ceiling, 0);
}

TEST_F(FileWalkTest, CancelOnTheProgressDialogStopsBeforeTheNextEntryAndDrive) {
  fs.AddFile("C:\\A\\1.ini", "");
  fs.AddFile("C:\\A\\2.ini", "");
  fs.AddFile("C:\\B\\3.ini", "");
  fs.AddFile("E:\\4.ini", "");
  text.onRewrite = [&](const std::string&) { ui.onPump = [&] { ctx.tally.cancelled = true; }; };
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\A\\1.ini"}));
  EXPECT_EQ(ui.progress.ceiling, 33);  // E's share is not added
  EXPECT_EQ(ui.progress.phase, "Scanning C Drive");
}

TEST_F(FileWalkTest, CancelInTheEntryFoundDialogEndsTheFolderAtOnce) {
  ctx.targets.shortcuts = true;
  fs.AddFile("C:\\A\\1.ini", "");
  fs.AddFile("C:\\A\\2.ini", "");
  fs.AddFile("C:\\A\\3.lnk", "");
  text.onRewrite = [&](const std::string&) { ctx.tally.cancelled = true; };
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "old", "new"));
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\A\\1.ini"}));
}

TEST_F(FileWalkTest, HandsOverShortFormsAndListsEachFolderOnce) {
  ctx.targets.shortcuts = true;
  fs.AddFolder("C:\\Program Files", kAttrFolder, "PROGRA~1");
  fs.AddFolder("C:\\Program Files\\Old Tool", kAttrFolder, "OLDTOO~1");
  fs.AddFile("C:\\Program Files\\Old Tool\\t.ini", "");
  fs.AddFolder("C:\\Program Files\\Sub\\Sub2");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Program Files\\Old Tool", "C:\\New Tool"));
  ASSERT_EQ(text.texts.size(), 1u);
  EXPECT_EQ(text.texts[0].oldText, "C:\\Program Files\\Old Tool");
  EXPECT_EQ(text.texts[0].oldShort, "C:\\PROGRA~1\\OLDTOO~1");
  EXPECT_EQ(text.texts[0].newShort, "C:\\NewToo~1");
  // C:\, Program Files, Old Tool, Sub, Sub2 (E: is empty): once each.
  EXPECT_EQ(fs.listCalls, 6);
}

// The whole pass with the real text rewriting: the run's own move record
// holds the old text and must survive an "All Files" pass unchanged.
TEST(FileWalkEndToEnd, AllFilesRewritesUserFilesButNotTheUndoRecords) {
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = "C:\\Ost\\";
  ctx.drives = {{"C", "C:\\", true}};
  ctx.targets = {false, false, false, true, false};
  PathForms forms(fs);
  RecordingBackup backup(fs);
  RecordingShortcuts shortcuts;
  Cp1252 ansi;
  FileMapping mapping(fs, forms, backup, shortcuts, ansi);
  const std::string record = "[Move]\r\nSource=C:\\Old\r\n";
  fs.AddFile("C:\\Ost\\Undo00000.bat", record);
  fs.AddFile("C:\\Data\\cfg.txt", "path=C:\\Old\\x\r\n");
  mapping.MapFiles(ctx.Pass(), mapping.Walk().TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(fs.At("C:\\Ost\\Undo00000.bat").data, record);
  EXPECT_EQ(fs.At("C:\\Data\\cfg.txt").data, "path=C:\\New\\x\r\n");
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

// Default targets: a JSON file with escaped backslashes is rewritten in its
// own spelling.
TEST(FileWalkEndToEnd, DefaultTargetsRewriteConfigurationFiles) {
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = "C:\\Ost\\";
  ctx.drives = {{"C", "C:\\", true}};
  PathForms forms(fs);
  RecordingBackup backup(fs);
  RecordingShortcuts shortcuts;
  Cp1252 ansi;
  FileMapping mapping(fs, forms, backup, shortcuts, ansi);
  fs.AddFile("C:\\Data\\app.json", "{\"exe\": \"C:\\\\Old\\\\app.exe\"}\n");
  mapping.MapFiles(ctx.Pass(), mapping.Walk().TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(fs.At("C:\\Data\\app.json").data, "{\"exe\": \"C:\\\\New\\\\app.exe\"}\n");
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

}  // namespace

namespace {
std::vector<const ChangeEntry*> EntriesOf(const TestRun& ctx, ChangeOutcome outcome) {
  std::vector<const ChangeEntry*> out;
  for (const ChangeEntry& e : ctx.changes)
    if (e.outcome == outcome) out.push_back(&e);
  return out;
}
}  // namespace

// Dotfiles and ".pth" files are configuration files only when their start
// holds no NUL byte; a name with a further dot is no dotfile.
TEST_F(FileWalkTest, DotfilesAndPthFilesJoinConfigurationFilesWhenText) {
  ctx.targets = {false, false, false, false, true};
  fs.AddFile("C:\\U\\.gitconfig", "[core]\n\teditor = C:/Old/code.exe\n");
  fs.AddFile("C:\\U\\.NPMRC", "prefix=C:\\Old\n");
  fs.AddFile("C:\\U\\.binary", std::string("ab\0cd", 5));
  fs.AddFile("C:\\U\\.late", std::string(kTextProbeSize, 'x') + std::string(1, '\0'));  // NUL past the probe
  fs.AddFile("C:\\U\\.cache.bak", "C:\\Old");
  fs.AddFile("C:\\U\\noext", "C:\\Old");
  fs.AddFile("C:\\P\\Lib\\site-packages\\acme.PTH", "C:\\Old\\lib\n");
  fs.AddFile("C:\\P\\Lib\\site-packages\\packed.pth", std::string("\0\1\2", 3));
  fs.AddFile("C:\\P\\.json", "{}");  // a listed extension: no probe needed
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\P\\.json", "C:\\P\\Lib\\site-packages\\acme.PTH",
                                                  "C:\\U\\.gitconfig", "C:\\U\\.late", "C:\\U\\.NPMRC"}));
  EXPECT_TRUE(ctx.changes.empty());  // a binary dotfile is no one's, and not named

  // Only the configuration target takes them.
  text.paths.clear();
  ctx.targets = {false, true, true, false, false};
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_TRUE(text.paths.empty());
}

// Configuration files are searched up to 64 MB; the other targets keep to
// 1,000,000 bytes. A picked file over its limit is named as skipped, which
// is no place passed over.
TEST_F(FileWalkTest, EachTargetsSizeLimitAndTheFilesOverItNamedAsSkipped) {
  ctx.targets = {false, true, true, false, true};
  fs.AddFile("C:\\S\\big.json", std::string(3 * 1000 * 1000, ' '));
  fs.AddFile("C:\\S\\huge.json", std::string(kMaxConfigurationSize, ' '));
  fs.AddFile("C:\\S\\big.ini", std::string(kMaxRewriteSize, ' '));
  fs.AddFile("C:\\S\\big.lnk", std::string(kMaxRewriteSize, ' '));
  fs.AddFile("C:\\S\\big.txt", std::string(kMaxRewriteSize, ' '));  // no target's
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(visited, (std::vector<std::string>{"C:\\S\\big.json"}));
  const auto skipped = EntriesOf(ctx, ChangeOutcome::Skipped);
  ASSERT_EQ(skipped.size(), 3u);
  EXPECT_EQ(skipped[0]->where, "C:\\S\\big.ini");
  EXPECT_EQ(skipped[0]->reason, kTooLargeReason);
  EXPECT_EQ(skipped[1]->where, "C:\\S\\big.lnk");
  EXPECT_EQ(skipped[2]->where, "C:\\S\\huge.json");
  EXPECT_EQ(skipped[2]->reason, kConfigurationTooLargeReason);
  for (const ChangeEntry* e : skipped) EXPECT_EQ(e->kind, ChangeKind::Place);
  EXPECT_TRUE(ctx.passedOver.empty());
  EXPECT_EQ(ctx.tally.linkCount, 0);

  // "All Files" alone keeps to 1,000,000 bytes, a .json included.
  ctx.changes.clear();
  visited.clear();
  ctx.targets = {false, false, false, true, false};
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_TRUE(visited.empty());
  EXPECT_EQ(EntriesOf(ctx, ChangeOutcome::Skipped).size(), 5u);
}

// The apply goes to a listed file as the walk met it: one grown past its
// target's limit since the search is passed over, not read.
TEST_F(FileWalkTest, AListedFileGrownPastItsLimitIsPassedOver) {
  ctx.targets = {false, false, false, false, true};
  fs.AddFile("C:\\S\\big.json", std::string(2 * kMaxRewriteSize, ' '));
  fs.AddFile("C:\\S\\grown.json", std::string(kMaxConfigurationSize, ' '));
  walk.MapListedFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"), {"C:\\S\\big.json", "C:\\S\\grown.json"});
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\S\\big.json"}));
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "C:\\S\\grown.json");
}

// A folder that cannot be listed is named as not searched, and the walk goes
// on; a volume's own folders are neither searched nor named.
TEST_F(FileWalkTest, FoldersThatCannotBeListedAreNamedAndVolumeFoldersPassedBy) {
  fs.AddFile("C:\\Locked\\in.ini", "");
  fs.AddFile("C:\\Open\\a.ini", "");
  fs.AddFile("C:\\Open\\Deeper\\Gone\\x.ini", "");
  fs.AddFile("C:\\System Volume Information\\s.ini", "");
  fs.AddFile("C:\\$RECYCLE.BIN\\S-1-5-21\\r.ini", "");
  fs.AddFile("E:\\Data\\$Recycle.Bin\\kept.ini", "");  // not a volume's own
  fs.DenyListing("C:\\Locked");
  fs.DenyListing("C:\\Open\\Deeper", "The network path was not found.");
  fs.DenyListing("C:\\System Volume Information");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"C:\\Open\\a.ini", "E:\\Data\\$Recycle.Bin\\kept.ini"}));
  ASSERT_EQ(ctx.passedOver.size(), 2u);
  EXPECT_EQ(ctx.passedOver[0].where, "C:\\Locked\\");
  EXPECT_EQ(ctx.passedOver[0].reason, "not searched: access denied");
  EXPECT_EQ(ctx.passedOver[1].where, "C:\\Open\\Deeper\\");
  EXPECT_EQ(ctx.passedOver[1].reason, "not searched: The network path was not found.");
  const auto named = EntriesOf(ctx, ChangeOutcome::PassedOver);
  ASSERT_EQ(named.size(), 2u);
  EXPECT_EQ(named[0]->kind, ChangeKind::Place);

  // A drive root that cannot be listed is named too; an empty folder is not.
  ctx.changes.clear();
  ctx.passedOver.clear();
  fs.AddFolder("C:\\Empty");
  fs.DenyListing("E:\\");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "C:\\New"));
  ASSERT_EQ(ctx.passedOver.size(), 3u);
  EXPECT_EQ(ctx.passedOver[2].where, "E:\\");
}

namespace {
// Where programs keep settings, files are taken by content whatever their
// names: text in any encoding is rewritten, binary data holding the old
// place is named and left byte for byte, and the same names elsewhere stay
// unread.
TEST(FileWalkEndToEnd, SettingsPlacesAreSearchedByContent) {
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = "C:\\Ost\\";
  ctx.drives = {{"C", "C:\\", true}};
  PathForms forms(fs);
  RecordingBackup backup(fs);
  RecordingShortcuts shortcuts;
  Cp1252 ansi;
  FileMapping mapping(fs, forms, backup, shortcuts, ansi);
  mapping.Walk().AddSettingsPlace("C:\\ProgramData");
  mapping.Walk().SetProfilesFolder("C:\\Users\\");
  const std::string item = "{\"InstallLocation\": \"C:\\\\Old\\\\Game\"}";
  const std::string utf16 = "\xFF\xFE"s + Utf16LeBytesFromUtf8("Path=C:\\Old\\Game\r\n");
  const std::string ansiText = "\"name\"\t\"Caf\xE9\"\n\"dir\"\t\"C:\\Old\\Game\"\n";
  const std::string mru = "\x02\0\0\0"s + Utf16LeBytesFromUtf8("C:\\Old\\save.dat") + "\0\0\xFF"s;
  const std::string launcher = "MZ\x90\0\3\0\0\0\0\0#!C:\\Old\\python.exe\n"s;
  const std::string other = "\0\0C:\\Older\\x"s;
  fs.AddFile("C:\\ProgramData\\Epic\\Manifests\\game.item", item);
  fs.AddFile("C:\\Users\\me\\AppData\\Local\\Launcher\\LauncherInstalled.dat", utf16);
  fs.AddFile("C:\\Users\\me\\AppData\\Roaming\\Lib\\appmanifest_1.acf", ansiText);
  fs.AddFile("C:\\Users\\me\\AppData\\Roaming\\mru.bin", mru);
  fs.AddFile("C:\\ProgramData\\Tool\\tool.exe", launcher);
  fs.AddFile("C:\\ProgramData\\Tool\\other.bin", other);
  fs.AddFile("C:\\Users\\me\\Documents\\notes.item", item);  // no settings place
  fs.AddFile("C:\\Users\\me\\AppData\\big.log", "C:\\Old\\x" + std::string(kMaxRewriteSize, ' '));
  mapping.MapFiles(ctx.Pass(), mapping.Walk().TextsFor(ctx, "C:\\Old", "C:\\New"));

  EXPECT_EQ(fs.At("C:\\ProgramData\\Epic\\Manifests\\game.item").data, "{\"InstallLocation\": \"C:\\\\New\\\\Game\"}");
  EXPECT_EQ(fs.At("C:\\Users\\me\\AppData\\Local\\Launcher\\LauncherInstalled.dat").data,
            "\xFF\xFE"s + Utf16LeBytesFromUtf8("Path=C:\\New\\Game\r\n"));
  EXPECT_EQ(fs.At("C:\\Users\\me\\AppData\\Roaming\\Lib\\appmanifest_1.acf").data,
            "\"name\"\t\"Caf\xE9\"\n\"dir\"\t\"C:\\New\\Game\"\n");
  EXPECT_EQ(fs.At("C:\\Users\\me\\Documents\\notes.item").data, item);
  EXPECT_EQ(ctx.tally.linkCount, 3);
  // Binary data is left exactly, and named with why.
  EXPECT_EQ(fs.At("C:\\Users\\me\\AppData\\Roaming\\mru.bin").data, mru);
  EXPECT_EQ(fs.At("C:\\ProgramData\\Tool\\tool.exe").data, launcher);
  std::vector<std::string> named;
  for (const ChangeEntry& e : ctx.changes)
    if (e.kind == ChangeKind::BinaryData) {
      EXPECT_EQ(e.outcome, ChangeOutcome::PassedOver);
      EXPECT_EQ(e.reason, kBinaryNotRewritten);
      named.push_back(e.where + " | " + e.oldText);
    }
  EXPECT_EQ(named, (std::vector<std::string>{"C:\\ProgramData\\Tool\\tool.exe | #!C:\\Old\\python.exe",
                                             "C:\\Users\\me\\AppData\\Roaming\\mru.bin | C:\\Old\\save.dat"}));
  EXPECT_EQ(ctx.passedOver.size(), 2u);

  // Only the configuration target searches by content.
  ctx.changes.clear();
  ctx.targets.configFiles = false;
  fs.AddFile("C:\\ProgramData\\Epic\\Manifests\\game.item", item);
  mapping.MapFiles(ctx.Pass(), mapping.Walk().TextsFor(ctx, "C:\\Old", "C:\\New"));
  EXPECT_EQ(fs.At("C:\\ProgramData\\Epic\\Manifests\\game.item").data, item);
  EXPECT_TRUE(ctx.changes.empty());
}

// The folder a move moves holds its program's settings, whatever they are named.
TEST_F(FileWalkTest, TheMovedFolderIsASettingsPlace) {
  ctx.targets = {false, false, false, false, true};
  ctx.request.Mode = RunMode::MoveAndMap;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\Games\\New";
  ctx.drives = {{"D", "D:\\", true}};
  fs.AddFile("D:\\Games\\New\\state.item", "x");
  fs.AddFile("D:\\Games\\other.item", "x");
  walk.MapFiles(ctx.Pass(), walk.TextsFor(ctx, "C:\\Old", "D:\\Games\\New"));
  EXPECT_EQ(text.paths, (std::vector<std::string>{"D:\\Games\\New\\state.item"}));
}
}  // namespace
