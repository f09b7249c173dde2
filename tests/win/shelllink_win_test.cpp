// Shortcuts on a real disk, made and read through the platform's shell-link
// objects.
#include <gtest/gtest.h>

#include "core/win32/WinApi.h"
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>


#include "core/win32/Win32FileSystem.h"
#include "filemap/ShortcutRewrite.h"
#include "filemap/win32/Win32ShellLinkStore.h"
#include "support/FakeUi.h"
#include "support/TestTree.h"
#include "RawLink.h"
#include "support/TestRun.h"

namespace {

// Through the wide calls: the paths here may hold any name.
std::string Bytes(const std::string& path) {
  try {
    return Win32FileSystem().ReadWhole(path);
  } catch (const Error&) {
    return "";
  }
}

void Touch(const std::string& path, const std::string& data = "x") { Win32FileSystem().ReplaceWhole(path, data); }

std::string IconOf(const std::string& lnk) {
  RawLink raw;
  wchar_t buffer[MAX_PATH] = {};
  int index = -1;
  if (FAILED(raw.file->Load(RawLink::Wide(lnk).c_str(), STGM_READ)) ||
      FAILED(raw.link->GetIconLocation(buffer, MAX_PATH, &index)))
    return "";
  return Utf8Text(buffer) + "," + std::to_string(index);
}

struct RecordingBackup : FileBackup {
  std::vector<std::pair<std::string, std::string>> saved;
  bool BackupFile(const std::string& path) override {
    saved.emplace_back(path, Bytes(path));
    return true;
  }
};

class ShellLinkWin : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir = std::string(temp) + "ostrivane-lnk-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ctx.ui = &ui;
  }
  void TearDown() override { RemoveTree(dir); }
  // Through the port, so that names no code page holds go too.
  static void RemoveTree(const std::string& folder) {
    Win32FileSystem fs;
    ::RemoveTree(fs, folder);
  }
  // Nothing is left beside the links by a replacing write, done or refused.
  void ExpectNoTemporaries() {
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((dir + "~ostrivane-*").c_str(), &f);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << f.cFileName;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
  std::string Folder(const std::string& name) {
    const std::string p = dir + name;
    CreateDirectoryW(WideText(p).c_str(), nullptr);
    return p;
  }
  void Rewrite(const std::string& lnk, const std::string& o, const std::string& n, const std::string& os = "",
               const std::string& ns = "") {
    rewrite.RewriteShortcut(ctx.Pass(), lnk, {o, n, os, ns});
  }

  std::string dir;
  Win32ShellLinkStore store;
  FakeUi ui;
  TestRun ctx;
  RecordingBackup backup;
  ShortcutRewrite rewrite{backup, store};
};

TEST_F(ShellLinkWin, StoreRoundTripAndMessages) {
  const std::string app = Folder("App") + "\\run.exe";
  Touch(app);
  ShellLinkProps p;
  p.Target = app;
  p.Arguments = "-a \"two words\"";
  p.WorkingDir = dir + "App\\";
  p.Description = "Runs it";
  p.WindowState = SW_SHOWMINNOACTIVE;
  p.HotKey = 0x0641;
  store.Save(dir + "a.lnk", p);
  const ShellLinkProps q = store.Load(dir + "a.lnk");
  EXPECT_EQ(q.Target, p.Target);
  EXPECT_EQ(q.Arguments, p.Arguments);
  EXPECT_EQ(q.WorkingDir, p.WorkingDir);
  EXPECT_EQ(q.Description, p.Description);
  // (Wine keeps no show command in a link file, so it is not compared here.)
  EXPECT_EQ(q.HotKey, p.HotKey);

  auto message = [&](const std::string& path) -> std::string {
    try {
      store.Load(path);
    } catch (const ShellLinkError& e) {
      return e.what();
    }
    return "read";
  };
  EXPECT_EQ(message(dir + "none.lnk"), "Link not found.");
  EXPECT_EQ(message(dir + "App"), "Link not found.");
  Touch(dir + "bad.lnk", std::string("L\0\0\0garbage and more garbage", 29));
  EXPECT_EQ(message(dir + "bad.lnk"), "Read error.");


  // A read-only link is not written over.
  SetFileAttributesA((dir + "a.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string before = Bytes(dir + "a.lnk");
  LinkChange change;
  change.Arguments = "-b";
  auto pending = store.Prepare(dir + "a.lnk", change);
  EXPECT_EQ(pending->Before().Arguments, p.Arguments);
  try {
    pending->Commit();
    ADD_FAILURE() << "written over a read-only link";
  } catch (const ShellLinkError& e) {
    EXPECT_STREQ(e.what(), "Write error.");
  }
  pending.reset();
  EXPECT_EQ(Bytes(dir + "a.lnk"), before);
  EXPECT_TRUE(GetFileAttributesA((dir + "a.lnk").c_str()) & FILE_ATTRIBUTE_READONLY);
  ExpectNoTemporaries();
}

TEST_F(ShellLinkWin, RewritesTargetArgumentsAndWorkingFolder) {
  const std::string oldDir = Folder("Old Stuff");
  char shortBuf[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(oldDir.c_str(), shortBuf, MAX_PATH), 0u);
  const std::string oldShort = shortBuf;
  ASSERT_NE(oldShort, oldDir);
  const std::string newDir = dir + "New Place", newShort = dir + "NEWPLA~1";

  // Long form in the target, short form in the arguments: each replaced in its form.
  MakeLink(dir + "both.lnk", oldDir + "\\app.exe", "/cfg " + oldShort + "\\app.ini", oldDir);
  SetFileAttributesA((dir + "both.lnk").c_str(), FILE_ATTRIBUTE_HIDDEN);
  Rewrite(dir + "both.lnk", oldDir, newDir, oldShort, newShort);
  ShellLinkProps p = store.Load(dir + "both.lnk");
  EXPECT_EQ(p.Target, newDir + "\\app.exe");
  EXPECT_EQ(p.Arguments, "/cfg " + newShort + "\\app.ini");
  EXPECT_EQ(p.WorkingDir, newDir);  // as written: no "\\" added
  EXPECT_EQ(p.Description, "A tool");
  EXPECT_EQ(IconOf(dir + "both.lnk"), "C:\\windows\\system32\\shell32.dll,4");
  EXPECT_EQ(GetFileAttributesA((dir + "both.lnk").c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));

  // The old text twice in the target, the second begun inside the first:
  // the first only, as the text it shared is replaced.
  MakeLink(dir + "twice.lnk", dir + "Old\\Old\\app.exe", "", "");
  Rewrite(dir + "twice.lnk", "\\Old\\", "\\New\\");
  EXPECT_EQ(store.Load(dir + "twice.lnk").Target, dir + "New\\Old\\app.exe");

  // Only the arguments match: the target and the working folder stay.
  const std::string tool = Folder("Tools") + "\\ed.exe";
  Touch(tool);
  MakeLink(dir + "X.LNK", tool, oldDir + "\\notes.txt", "D:\\Data");
  Rewrite(dir + "X.LNK", oldDir, newDir);
  p = store.Load(dir + "X.LNK");
  EXPECT_EQ(p.Target, tool);
  EXPECT_EQ(p.Arguments, newDir + "\\notes.txt");
  EXPECT_EQ(p.WorkingDir, "D:\\Data");

  // Moving C:\App to E:\App.
  MakeLink(dir + "app.lnk", "C:\\App\\run.exe", "", "C:\\App\\");
  Rewrite(dir + "app.lnk", "C:\\App", "E:\\App");
  p = store.Load(dir + "app.lnk");
  EXPECT_EQ(p.Target, "E:\\App\\run.exe");
  EXPECT_EQ(p.WorkingDir, "E:\\App\\");

  EXPECT_EQ(ctx.tally.linkCount, 4);  // one per shortcut, however many of its parts changed
  ASSERT_EQ(backup.saved.size(), 4u);
  EXPECT_EQ(backup.saved[2].first, dir + "X.LNK");
}

// A switch and its switch back give the same bytes: no part is filled or
// given a "\\" it did not have.
TEST_F(ShellLinkWin, ASwitchAndItsSwitchBackGiveTheSameLink) {
  SearchTexts exchange{"E:\\", "F:\\", "", "", MatchRule::Path};
  exchange.exchange = true;
  MakeLink(dir + "games.lnk", "E:\\Games\\g.exe", "-saves F:\\Saves", "E:\\Games");
  MakeLink(dir + "bare.lnk", "E:\\Tools\\t.exe", "", "");
  const std::string games = Bytes(dir + "games.lnk"), bare = Bytes(dir + "bare.lnk");
  for (const char* lnk : {"games.lnk", "bare.lnk"}) rewrite.RewriteShortcut(ctx.Pass(), dir + lnk, exchange);
  EXPECT_EQ(store.Load(dir + "games.lnk").WorkingDir, "F:\\Games");
  EXPECT_EQ(store.Load(dir + "bare.lnk").WorkingDir, "");
  for (const char* lnk : {"games.lnk", "bare.lnk"}) rewrite.RewriteShortcut(ctx.Pass(), dir + lnk, exchange);
  EXPECT_EQ(Bytes(dir + "games.lnk"), games);
  EXPECT_EQ(Bytes(dir + "bare.lnk"), bare);
}

TEST_F(ShellLinkWin, LeftAloneByteForByte) {
  // Skipped when asked.
  ctx.stopAndVerify = true;
  ui.replies = {{Answer::Skip}};
  MakeLink(dir + "a.lnk", "C:\\App\\run.exe", "-x", "");
  const std::string before = Bytes(dir + "a.lnk");
  Rewrite(dir + "a.lnk", "C:\\App", "E:\\App");
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(Bytes(dir + "a.lnk"), before);

  // Unreadable: its stand-in text "error" is never searched.
  const std::string garbage("L\0\0\0\x01\x14\x02\0garbage error", 21);
  Touch(dir + "bad.lnk", garbage);
  Rewrite(dir + "bad.lnk", "rr", "XX");
  EXPECT_EQ(Bytes(dir + "bad.lnk"), garbage);
  EXPECT_TRUE(backup.saved.empty());
  EXPECT_EQ(ctx.tally.linkCount, 0);
}

TEST_F(ShellLinkWin, LongValuesAreNeverCut) {
  // Arguments far beyond the 260-byte buffers of old are read and rewritten whole.
  std::string arguments = "C:\\App\\data.txt";
  while (arguments.size() < 3000) arguments += " --option-with-a-long-name";
  MakeLink(dir + "long.lnk", "C:\\App\\run.exe", arguments, "");
  ASSERT_EQ(store.Load(dir + "long.lnk").Arguments, arguments);
  Rewrite(dir + "long.lnk", "C:\\App", "E:\\Applications");
  const ShellLinkProps p = store.Load(dir + "long.lnk");
  EXPECT_EQ(p.Arguments, "E:\\Applications" + arguments.substr(6));
  EXPECT_EQ(p.Target, "E:\\Applications\\run.exe");

  // A target longer than a link can hold leaves the link as it was, and says so.
  MakeLink(dir + "deep.lnk", "C:\\App\\run.exe", "", "");
  const std::string before = Bytes(dir + "deep.lnk");
  Rewrite(dir + "deep.lnk", "C:\\App", "E:\\" + std::string(400, 'd'));
  EXPECT_EQ(Bytes(dir + "deep.lnk"), before);
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_NE(ctx.passedOver[0].reason.find("deep.lnk"), std::string::npos);
  EXPECT_EQ(ctx.tally.linkCount, 1);  // long.lnk with its three parts; not deep.lnk
  EXPECT_EQ(backup.saved.size(), 1u);
  ExpectNoTemporaries();
}

// A shortcut whose own path, target, arguments and working folder hold
// names no code page here holds: read whole, rewritten whole, and what it
// holds after is what another program reads from it.
TEST_F(ShellLinkWin, NamesOfEveryScriptInPathAndTargetAreReadAndRewritten) {
  const std::string oldFolder = Folder("数据"), newFolder = Folder("Данные 😀");
  Touch(oldFolder + "\\程序 – Bjørn.exe");
  Touch(newFolder + "\\程序 – Bjørn.exe");
  // The link itself lies in a folder only the wide calls reach.
  const std::string lnk = oldFolder + "\\数据 Cafe€.lnk";
  MakeLink(lnk, oldFolder + "\\程序 – Bjørn.exe", "--data \"" + oldFolder + "\\Łódź.ini\"", oldFolder);
  const ShellLinkProps before = store.Load(lnk);
  EXPECT_EQ(before.Target, oldFolder + "\\程序 – Bjørn.exe");
  EXPECT_EQ(before.Arguments, "--data \"" + oldFolder + "\\Łódź.ini\"");
  EXPECT_EQ(before.WorkingDir, oldFolder);
  const std::string icon = IconOf(lnk);

  Rewrite(lnk, oldFolder, newFolder);
  ASSERT_EQ(backup.saved.size(), 1u);
  EXPECT_EQ(backup.saved[0].first, lnk);
  const ShellLinkProps after = store.Load(lnk);
  EXPECT_EQ(after.Target, newFolder + "\\程序 – Bjørn.exe");
  EXPECT_EQ(after.Arguments, "--data \"" + newFolder + "\\Łódź.ini\"");
  EXPECT_EQ(after.WorkingDir, newFolder);  // as it was written
  // Another program reads the same texts. (Its GetPath is left out: Wine
  // answers it from the link's ANSI path record, "?" for what 1252 lacks.)
  const RawLinkParts raw = ReadRawLink(lnk);
  EXPECT_EQ(raw.arguments, after.Arguments);
  EXPECT_EQ(raw.workingDir, after.WorkingDir);
  EXPECT_EQ(IconOf(lnk), icon) << "what is not rewritten is kept";
  EXPECT_TRUE(ui.messages.empty());
  WIN32_FIND_DATAW f;
  HANDLE h = FindFirstFileW(WideText(oldFolder + "\\~ostrivane-*").c_str(), &f);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "no temporary left beside it";
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

}  // namespace

namespace {
// The icon location is read and written with the index it has.
TEST_F(ShellLinkWin, TheIconLocationIsReadKeptAndRemapped) {
  const std::string oldDir = Folder("Acme Tools"), newDir = dir + "Apps";
  Touch(oldDir + "\\acme.exe");
  Touch(oldDir + "\\acme.ico");
  ShellLinkProps p;
  p.Target = oldDir + "\\acme.exe";
  p.WorkingDir = oldDir + "\\";
  p.IconPath = oldDir + "\\acme.ico";
  p.IconIndex = 5;
  store.Save(dir + "acme.lnk", p);
  EXPECT_EQ(store.Load(dir + "acme.lnk").IconPath, p.IconPath);
  EXPECT_EQ(store.Load(dir + "acme.lnk").IconIndex, 5);

  const SearchTexts asPath{oldDir, newDir, "", "", MatchRule::Path};
  rewrite.RewriteShortcut(ctx.Pass(), dir + "acme.lnk", asPath);
  EXPECT_EQ(IconOf(dir + "acme.lnk"), newDir + "\\acme.ico,5");
  EXPECT_EQ(store.Load(dir + "acme.lnk").Target, newDir + "\\acme.exe");
  ASSERT_EQ(ctx.changes.size(), 3u);
  EXPECT_EQ(ctx.changes[2].kind, ChangeKind::ShortcutIcon);
  EXPECT_EQ(ctx.tally.linkCount, 1);

  // A sibling's icon stays.
  const std::string sibling = Folder("Acme Tools2");
  Touch(sibling + "\\acme.exe");
  p.Target = sibling + "\\acme.exe";
  p.WorkingDir = sibling + "\\";
  p.IconPath = sibling + "\\acme.ico";
  store.Save(dir + "sibling.lnk", p);
  const std::string before = Bytes(dir + "sibling.lnk");
  rewrite.RewriteShortcut(ctx.Pass(), dir + "sibling.lnk", asPath);
  EXPECT_EQ(Bytes(dir + "sibling.lnk"), before);
  ExpectNoTemporaries();
}
}  // namespace
