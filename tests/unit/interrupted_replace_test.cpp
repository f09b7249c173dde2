// A run killed at any step of a file's replacement, then undone: every file
// is as it was before the run, no temporary file is left, and nothing the
// run did is called "changed after the run".
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "support/PortableRun.h"
#include "undo/ReplaceLeftovers.h"

namespace {
using Step = FakeFileSystem::ReplaceStep;

// A kill: no std::exception, so nothing on the way takes it for a failed
// write and withdraws the write from the record.
struct Kill {};

const std::string kA = "[S]\r\nPath=\\\\OLDSRV\\Data\\a\r\n";
const std::string kB = "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\n";

class Replacements : public PortableRun {
 protected:
  Replacements() {
    fs.AddFile("C:\\Cfg\\a.ini", kA);
    fs.AddFile("C:\\Cfg\\b.ini", kB, kAttrHidden | kAttrArchive);
    ShellLinkProps link;
    link.Target = "\\\\OLDSRV\\Data\\tool.exe";
    links.Put("C:\\Cfg\\tool.lnk", link);
  }
  void Map() { RunRequest(RunMode::MapOnly, "\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared"); }
  // Every file outside the records, with its content and attributes.
  std::map<std::string, std::string> UserFiles() {
    std::map<std::string, std::string> out;
    for (const std::string& p : fs.Paths())
      if (!fs.FolderExists(p) && p.rfind(kRecords, 0) != 0)
        out[p] = fs.ReadWhole(p) + "|" + std::to_string(*fs.AttributesOf(p));
    return out;
  }
};

class KilledReplacement : public ::testing::TestWithParam<std::tuple<const char*, Step>>, protected Replacements {};

TEST_P(KilledReplacement, UndoesToEveryFileAsBeforeAndNoTemporaryFile) {
  const auto& [victim, at] = GetParam();
  const auto before = UserFiles();
  bool killed = false;
  fs.afterReplaceStep = [&, victim = std::string(victim), at = at](const std::string& path, Step step) {
    if (killed || !EqualFold(path, victim) || step != at) return;
    killed = true;
    throw Kill{};
  };
  EXPECT_THROW(Map(), Kill);
  ASSERT_TRUE(killed);
  fs.afterReplaceStep = nullptr;

  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_EQ(int(last.changed.size()), 0) << message;
  EXPECT_EQ(UserFiles(), before) << message;
}

INSTANTIATE_TEST_SUITE_P(EveryStepOfEveryKindOfFile, KilledReplacement,
                         ::testing::Combine(::testing::Values("C:\\Cfg\\a.ini", "C:\\Cfg\\b.ini",
                                                              "C:\\Cfg\\tool.lnk"),
                                            ::testing::Values(Step::TempMade, Step::TempWritten, Step::TempFlushed,
                                                              Step::Renamed)));

class LeftByEarlierBuilds : public ::testing::Test, protected Replacements {};

// Earlier builds handed the temporary file to the platform's replacement,
// which, killed between its two renames, left no file at the name: its old
// content in the platform's temporary file ("rf" and hex digits), the new in
// the program's. Killed after them, the platform's stayed beside the new file.
TEST_F(LeftByEarlierBuilds, AFileMissingWithACopyBesideIsRestoredAndTheCopiesGo) {
  ctx.targets.shortcuts = false;
  Map();
  const std::string newA = fs.ReadWhole("C:\\Cfg\\a.ini");
  ASSERT_NE(newA, kA);
  fs.Remove("C:\\Cfg\\a.ini");
  fs.AddFile("C:\\Cfg\\rfa43b.tmp", kA);
  fs.AddFile("C:\\Cfg\\~ostrivane-1C2D.tmp", newA);
  fs.AddFile("C:\\Cfg\\RF01.TMP", kB);  // beside b.ini, which holds the new content
  fs.AddFile("C:\\Cfg\\rf0002.tmp", "someone else's");
  fs.AddFile("C:\\Cfg\\rfnote.tmp", kA);  // not a name of that form

  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_EQ(message.find("was changed after the run"), std::string::npos) << message;
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\a.ini"), kA);
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\b.ini"), kB);
  EXPECT_FALSE(fs.Has("C:\\Cfg\\rfa43b.tmp")) << message;
  EXPECT_FALSE(fs.Has("C:\\Cfg\\~ostrivane-1C2D.tmp")) << message;
  EXPECT_FALSE(fs.Has("C:\\Cfg\\RF01.TMP")) << message;
  EXPECT_NE(message.find("C:\\Cfg\\rfa43b.tmp, a temporary file left by an interrupted Ostrivane run, was removed."),
            std::string::npos)
      << message;
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\rf0002.tmp"), "someone else's");
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\rfnote.tmp"), kA);
}

// Deleted with nothing of its content beside it: the user's doing, named.
TEST_F(LeftByEarlierBuilds, AFileDeletedWithNoCopyBesideIsStillNamed) {
  ctx.targets.shortcuts = false;
  Map();
  fs.Remove("C:\\Cfg\\a.ini");
  fs.AddFile("C:\\Cfg\\rf77.tmp", "other bytes of the same size as a.ini!!");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_NE(message.find("C:\\Cfg\\a.ini was changed after the run (it was deleted): left as it is."),
            std::string::npos)
      << message;
  EXPECT_FALSE(fs.Has("C:\\Cfg\\a.ini"));
  EXPECT_TRUE(fs.Has("C:\\Cfg\\rf77.tmp"));
}

TEST(PlatformReplaceTempName, IsRfWithOneToFourHexDigits) {
  for (const char* name : {"rf1.tmp", "rfa43b.tmp", "RF0A.TMP", "rfFFFF.tmp"}) EXPECT_TRUE(IsPlatformReplaceTempName(name)) << name;
  for (const char* name : {"rf.tmp", "rf12345.tmp", "rfg1.tmp", "xfa43b.tmp", "rfa43b.txt", "rfa43b.tmp.bak"})
    EXPECT_FALSE(IsPlatformReplaceTempName(name)) << name;
}
}  // namespace

namespace {
class NextRun : public ::testing::Test, protected Replacements {
 protected:
  void MapElsewhere() { RunRequest(RunMode::MapOnly, "\\\\NOWHERE\\Data", "\\\\ELSEWHERE\\Data"); }
  std::string Notes() {
    std::string all;
    for (const std::string& n : ctx.notes) all += n + "\n";
    return all;
  }
};

// Killed before a rename: the next run takes the temporary file away first
// and says so; the file keeps what it held.
TEST_F(NextRun, RemovesTheTemporaryFileOfAReplacementKilledBeforeItsRename) {
  fs.afterReplaceStep = [](const std::string& path, Step step) {
    if (EqualFold(path, "C:\\Cfg\\b.ini") && step == Step::TempFlushed) throw Kill{};
  };
  EXPECT_THROW(Map(), Kill);
  fs.afterReplaceStep = nullptr;
  ASSERT_TRUE(fs.Has("C:\\Cfg\\~ostrivane-0001.tmp"));
  MapElsewhere();
  EXPECT_FALSE(fs.Has("C:\\Cfg\\~ostrivane-0001.tmp"));
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\b.ini"), kB);
  EXPECT_NE(Notes().find("C:\\Cfg\\~ostrivane-0001.tmp, a temporary file left by Undo00000 when it stopped, was "
                         "removed."),
            std::string::npos)
      << Notes();
}

// Left so by an earlier build: no file at the name, its new content beside
// it. The next run finishes that replacement before its walk would take the
// temporary file for an ordinary leftover.
TEST_F(NextRun, FinishesAReplacementThatLeftNoFileAtTheName) {
  ctx.targets.shortcuts = false;
  Map();
  const std::string newA = fs.ReadWhole("C:\\Cfg\\a.ini");
  fs.Remove("C:\\Cfg\\a.ini");
  fs.AddFile("C:\\Cfg\\~ostrivane-1C2D.tmp", newA);
  MapElsewhere();
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\a.ini"), newA);
  EXPECT_FALSE(fs.Has("C:\\Cfg\\~ostrivane-1C2D.tmp"));
  EXPECT_NE(Notes().find("The replacement of C:\\Cfg\\a.ini that Undo00000 was making when it stopped was finished."),
            std::string::npos)
      << Notes();
}
}  // namespace
