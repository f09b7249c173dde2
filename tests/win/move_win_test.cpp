// The shell's move on a real disk, and a whole Move and Map run of the
// console front end undone again: files, attributes, registry values and a
// shortcut come back exactly as they were.
#include <gtest/gtest.h>

#include <map>

#include "ConsoleFixture.h"
#include "RawLink.h"
#include "core/win32/Win32FileSystem.h"
#include "support/FakeUi.h"
#include "support/TestTree.h"
#include "undo/MoveDir.h"
#include "undo/win32/CopyAcross.h"
#include "undo/win32/Win32ShellMove.h"
#include "support/TestRun.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-move";
const std::string kApps = "C:\\OstrApps";
const std::string kTool = "C:\\OstrApps\\Tool";
const std::string kNewApps = "D:\\OstrApps";
const std::string kNewTool = "D:\\OstrApps\\Tool";
const std::string kCfg = "C:\\OstrAppsCfg";
const std::string kMovedOn = "D:\\OstrMovedOn";
// A last write long before the test, below the millisecond, on an odd second:
// only an exact restore gives it back.
const FileTicks kOldWrite = 132'591'708'678'912'345;
const std::string kKey = "Software\\OstrivaneMoveTest";

class MoveWin : public ConsoleFixture {
 protected:
  MoveWin() : ConsoleFixture(kHome, "", kKey, {kApps, kNewApps, kCfg, kMovedOn}) {}
};

// The shell here may answer 0 for a move it did not make (a source that is
// not there, a folder into itself): only the item at its new place counts.
TEST_F(MoveWin, MoveIntoItselfFailsWithoutARecord) {
  WriteTestFile(fs, kTool + "\\sub\\a.txt", "A");
  fs.MakeFolders(kHome);
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = kHome + "\\";
  ctx.tally.undoName = "Undo00007";
  Win32ShellMove shell;
  FolderMove mover(fs, shell, true);
  EXPECT_FALSE(mover.MoveDir(ctx.Pass(), kTool, kTool + "\\sub\\Tool"));
  EXPECT_FALSE(fs.AttributesOf(kHome + "\\Undo00007.bat"));
  EXPECT_EQ(fs.ReadWhole(kTool + "\\sub\\a.txt"), "A");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first.rfind(kTool, 0), 0u) << ui.messages[0].first;
}

// A folder named in a script no code page here holds, with such names
// inside: the shell moves it whole, into a folder so named too.
TEST_F(MoveWin, AFolderNamedInAnyScriptMovesWhole) {
  const std::string source = kApps + "\\数据", target = kNewApps + "\\数据";
  WriteTestFile(fs, source + "\\Данные\\Łódź.ini", "a=1");
  WriteTestFile(fs, source + "\\Budget – Q3.txt", "b");
  fs.MakeFolders(kHome);
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = kHome + "\\";
  ctx.tally.undoName = "Undo00008";
  Win32ShellMove shell;
  FolderMove mover(fs, shell, true);
  ASSERT_TRUE(mover.MoveDir(ctx.Pass(), source, target)) << (ui.messages.empty() ? "" : ui.messages[0].first);
  EXPECT_FALSE(fs.AttributesOf(source));
  EXPECT_EQ(fs.ReadWhole(target + "\\Данные\\Łódź.ini"), "a=1");
  EXPECT_EQ(fs.ReadWhole(target + "\\Budget – Q3.txt"), "b");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MoveWin, CliMoveAndUndoGiveBackEverything) {
  WriteTestFile(fs, kTool + "\\tool.exe", std::string("MZ\0\x90\xFF tool", 10));
  WriteTestFile(fs, kTool + "\\tool.ini", "[Paths]\r\nSelf=C:\\OstrApps\\Tool\\tool.exe\r\n");
  WriteTestFile(fs, kTool + "\\sub\\data.bin", "data");
  fs.SetAttributesOf(kTool + "\\tool.ini", kAttrReadOnly);
  fs.SetAttributesOf(kTool + "\\sub\\data.bin", kAttrHidden | kAttrArchive);
  WriteTestFile(fs, kCfg + "\\app.ini", "[Tool]\r\nPath=C:\\OstrApps\\Tool\\tool.exe\r\n");
  fs.SetAttributesOf(kCfg + "\\app.ini", kAttrHidden);
  MakeLink(kCfg + "\\tool.lnk", kTool + "\\tool.exe", "/cfg C:\\OstrApps\\Tool\\tool.ini", kTool);
  ASSERT_TRUE(fs.SetLastWriteOf(kTool + "\\tool.ini", kOldWrite));
  ASSERT_TRUE(fs.SetLastWriteOf(kCfg + "\\app.ini", kOldWrite));
  const std::string key = kKey;
  SetText(key, "Home", REG_SZ, kTool);
  SetText(key, "Path", REG_EXPAND_SZ, "%SystemRoot%;C:\\OstrApps\\Tool\\bin");
  SetText(key, "C:\\OstrApps\\Tool\\tool.exe", REG_SZ, "installed");
  SetText(key + "\\Paths\\C:\\OstrApps\\Tool", "", REG_SZ, "key path");
  const std::string filesBefore = Files(kApps) + Files(kCfg), regBefore = Registry();

  ProcessResult r = Cli({"move", kTool, kNewApps});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n', 45) + 1),
            "Ostrivane has finished\nThe files were successfully moved and\n")
      << r.out;
  const std::string record =
      "[Move]\r\nTo=D:\\OstrApps\\Tool\r\nFrom=C:\\OstrApps\\Tool\r\nCreated=D:\\OstrApps\r\nPhase=moved\r\n\r\n";
  EXPECT_EQ(fs.ReadWhole(kHome + "\\Undo00000.bat"), record);
  // Everything refers to the new place now.
  EXPECT_FALSE(fs.AttributesOf(kTool));
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\tool.ini"), "[Paths]\r\nSelf=D:\\OstrApps\\Tool\\tool.exe\r\n");
  EXPECT_EQ(fs.ReadWhole(kCfg + "\\app.ini"), "[Tool]\r\nPath=D:\\OstrApps\\Tool\\tool.exe\r\n");
  EXPECT_EQ(ReadRawLink(kCfg + "\\tool.lnk").target, kNewTool + "\\tool.exe");
  EXPECT_EQ(TextValue(key, "Home"), kNewTool);
  EXPECT_EQ(TextValue(key, "Path"), "%SystemRoot%;D:\\OstrApps\\Tool\\bin");
  EXPECT_EQ(TextValue(key, "D:\\OstrApps\\Tool\\tool.exe"), "installed");
  EXPECT_EQ(TextValue(key + "\\Paths\\D:\\OstrApps\\Tool", ""), "key path");

  r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "3 files restored.  Undo has completed\n5 registry values and 2 registry keys restored.\n"
                   "D:\\OstrApps\\Tool was moved back to C:\\OstrApps\\Tool.\n");
  EXPECT_EQ(Files(kApps) + Files(kCfg), filesBefore);
  EXPECT_EQ(Registry(), regBefore);
  EXPECT_FALSE(fs.AttributesOf(kNewTool));
  EXPECT_FALSE(fs.AttributesOf(kNewApps)) << "the folder the move made goes with its undo";
  // Restored files have their last write back, also one that travelled home across drives.
  EXPECT_EQ(fs.LastWriteOf(kCfg + "\\app.ini"), kOldWrite);
  EXPECT_EQ(fs.LastWriteOf(kTool + "\\tool.ini"), kOldWrite);
  const RawLinkParts back = ReadRawLink(kCfg + "\\tool.lnk");
  EXPECT_EQ(back.target, kTool + "\\tool.exe");
  EXPECT_EQ(back.arguments, "/cfg C:\\OstrApps\\Tool\\tool.ini");
  EXPECT_EQ(back.workingDir, kTool);
  // The move back left the run's record as it was and wrote none of its own.
  EXPECT_EQ(fs.ReadWhole(kHome + "\\Undo00000.bat"), record);
  EXPECT_FALSE(fs.AttributesOf(kHome + "\\.bat"));
}

// The user moved the item on after the run: the undo says where it is
// missing, ends incomplete, builds nothing at that place, and brings back
// the registry and the file outside the item.
TEST_F(MoveWin, CliUndoOfAnItemMovedOnByHand) {
  WriteTestFile(fs, kTool + "\\a.ini", "[P]\r\nSelf=C:\\OstrApps\\Tool\\payload.dat\r\n");
  WriteTestFile(fs, kTool + "\\payload.dat", "payload");
  WriteTestFile(fs, kCfg + "\\app.ini", "[Tool]\r\nPath=C:\\OstrApps\\Tool\\payload.dat\r\n");
  ASSERT_TRUE(fs.SetLastWriteOf(kCfg + "\\app.ini", kOldWrite));
  SetText(kKey, "Home", REG_SZ, kTool);
  const std::string cfgBefore = Files(kCfg), regBefore = Registry();

  ProcessResult r = Cli({"move", kTool, kNewApps});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  ASSERT_EQ(TextValue(kKey, "Home"), kNewTool);
  fs.MakeFolders(kMovedOn);
  ASSERT_TRUE(MoveFileExW(L"D:\\OstrApps\\Tool", L"D:\\OstrMovedOn\\Tool", 0));

  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("1 files restored.  Undo has completed\n1 registry value restored.\nNot everything could be undone:\n"
                        "D:\\OstrApps\\Tool does not exist.  Please correct.\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("What was undone:\nC:\\OstrAppsCfg\\app.ini was restored.\n"), std::string::npos) << r.out;
  EXPECT_EQ(Registry(), regBefore);
  EXPECT_EQ(Files(kCfg), cfgBefore);
  EXPECT_EQ(fs.LastWriteOf(kCfg + "\\app.ini"), kOldWrite);
  // Nothing stands at the place the item left, and nothing was carried home.
  EXPECT_FALSE(fs.AttributesOf(kNewTool));
  EXPECT_FALSE(fs.AttributesOf(kNewApps)) << "made by the run and empty again";
  EXPECT_FALSE(fs.AttributesOf(kTool));
  EXPECT_EQ(fs.ReadWhole(kMovedOn + "\\Tool\\payload.dat"), "payload");
  EXPECT_EQ(fs.ReadWhole(kMovedOn + "\\Tool\\a.ini"), "[P]\r\nSelf=D:\\OstrApps\\Tool\\payload.dat\r\n");
}

TEST_F(MoveWin, CliMoveThatCannotBeDoneMapsNothing) {
  ProcessResult r = Cli({"move", "C:\\OstrApps\\Gone", kNewApps});
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.out, "Process Cancelled\nAll Files may not have been Moved\n0 links were remapped\n");
  EXPECT_NE(r.err.find("C:\\OstrApps\\Gone does not exist.  Please correct."), std::string::npos) << r.err;
  EXPECT_FALSE(fs.AttributesOf(kHome + "\\Undo00000.bat"));

  // The console cannot ask whether to replace what is at the new place.
  WriteTestFile(fs, kTool + "\\a.txt", "mine");
  WriteTestFile(fs, kNewTool + "\\a.txt", "theirs");
  r = Cli({"move", kTool, kNewApps});
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.out, "Process Cancelled\nAll Files may not have been Moved\n0 links were remapped\n");
  EXPECT_NE(r.err.find("D:\\OstrApps\\Tool already exists.  Nothing was moved."), std::string::npos) << r.err;
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\a.txt"), "theirs");
  EXPECT_EQ(fs.ReadWhole(kTool + "\\a.txt"), "mine");
  EXPECT_FALSE(fs.AttributesOf(kHome + "\\Undo00000.bat"));
}
// The move to another volume shown to its user: answers as a user gives
// them, and a cancel part way.
class ScriptedWatcher : public CopyWatcher {
 public:
  std::map<std::string, Clash> answers;  // by the name of the file met; else Cancel
  std::uint64_t cancelAfter = ~0ull;  // bytes copied before Cancel is pressed
  std::uint64_t total = 0, lastDone = 0;
  std::vector<std::string> asked;
  void Begin(std::uint64_t totalBytes) override { total = totalBytes; }
  bool Progress(std::uint64_t done, const std::string&) override {
    lastDone = done;
    return done < cancelAfter;
  }
  Clash AskReplace(const std::string& existing, const std::string&) override {
    asked.push_back(existing);
    const auto a = answers.find(existing.substr(existing.rfind('\\') + 1));
    return a == answers.end() ? Clash::Cancel : a->second;
  }
};

std::vector<std::string> TempNamesBelow(FileSystem& fs, const std::string& folder) {
  std::vector<std::string> temps;
  for (const DirEntry& e : fs.ListFolder(folder + "\\*"))
    if (IsReplaceTempName(e.name)) temps.push_back(e.name);
  return temps;
}

TEST_F(MoveWin, AMoveAcrossVolumesAsksBeforeReplacingAndMovesOnlyWhatItCopied) {
  WriteTestFile(fs, kTool + "\\a.txt", "new a");
  WriteTestFile(fs, kTool + "\\b.txt", "new b");
  WriteTestFile(fs, kTool + "\\sub\\c.txt", "new c");
  WriteTestFile(fs, kNewTool + "\\a.txt", "old a");
  WriteTestFile(fs, kNewTool + "\\b.txt", "old b");
  ScriptedWatcher watcher;
  watcher.answers = {{"a.txt", CopyWatcher::Clash::Replace}, {"b.txt", CopyWatcher::Clash::Keep}};
  ASSERT_EQ(MoveAcrossVolumes(kTool, kNewApps, &watcher), 0u);
  EXPECT_EQ(watcher.total, 15u);
  EXPECT_EQ(watcher.asked.size(), 2u);
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\a.txt"), "new a");
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\b.txt"), "old b");
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\sub\\c.txt"), "new c");
  // What was kept stays where it was, with its folder; the rest has left.
  EXPECT_EQ(fs.ReadWhole(kTool + "\\b.txt"), "new b");
  EXPECT_FALSE(fs.AttributesOf(kTool + "\\a.txt"));
  EXPECT_FALSE(fs.AttributesOf(kTool + "\\sub"));
  EXPECT_TRUE(TempNamesBelow(fs, kNewTool).empty());

  // Cancel at a clash: nothing is deleted at home.
  WriteTestFile(fs, kNewTool + "\\b.txt", "old b");
  ScriptedWatcher cancelling;
  EXPECT_EQ(MoveAcrossVolumes(kTool, kNewApps, &cancelling), DWORD(ERROR_CANCELLED));
  EXPECT_EQ(fs.ReadWhole(kTool + "\\b.txt"), "new b");
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\b.txt"), "old b");
  // Without anyone to ask, a file already there stops the move.
  EXPECT_EQ(MoveAcrossVolumes(kTool, kNewApps), DWORD(ERROR_FILE_EXISTS));
  EXPECT_EQ(fs.ReadWhole(kTool + "\\b.txt"), "new b");
}

TEST_F(MoveWin, AMoveAcrossVolumesCancelledPartWayLeavesEveryOriginalAndNoPartFile) {
  const std::string big(3u << 20, 'x');
  WriteTestFile(fs, kTool + "\\1.bin", big);
  WriteTestFile(fs, kTool + "\\2.bin", big);
  WriteTestFile(fs, kTool + "\\3.bin", big);
  ASSERT_TRUE(fs.MakeFolders(kNewApps));
  ScriptedWatcher watcher;
  watcher.cancelAfter = big.size() + 1;  // inside the second file
  EXPECT_EQ(MoveAcrossVolumes(kTool, kNewApps, &watcher), DWORD(ERROR_CANCELLED));
  for (const char* name : {"\\1.bin", "\\2.bin", "\\3.bin"}) EXPECT_EQ(fs.ReadWhole(kTool + name), big) << name;
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\1.bin"), big);
  // Windows stops inside the second file; Wine's copy tells its progress
  // only once a file is whole. Either way no file stands there part-copied.
  if (fs.AttributesOf(kNewTool + "\\2.bin")) {
    EXPECT_EQ(fs.ReadWhole(kNewTool + "\\2.bin"), big);
  }
  EXPECT_FALSE(fs.AttributesOf(kNewTool + "\\3.bin"));
  EXPECT_TRUE(TempNamesBelow(fs, kNewTool).empty());
}

// In front of the user the move to another volume is this program's copy,
// not the shell's: it arrives whole and the originals go.
TEST_F(MoveWin, AShownMoveToAnotherVolumeArrivesWhole) {
  WriteTestFile(fs, kTool + "\\sub\\Łódź.ini", "a=1");
  WriteTestFile(fs, kTool + "\\tool.exe", std::string(70000, 'm'));
  ASSERT_TRUE(fs.MakeFolders(kNewApps));  // as the move makes it before
  Win32ShellMove shell;
  const ShellMoveResult r = shell.MoveItem(kTool, kNewApps, false);
  EXPECT_TRUE(r.Succeeded()) << r.code;
  EXPECT_FALSE(fs.AttributesOf(kTool));
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\sub\\Łódź.ini"), "a=1");
  EXPECT_EQ(fs.ReadWhole(kNewTool + "\\tool.exe"), std::string(70000, 'm'));
}
}  // namespace
