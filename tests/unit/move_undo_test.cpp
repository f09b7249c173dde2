#include <gtest/gtest.h>

#include "engine/Progress.h"
#include "engine/MappingRun.h"
#include "engine/WrittenRecord.h"
#include "core/Error.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeShellLinkStore.h"
#include "support/FakeShellMove.h"
#include "support/FakeUi.h"
#include "support/FakeUndoPlatform.h"
#include "support/MemoryRegistry.h"
#include "undo/FileBackupArchive.h"
#include "undo/MoveDir.h"
#include "undo/UndoExecution.h"
#include "undo/UndoStore.h"
#include "support/PortableRun.h"
#include "support/TestRun.h"

namespace {
const std::string kHome = "C:\\Ostrivane\\";
const std::string kRecord = kHome + "Undo00003.bat";
const RegRoot CU = RegRoot::CurrentUser;

TEST(MoveTarget, LastComponentsDecideTheFolderMovedInto) {
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Project", "D:\\Work\\Project"), "D:\\Work");
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Project", "D:\\Work\\pROJECT"), "D:\\Work");
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Project", "D:\\Project"), "D:\\");
  // A hand-edited record whose last components differ: moved into it.
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Project", "D:\\Work"), "D:\\Work");
  EXPECT_EQ(ArrivalOf("C:\\Data\\Project", "D:\\Work"), "D:\\Work\\Project");
  EXPECT_EQ(ArrivalOf("C:\\Data\\Project", "D:\\Project"), "D:\\Project");
  // Letters fold beyond A-Z; bytes that are no UTF-8 stay what they are.
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Café", "D:\\W\\CAFÉ"), "D:\\W");
  EXPECT_EQ(TargetFolderOf("C:\\Data\\Caf\xE9", "D:\\W\\CAF\xC9"), "D:\\W\\CAF\xC9");
}

class MoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.recordsFolder = kHome;
    ctx.tally.undoName = "Undo00003";
    ctx.ui = &ui;
    fs.AddFolder("C:\\Ostrivane");
    fs.AddFile("C:\\Data\\Project\\a.txt", "A", kAttrReadOnly | kAttrHidden);
    fs.AddFile("C:\\Data\\Project\\sub\\b.txt", "B");
    fs.AddFolder("D:\\Work");
  }
  std::string Record() { return fs.Has(kRecord) ? fs.ReadWhole(kRecord) : "<none>"; }

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  FakeShellMove shell{fs};
  FolderMove mover{fs, shell, false};
  FolderMove silentMover{fs, shell, true};
};

TEST_F(MoveTest, FolderGoesIntoTheTargetFolderAfterItsRecordIsOnDisk) {
  std::string recordAtMove;
  shell.beforeMove = [&] { recordAtMove = Record(); };
  EXPECT_TRUE(mover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].source, "C:\\Data\\Project");
  EXPECT_EQ(shell.calls[0].targetFolder, "D:\\Work");
  EXPECT_FALSE(shell.calls[0].silent);
  const std::string expected = "[Move]\r\nTo=D:\\Work\\Project\r\nFrom=C:\\Data\\Project\r\nPhase=";
  EXPECT_EQ(recordAtMove, expected + "moving\r\n\r\n");
  EXPECT_EQ(Record(), expected + "moved\r\n\r\n");
  EXPECT_EQ(fs.ReadWhole("D:\\Work\\Project\\sub\\b.txt"), "B");
  EXPECT_FALSE(fs.Has("C:\\Data\\Project"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MoveTest, SingleFileAndMissingTargetFolder) {
  // The shell would take a missing folder for the item's new name: it is made
  // first, and the record names the highest folder made, before the move.
  fs.AddFile("C:\\Data\\notes.txt", "N");
  fs.AddFolder("E:\\");
  std::string recordAtMove;
  shell.beforeMove = [&] { recordAtMove = Record(); };
  EXPECT_TRUE(silentMover.MoveDir(ctx.Pass(), "C:\\Data\\notes.txt", "E:\\New\\Place\\notes.txt"));
  EXPECT_TRUE(fs.FolderExists("E:\\New\\Place"));
  EXPECT_EQ(fs.ReadWhole("E:\\New\\Place\\notes.txt"), "N");
  EXPECT_TRUE(shell.calls[0].silent);
  const std::string head = "[Move]\r\nTo=E:\\New\\Place\\notes.txt\r\nFrom=C:\\Data\\notes.txt\r\nCreated=E:\\New\r\n";
  EXPECT_EQ(recordAtMove, head + "Phase=moving\r\n\r\n");
  EXPECT_EQ(Record(), head + "Phase=moved\r\n\r\n");

  // A failed move takes its record and the folders it made away again.
  shell.beforeMove = nullptr;
  fs.AddFile("C:\\Data\\other.txt", "O");
  shell.reply = {0x7C, false};
  EXPECT_FALSE(silentMover.MoveDir(ctx.Pass(), "C:\\Data\\other.txt", "F:\\Made\\For\\It\\other.txt"));
  EXPECT_FALSE(fs.Has("F:\\Made"));
  EXPECT_EQ(Record(), head + "Phase=moved\r\n\r\n");
}

// Only the folders on the way from the target folder up to the recorded one,
// and each only while it is empty.
TEST_F(MoveTest, CreatedFoldersGoOnlyWhenEmptyAndOnTheRecordedWay) {
  fs.AddFolder("E:\\New\\Place\\Deep");
  fs.AddFile("E:\\New\\theirs.txt", "T");
  EXPECT_EQ(RemoveCreatedFolders(fs, "E:\\New\\Place\\Deep", "E:\\New"),
            (std::vector<std::string>{"E:\\New\\Place\\Deep", "E:\\New\\Place"}));
  EXPECT_TRUE(fs.Has("E:\\New\\theirs.txt"));

  fs.AddFolder("E:\\New\\Place\\Deep");
  for (const char* created : {"E:\\Other", "E:\\", "E:\\New\\Place\\Deep\\Below", "E:\\Ne"})
    EXPECT_TRUE(RemoveCreatedFolders(fs, "E:\\New\\Place\\Deep", created).empty()) << created;
  EXPECT_TRUE(fs.Has("E:\\New\\Place\\Deep"));
  // Across case, as the file system names them.
  EXPECT_EQ(RemoveCreatedFolders(fs, "e:\\new\\PLACE\\deep", "E:\\New\\Place").size(), 2u);
}

TEST_F(MoveTest, MissingSourceIsShownAndLeavesNoRecord) {
  EXPECT_FALSE(mover.MoveDir(ctx.Pass(), "C:\\Gone", "D:\\Work\\Gone"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "C:\\Gone does not exist.  Please correct.");
  EXPECT_EQ(ui.messages[0].second, "Ostrivane");
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(Record(), "<none>");
}

TEST_F(MoveTest, FailedMoveLeavesNoRecordAndOnlyTheSilentShellNeedsWords) {
  shell.reply = {0, true};  // cancelled in the shell's own dialog
  EXPECT_FALSE(mover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
  EXPECT_EQ(Record(), "<none>");
  EXPECT_TRUE(ui.messages.empty());

  shell.reply = {0x7C, false};
  EXPECT_FALSE(silentMover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
  EXPECT_EQ(Record(), "<none>");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first, "C:\\Data\\Project could not be moved to D:\\Work (error 124).");
  EXPECT_TRUE(fs.Has("C:\\Data\\Project\\a.txt"));
}

TEST_F(MoveTest, MoveStoppedPartWayKeepsItsRecordForTheUndo) {
  shell.reply = {0, true};
  shell.moveFirstFileOnly = true;
  EXPECT_FALSE(mover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
  EXPECT_TRUE(fs.Has("D:\\Work\\Project\\a.txt"));
  EXPECT_NE(Record(), "<none>");
}

TEST_F(MoveTest, SilentMoveNeverReplacesWhatIsAlreadyThere) {
  fs.AddFile("D:\\Work\\Project\\a.txt", "theirs");
  EXPECT_FALSE(silentMover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(fs.ReadWhole("D:\\Work\\Project\\a.txt"), "theirs");
  EXPECT_EQ(ui.messages.at(0).first, "D:\\Work\\Project already exists.  Nothing was moved.");
  EXPECT_EQ(Record(), "<none>");
  // With the shell's dialogs the user decides there.
  EXPECT_TRUE(mover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"));
}

TEST_F(MoveTest, RecordThatCannotBeWrittenStopsTheMoveBeforeItStarts) {
  fs.beforeWrite = [](const std::string& p) {
    if (p == kRecord) throw Error("Access denied: " + p);
  };
  EXPECT_THROW(mover.MoveDir(ctx.Pass(), "C:\\Data\\Project", "D:\\Work\\Project"), Error);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(fs.Has("C:\\Data\\Project\\a.txt"));
}

// Files and their attributes, outside the program folder.
std::string Files(FakeFileSystem& fs) {
  std::string out;
  for (const std::string& p : fs.Paths()) {
    if (p.rfind("C:\\Ostrivane", 0) == 0 || fs.At(p).attributes & kAttrFolder) continue;
    out += p + " [" + std::to_string(fs.At(p).attributes) + "] " + fs.At(p).data + "\n";
  }
  return out;
}

// A whole Move and Map run over the portable parts, then its undo.
class MoveAndUndo : public ::testing::Test, protected PortableRun {
 protected:
  void SetUp() override {
    fs.AddFolder("D:\\");
    fs.AddFile("C:\\Apps\\Tool\\tool.ini", "[Paths]\r\nSelf=C:\\Apps\\Tool\\tool.exe\r\n", kAttrReadOnly);
    fs.AddFile("C:\\Apps\\Tool\\tool.exe", "MZ");
    fs.AddFile("C:\\Other\\app.ini", "Tool=C:\\Apps\\Tool\\tool.exe\r\n", kAttrHidden);
    ShellLinkProps link;
    link.Target = "C:\\Apps\\Tool\\tool.exe";
    link.Arguments = "/c C:\\Apps\\Tool\\x.cfg";
    link.WorkingDir = "C:\\Apps\\Tool";
    links.Put("C:\\Links\\tool.lnk", link);
    reg.PutText(CU, "Software\\OstrMove", "Home", "C:\\Apps\\Tool");
    reg.PutText(CU, "Software\\OstrMove", "Exp", "%X%;C:\\Apps\\Tool\\bin", kRegExpandSz);
    reg.PutText(CU, "Software\\OstrMove", "C:\\Apps\\Tool\\tool.exe", "1");
    reg.PutText(CU, "Software\\OstrMove\\C:\\Apps\\Tool", "", "key");
    ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}};
  }
  void Run() { RunRequest(RunMode::MoveAndMap, "C:\\Apps\\Tool", "D:\\Apps\\Tool"); }
};

TEST_F(MoveAndUndo, UndoGivesBackTheStateBeforeTheRunAndCanBeRepeated) {
  const std::string filesBefore = Files(fs), regBefore = reg.Dump();
  Run();
  ASSERT_FALSE(ctx.tally.cancelled);
  EXPECT_EQ(ctx.tally.undoName, "Undo00000");
  EXPECT_EQ(fs.ReadWhole("D:\\Apps\\Tool\\tool.ini"), "[Paths]\r\nSelf=D:\\Apps\\Tool\\tool.exe\r\n");
  EXPECT_EQ(fs.ReadWhole("C:\\Other\\app.ini"), "Tool=D:\\Apps\\Tool\\tool.exe\r\n");
  EXPECT_EQ(links.Load("C:\\Links\\tool.lnk").Target, "D:\\Apps\\Tool\\tool.exe");
  EXPECT_EQ(reg.GetText(CU, "Software\\OstrMove", "Home").substr(0, 12), "D:\\Apps\\Tool");
  EXPECT_TRUE(reg.HasKey(CU, "Software\\OstrMove\\D:\\Apps\\Tool"));

  // The changed tool.ini lies in the moved folder, saved under its new path:
  // restored there first, it travels home with the folder.
  // A temporary file of a run stopped mid-write lies beside a restored file.
  fs.AddFile("C:\\Other\\~ostrivane-0A1B.tmp", "Tool=D:\\Ap");
  EXPECT_EQ(UndoSaid("Undo00000"),
            "3 files restored.  Undo has completed\n5 registry values and 2 registry keys restored.\n"
            "D:\\Apps\\Tool was moved back to C:\\Apps\\Tool.\nC:\\Other\\~ostrivane-0A1B.tmp, a temporary file left "
            "by an interrupted Ostrivane run, was removed.");
  EXPECT_EQ(Files(fs), filesBefore);
  EXPECT_EQ(reg.Dump(), regBefore);
  EXPECT_FALSE(fs.Has("D:\\Apps\\Tool"));
  EXPECT_EQ(shell.calls.back().source, "D:\\Apps\\Tool");
  EXPECT_EQ(shell.calls.back().targetFolder, "C:\\Apps");
  // The move back writes no record of its own; the folder the move made is gone.
  EXPECT_EQ(fs.ReadWhole(kHome + "Undo00000.bat"),
            "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\nCreated=D:\\Apps\r\nPhase=moved\r\n\r\n");
  EXPECT_FALSE(fs.Has(kHome + ".bat"));
  EXPECT_FALSE(fs.Has("D:\\Apps"));
  EXPECT_FALSE(reg.HasKey(CU, "Software\\OstrMove\\D:")) << "the keys the rename made go with its backup";

  // Again: everything is as before the run, so nothing is written, and nothing appears at D:.
  const std::size_t moves = shell.calls.size();
  EXPECT_EQ(UndoSaid("Undo00000"), "0 files restored.  Undo has completed\n" + std::string(kUndoAllAsBefore));
  EXPECT_EQ(shell.calls.size(), moves);
  EXPECT_EQ(Files(fs), filesBefore);
  EXPECT_FALSE(fs.Has("D:\\Apps\\Tool"));
  EXPECT_EQ(reg.Dump(), regBefore);
}

// The same move asked again says what happened, not that it may have failed.
TEST_F(MoveAndUndo, ASecondMoveOfAMovedItemSaysItWasMovedAlready) {
  Run();
  ASSERT_FALSE(ctx.tally.cancelled);
  ui.messages.clear();
  Run();
  EXPECT_TRUE(ctx.tally.cancelled);
  EXPECT_EQ(CancelledMoveLine(ctx.tally.move, ctx.preview), "Nothing was moved");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].first.rfind("C:\\Apps\\Tool is not there, and D:\\Apps\\Tool is: it has been moved "
                                       "already.  Nothing was moved.", 0),
            0u)
      << ui.messages[0].first;
}

TEST_F(MoveAndUndo, FailedMoveMapsNothingAndLeavesNoEntry) {
  shell.reply = {0x75, false};
  const std::string filesBefore = Files(fs), regBefore = reg.Dump();
  Run();
  EXPECT_TRUE(ctx.tally.cancelled);
  const EndPage page = EndPageOf(ctx.request.Mode, ctx);
  EXPECT_FALSE(page.finished);
  EXPECT_EQ(page.title, "Process Cancelled");
  EXPECT_EQ(page.moveLine, "All Files may not have been Moved");
  EXPECT_EQ(page.countLine, "0 links were remapped");
  EXPECT_EQ(Files(fs), filesBefore);
  EXPECT_EQ(reg.Dump(), regBefore);
  EXPECT_EQ(store.NextUndoNumber(), 0);
}

TEST_F(MoveAndUndo, EveryStepRunsAndEveryFailureIsNamed) {
  Run();
  const std::string zip = kHome + "Undo00000.zip";
  // The move back fails, one registry line is bad, the archive is whole.
  shell.reply = {0x7C, false};
  std::string reg5 = DecodeRegText(fs.ReadWhole(kHome + "Undo00000.reg"));
  fs.ReplaceWhole(kHome + "Undo00000.reg", reg5 + "[HKEY_NOWHERE\\X]\r\n");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.rfind("3 files restored.  Undo has completed\nNot everything could be undone:\n", 0), 0u)
      << message;
  EXPECT_NE(message.find("D:\\Apps\\Tool was not moved back to C:\\Apps\\Tool: D:\\Apps\\Tool could not be moved "
                         "to C:\\Apps (error 124)."),
            std::string::npos)
      << message;
  EXPECT_NE(message.find("1 line(s) of " + kHome + "Undo00000.reg could not be imported"), std::string::npos)
      << message;
  // What could be done is done: the files are back inside the folder where it stands.
  EXPECT_EQ(fs.ReadWhole("D:\\Apps\\Tool\\tool.ini"), "[Paths]\r\nSelf=C:\\Apps\\Tool\\tool.exe\r\n");
  EXPECT_EQ(reg.GetText(CU, "Software\\OstrMove", "Home").substr(0, 12), "C:\\Apps\\Tool");

  // A damaged archive and a record without "From": the registry still comes back.
  fs.ReplaceWhole(zip, "PK not an archive");
  fs.ReplaceWhole(kHome + "Undo00000.bat", "[Move]\r\nTo=D:\\Apps\\Tool\r\n");
  const std::size_t moves = shell.calls.size();
  const std::string second = UndoSaid("Undo00000");
  EXPECT_EQ(second.rfind("0 files restored.  Undo has completed\n6 places were already as before the run.\n"
                         "Not everything could be undone:\nThe file backups in " +
                             zip + " cannot be read",
                         0),
            0u)
      << second;
  EXPECT_EQ(shell.calls.size(), moves);
}

// The user moved the item on after the run: the undo says so, builds nothing
// at the place it left, moves nothing, and still brings back the registry and
// the files outside the item, naming them.
TEST_F(MoveAndUndo, ItemMovedOnByHandIsNamedAndNothingIsRestoredInItsPlace) {
  const std::string regBefore = reg.Dump(), appIni = fs.ReadWhole("C:\\Other\\app.ini");
  Run();
  const std::string movedIni = fs.ReadWhole("D:\\Apps\\Tool\\tool.ini");
  FakeShellMove(fs).MoveItem("D:\\Apps\\Tool", "D:\\", true);
  fs.AddFolder("D:\\Apps\\Later");  // the user's own, in the folder the move made
  const std::size_t moves = shell.calls.size();

  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message,
            "2 files restored.  Undo has completed\n"
            "5 registry values and 2 registry keys restored.\n"
            "Not everything could be undone:\n"
            "D:\\Apps\\Tool does not exist.  Please correct.\n"
            "1 backed-up file(s) from inside D:\\Apps\\Tool were not restored.\n"
            "What was undone:\n"
            "C:\\Other\\app.ini was restored.\n"
            "C:\\Links\\tool.lnk was restored.\n"
            "The registry backup C:\\Ostrivane\\Undo00000.reg was imported.");
  EXPECT_EQ(shell.calls.size(), moves);
  EXPECT_FALSE(fs.Has("D:\\Apps\\Tool"));
  EXPECT_FALSE(fs.Has("C:\\Apps\\Tool"));
  EXPECT_EQ(fs.ReadWhole("D:\\Tool\\tool.ini"), movedIni);
  EXPECT_EQ(fs.ReadWhole("C:\\Other\\app.ini"), appIni);
  EXPECT_EQ(reg.Dump(), regBefore);
  EXPECT_TRUE(fs.FolderExists("D:\\Apps\\Later"));

  // Put back where the record says, the item goes home at the next try with
  // the one file not yet restored; what came back the first time is left.
  FakeShellMove(fs).MoveItem("D:\\Tool", "D:\\Apps", true);
  fs.Remove("D:\\Apps\\Later");
  EXPECT_EQ(UndoSaid("Undo00000"), "1 files restored.  Undo has completed\nD:\\Apps\\Tool was moved back to "
                                         "C:\\Apps\\Tool.\n8 places were already as before the run.");
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\tool.ini"), "[Paths]\r\nSelf=C:\\Apps\\Tool\\tool.exe\r\n");
  EXPECT_FALSE(fs.Has("D:\\Apps"));
}

TEST_F(MoveAndUndo, RecordOfAnEarlierBuildRemovesNoFolder) {
  Run();
  fs.ReplaceWhole(kHome + "Undo00000.bat", "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\n");
  EXPECT_EQ(UndoSaid("Undo00000").rfind("3 files restored.  Undo has completed\n", 0), 0u);
  EXPECT_TRUE(fs.FolderExists("D:\\Apps"));
  EXPECT_FALSE(fs.Has("D:\\Apps\\Tool"));
}

TEST_F(MoveAndUndo, RecordOfAnEarlierBuildInTheAnsiCodePageIsRead) {
  Run();
  fs.ReplaceWhole(kHome + "Undo00000.bat", "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\\xC4pps\\Tool\r\n");
  UndoSaid("Undo00000");
  EXPECT_TRUE(fs.Has("C:\\Äpps\\Tool"));
  EXPECT_FALSE(fs.Has("D:\\Apps\\Tool"));
}

TEST_F(MoveAndUndo, EntryWithOnlyARegistryBackupAndUndoDuringARun) {
  fs.ReplaceWhole(kHome + "Undo00001.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\OstrMove]\r\n\"Home\"=\"E:\\\\X\"\r\n");
  // Records of an earlier build have no written record: restored as they were, and said so.
  EXPECT_EQ(UndoSaid("Undo00001"),
            "0 files restored.  Undo has completed\n1 registry value restored.\nThese records come from an earlier "
            "version of Ostrivane: whether a place changed after the run was not checked.");
  EXPECT_EQ(reg.GetText(CU, "Software\\OstrMove", "Home").substr(0, 4), "E:\\X");
  EXPECT_TRUE(shell.calls.empty());

  struct HeldLock : RunLock {
    bool TryAcquire() override { return false; }
    void Release() override {}
  } held;
  UndoExecution locked{fs, store, reg, cp, mover, UndoRails{rails, held, running}};
  try {
    locked.UndoEntry(*UndoName::Parse("Undo00001"));
    ADD_FAILURE() << "undo ran beside another run";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), kRunInProgressMessage);
  }
}
}  // namespace

// A move across volumes killed part way: the record still says "moving" and
// the item stands whole at home. Copies at the new place go (whole, part,
// or with their length set ahead and zeros after), what left home only as
// its copy goes back, and a file that is no copy of its namesake stays.
TEST_F(MoveAndUndo, InterruptedMoveKeepsOneWholeCopyAtHome) {
  const std::string ini = fs.ReadWhole("C:\\Apps\\Tool\\tool.ini");
  fs.AddFile(kHome + "Undo00000.bat",
             "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\nCreated=D:\\Apps\r\nPhase=moving\r\n");
  fs.AddFile("D:\\Apps\\Tool\\tool.exe", "MZ");
  fs.AddFile("D:\\Apps\\Tool\\tool.ini", ini.substr(0, 7) + std::string(5, '\0'));
  fs.AddFile("D:\\Apps\\Tool\\sub\\only.txt", "its original is gone");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\tool.exe"), "MZ");
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\tool.ini"), ini);
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\sub\\only.txt"), "its original is gone");
  EXPECT_FALSE(fs.Has("D:\\Apps"));

  fs.AddFile(kHome + "Undo00001.bat", "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\nPhase=moving\r\n");
  fs.AddFile("D:\\Apps\\Tool\\tool.ini", "no copy of it");
  const std::string second = UndoSaid("Undo00001");
  EXPECT_NE(second.find("D:\\Apps\\Tool\\tool.ini was left alone: it is no copy of C:\\Apps\\Tool\\tool.ini."),
            std::string::npos)
      << second;
  EXPECT_EQ(fs.ReadWhole("D:\\Apps\\Tool\\tool.ini"), "no copy of it");
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\tool.ini"), ini);
}

// A copy across volumes goes under a temporary name and takes its own only
// when whole: a kill leaves such part copies beside the item and inside it.
// They go; none is taken for a file whose original left home.
TEST_F(MoveAndUndo, InterruptedMoveRemovesItsTemporaryCopies) {
  fs.AddFile(kHome + "Undo00000.bat",
             "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\nCreated=D:\\Apps\r\nPhase=moving\r\n");
  fs.AddFile("D:\\Apps\\~ostrivane-0A1B.tmp", "MZ");  // the item itself, were it a file
  fs.AddFile("D:\\Apps\\Tool\\tool.exe", "MZ");
  fs.AddFile("D:\\Apps\\Tool\\~ostrivane-1C2D.tmp", "[Tool");
  fs.AddFile("D:\\Apps\\Tool\\sub\\~OSTRIVANE-BEEF.TMP", "part", kAttrReadOnly);
  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_FALSE(fs.Has("D:\\Apps")) << message;
  EXPECT_FALSE(fs.Has("C:\\Apps\\Tool\\~ostrivane-1C2D.tmp")) << message;
  EXPECT_FALSE(fs.Has("C:\\Apps\\Tool\\sub\\~OSTRIVANE-BEEF.TMP")) << message;
  EXPECT_EQ(fs.ReadWhole("C:\\Apps\\Tool\\tool.exe"), "MZ");
}
