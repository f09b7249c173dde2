#include <gtest/gtest.h>

#include "core/win32/WinApi.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32CodePage.h"
#include "core/win32/Win32FileSystem.h"
#include "core/Text.h"
#include "core/Unicode.h"
#include "filemap/FileWalk.h"
#include "filemap/PathForms.h"
#include "filemap/TextFileRewrite.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestTree.h"
#include "support/WideNames.h"
#include "undo/FileBackupArchive.h"
#include "undo/win32/Win32UndoPlatform.h"
#include "support/TestRun.h"

namespace {

// The walk with the real file system and text rewriting over a tree of the
// test's own, under a folder of its own on C:.
class FileWalkWinTest : public ::testing::Test {
 protected:
  FileWalkWinTest()
      : root("C:\\ostrivane-test-walk-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(GetCurrentProcessId()) + "\\"),
        tree(root + "W\\"),
        forms(fs),
        backup(fs),
        rewrite(fs, backup, ansi),
        walk(fs, forms, rewrite, shortcuts) {
    RemoveTree(fs, root);
    fs.MakeFolders(root);
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    ctx.recordsFolder = tree + "Prog\\";
    ctx.targets = {false, true, true, false, false};
  }
  ~FileWalkWinTest() override { RemoveTree(fs, root); }

  void File(const std::string& rel, const std::string& data, std::uint32_t attributes = 0) {
    WriteTestFile(fs, tree + rel, data);
    if (attributes) fs.SetAttributesOf(tree + rel, attributes);
  }
  std::string Read(const std::string& rel) { return fs.ReadWhole(tree + rel); }
  std::uint32_t Attributes(const std::string& rel) {
    return *fs.AttributesOf(tree + rel) & (kAttrReadOnly | kAttrHidden | kAttrSystem);
  }
  void Walk(const std::string& oldText, const std::string& newText) { walk.SearchThruDir(ctx.Pass(), root, oldText, newText); }

  Win32FileSystem fs;
  const std::string root;
  const std::string tree;  // the files live below the folder walked
  FakeUi ui;
  TestRun ctx;
  PathForms forms;
  RecordingBackup backup;
  Win32CodePage ansi{Win32CodePage::Which::Ansi};
  TextFileRewrite rewrite;
  RecordingShortcuts shortcuts;
  FileWalk walk;
};

TEST_F(FileWalkWinTest, RewritesInFolderOrderWithoutDoublingAndKeepsAttributes) {
  File("Top\\top.ini", "p=C:\\App\r\n");
  File("Top\\A\\a.ini", "p=C:\\App\\x;c:\\app\r\n");
  File("Top\\A\\B\\b.ini", "p=C:\\App\r\n");
  File("Top\\hidden.ini", "C:\\App\r\n", kAttrHidden);
  File("Top\\system.ini", "C:\\App\r\n", kAttrSystem);
  File("Top\\readonly.ini", "C:\\App\r\n", kAttrReadOnly | kAttrHidden);
  Walk("C:\\App", "C:\\App2");

  // The platform lists a folder in its own order; the folders come root, A, B.
  std::vector<std::string> folders;
  for (const auto& [path, content] : backup.saved) folders.push_back(SplitItemPath(path.substr(tree.size())).folder);
  EXPECT_EQ(folders, (std::vector<std::string>{"Top\\", "Top\\", "Top\\", "Top\\", "Top\\A\\", "Top\\A\\B\\"}));
  ASSERT_EQ(backup.saved.size(), 6u);
  EXPECT_EQ(backup.saved[4].second, "p=C:\\App\\x;c:\\app\r\n");
  EXPECT_EQ(Read("Top\\A\\a.ini"), "p=C:\\App2\\x;C:\\App2\r\n");
  EXPECT_EQ(Read("Top\\A\\B\\b.ini"), "p=C:\\App2\r\n");
  EXPECT_EQ(Read("Top\\readonly.ini"), "C:\\App2\r\n");
  EXPECT_EQ(Attributes("Top\\hidden.ini"), kAttrHidden);
  EXPECT_EQ(Attributes("Top\\system.ini"), kAttrSystem);
  EXPECT_EQ(Attributes("Top\\readonly.ini"), kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(ctx.tally.linkCount, 7);
}

TEST_F(FileWalkWinTest, LineEndsStayAsTheFileHasThem) {
  File("lf.ini", "a\nC:\\App\nb");
  File("mixed.ini", "a\r\nC:\\App\rb\n");
  Walk("C:\\App", "D:\\App");
  EXPECT_EQ(Read("lf.ini"), "a\nD:\\App\nb");
  EXPECT_EQ(Read("mixed.ini"), "a\r\nD:\\App\rb\n");
}

// Settings files as programs write them through the platform: UTF-16LE with
// a mark, and the ANSI code page (Windows-1252 here).
TEST_F(FileWalkWinTest, Utf16AndAnsiSettingsFilesAreRewrittenInTheirOwnEncoding) {
  if (ansi.Number() != 1252) GTEST_SKIP() << "the ANSI bytes below are Windows-1252";
  const std::string unicode = "\xFF\xFE" + Utf16LeBytesFromUtf8("[User]\r\nName=Bjørn\r\nHome=C:\\App\\data\r\n");
  File("unicode.ini", unicode);
  File("ansi.ini", "[User]\r\nName=Bj\xF8rn\nHome=C:\\App\\data");
  Walk("C:\\App", "C:\\Bjørn €");
  EXPECT_EQ(Read("unicode.ini"),
            "\xFF\xFE" + Utf16LeBytesFromUtf8("[User]\r\nName=Bjørn\r\nHome=C:\\Bjørn €\\data\r\n"));
  EXPECT_EQ(Read("ansi.ini"), "[User]\r\nName=Bj\xF8rn\nHome=C:\\Bj\xF8rn \x80\\data");
  EXPECT_EQ(backup.saved.size(), 2u);
  // The platform's own settings reader sees the new value in both.
  for (const char* name : {"unicode.ini", "ansi.ini"}) {
    wchar_t value[100] = {};
    GetPrivateProfileStringW(L"User", L"Home", L"", value, 100, (const wchar_t*)Utf16FromUtf8(tree + name).c_str());
    EXPECT_EQ(Utf8FromUtf16((const char16_t*)value), "C:\\Bjørn €\\data") << name;
  }

  // Text the code page cannot hold leaves an ANSI file as it was, and says so.
  File("cjk.ini", "Home=C:\\Old\r\nName=Bj\xF8rn\r\n");
  File("cjk16.ini", "\xFF\xFE" + Utf16LeBytesFromUtf8("Home=C:\\Old\r\n"));
  Walk("C:\\Old", "C:\\数据");
  EXPECT_EQ(Read("cjk.ini"), "Home=C:\\Old\r\nName=Bj\xF8rn\r\n");
  EXPECT_EQ(Read("cjk16.ini"), "\xFF\xFE" + Utf16LeBytesFromUtf8("Home=C:\\数据\r\n"));
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, tree + "cjk.ini");
  EXPECT_EQ(ctx.passedOver[0].reason, "its encoding (Windows-1252) cannot hold the new text");
}

TEST_F(FileWalkWinTest, AFileWithOnlyTheShortFormGetsTheNewShortForm) {
  fs.MakeFolders(tree + "Old Program Folder");
  const std::string oldText = tree + "Old Program Folder";
  const std::string newText = tree + "New Program Folder";
  const std::string oldShort = *fs.ShortPathOf(oldText);
  ASSERT_NE(oldShort, oldText);
  File("short.ini", "dir=" + oldShort + "\\x.exe\r\n");
  Walk(oldText, newText);
  EXPECT_EQ(Read("short.ini"), "dir=" + forms.ShortFileName(newText) + "\\x.exe\r\n");
  EXPECT_NE(forms.ShortFileName(newText), newText);
}

TEST_F(FileWalkWinTest, AllFilesSizeLimitShortcutsAndOwnRecords) {
  ctx.targets = {false, false, false, true, false};
  std::string below(999999, 'x'), limit(1000000, 'x');
  below.replace(0, 7, "C:\\App\\");
  limit.replace(0, 7, "C:\\App\\");
  File("below.txt", below);
  File("limit.txt", limit);
  File("x.lnk\\inner.txt", "C:\\App");
  File("y.LNK", "not read as text");
  File("Prog\\Undo00000.bat", "[Move]\r\nSource=C:\\App\r\n");
  File("Prog\\Undo00000.reg", "C:\\\\App");
  // An earlier records folder known by its short form: none of its files is read.
  File("Earlier Records Folder\\Undo00001.log", "C:\\App");
  const std::optional<std::string> earlierShort = fs.ShortPathOf(tree + "Earlier Records Folder");
  ASSERT_TRUE(earlierShort && earlierShort->find("Earlier Records") == std::string::npos);
  walk.AddOwnFolder(*earlierShort);
  Walk("C:\\App", "C:\\Bpp");
  EXPECT_EQ(Read("below.txt").substr(0, 8), "C:\\Bpp\\x");
  EXPECT_EQ(Read("limit.txt"), limit);
  EXPECT_EQ(Read("x.lnk\\inner.txt"), "C:\\Bpp");
  EXPECT_EQ(shortcuts.paths, (std::vector<std::string>{tree + "y.LNK"}));
  EXPECT_EQ(Read("Prog\\Undo00000.bat"), "[Move]\r\nSource=C:\\App\r\n");
  EXPECT_EQ(Read("Earlier Records Folder\\Undo00001.log"), "C:\\App");
  EXPECT_EQ(Read("y.LNK"), "not read as text");
}

// Folders and files named in any script, and a file past MAX_PATH: each is
// visited under its own name, rewritten, backed up into a real archive and
// restored from it.
TEST_F(FileWalkWinTest, NamesOfEveryScriptAndDeepPathsAreWalkedBackedUpAndRestored) {
  ctx.targets = {false, true, true, false, false};
  std::vector<std::string> files;
  for (const std::string& n : kScriptNames) {
    files.push_back(n + "\\" + n + ".ini");
    files.push_back("Top\\" + n + ".ini");
  }
  std::string deep = "Deep";
  while (tree.size() + deep.size() < 280) deep += "\\A folder of some length";
  files.push_back(deep + "\\Bjørn.ini");
  for (const std::string& f : files) File(f, "p=C:\\App\\x\r\n");
  File("Top\\数据 – Cafe€.lnk", "no link");

  Win32UndoPlatform platform;
  FileBackupArchive archive(fs, platform);
  TextFileRewrite archived(fs, archive, ansi);
  FileWalk archivedWalk(fs, forms, archived, shortcuts);
  archive.SetArchiveName(root + "Undo00000.zip");
  archivedWalk.SearchThruDir(ctx.Pass(), root, "C:\\App", "D:\\App");

  for (const std::string& f : files) EXPECT_EQ(Read(f), "p=D:\\App\\x\r\n") << f;
  EXPECT_EQ(shortcuts.paths, std::vector<std::string>{tree + "Top\\数据 – Cafe€.lnk"});
  const RestoreResult r = RestoreArchive(fs, platform, root + "Undo00000.zip");
  EXPECT_EQ(r.restored, int(files.size()));
  EXPECT_TRUE(r.refusals.empty()) << r.refusals.front();
  for (const std::string& f : files) EXPECT_EQ(Read(f), "p=C:\\App\\x\r\n") << f;
}

TEST_F(FileWalkWinTest, ALinkBackUpTheTreeIsNotFollowed) {
  File("Loop\\in.ini", "C:\\App");
  const std::string link = tree + "Loop\\Back";
  // Some platforms (Wine 8) answer success and create nothing.
  if (!CreateSymbolicLinkA(link.c_str(), root.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) || !fs.AttributesOf(link))
    GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(*fs.AttributesOf(link) & kAttrReparsePoint);
  Walk("C:\\App", "C:\\Bpp");
  ASSERT_EQ(backup.saved.size(), 1u);
  EXPECT_EQ(Read("Loop\\in.ini"), "C:\\Bpp");
  RemoveDirectoryA(link.c_str()) || DeleteFileA(link.c_str());
}

}  // namespace
