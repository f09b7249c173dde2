// An undo never moves an item home while references still point at its new
// place: the run's own text is given back inside values a later run changed
// too, and where that cannot be done nothing is undone unless forced.
#include <gtest/gtest.h>

#include "core/MapBack.h"
#include "regmap/NTReg.h"
#include "support/PortableRun.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;
const PlaceSwap kNode{"C:\\P9Tools\\nodejs", "D:\\P9Tools\\nodejs"};

TEST(MapBack, GivesBackOnlyTheRunsOwnTextThatStillStandsUnchanged) {
  // The later run changed another entry: the run's entry goes back, the later one stays.
  EXPECT_EQ(MapBackInside("C:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin", "D:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin",
                          "D:\\P9Tools\\nodejs;D:\\P9Tools\\jdk\\bin", kNode),
            "C:\\P9Tools\\nodejs;D:\\P9Tools\\jdk\\bin");
  // Several of the run's places, spelled as they were (case, forward
  // slashes), after a later change that made the text longer before them.
  EXPECT_EQ(MapBackInside("x=c:\\p9tools\\NODEJS\\a;C:/P9Tools/nodejs/b;C:\\Q", "x=D:\\P9Tools\\nodejs\\a;D:/P9Tools/nodejs/b;C:\\Q",
                          "xyz=D:\\P9Tools\\nodejs\\a;D:/P9Tools/nodejs/b;E:\\Longer\\Q", kNode),
            "xyz=c:\\p9tools\\NODEJS\\a;C:/P9Tools/nodejs/b;E:\\Longer\\Q");
  // A later change inside the run's text, or right beside it: not plainly the run's.
  const std::string before = "C:\\P9Tools\\nodejs;C:\\Q", ran = "D:\\P9Tools\\nodejs;C:\\Q";
  for (const char* now : {"D:\\Other\\nodejs;C:\\Q", "D:\\P9Tools\\nodejs2;C:\\Q", "E:\\P9Tools\\nodejs;C:\\Q",
                          "D:\\P9Tools\\nodejs\\bin;C:\\Q", "C:\\Q"})
    EXPECT_EQ(MapBackInside(before, ran, now, kNode), std::nullopt) << now;
  // A run's change that is not the swap (another place changed too) tells nothing.
  EXPECT_EQ(MapBackInside("C:\\P9Tools\\nodejs;C:\\Q", "D:\\P9Tools\\nodejs;C:\\R", "D:\\P9Tools\\nodejs;C:\\S", kNode),
            std::nullopt);
}

TEST(MapBack, DiffHunksAreShortestAndBounded) {
  const auto hunks = DiffHunks("abcXdefYgh", "abcdefZZgh", 100);
  ASSERT_TRUE(hunks);
  ASSERT_EQ(hunks->size(), 2u);
  EXPECT_EQ((*hunks)[0].a0, 3u);
  EXPECT_EQ((*hunks)[0].a1, 4u);
  EXPECT_EQ((*hunks)[0].b0, (*hunks)[0].b1);
  EXPECT_EQ((*hunks)[1].a0, 7u);
  EXPECT_EQ((*hunks)[1].b1 - (*hunks)[1].b0, 2u);
  EXPECT_EQ(DiffHunks(std::string(50, 'a'), std::string(50, 'b'), 20), std::nullopt);
}

// The P9Tools case: a move of nodejs, then a later run maps jdk in the same
// `Path`, then the move is undone.
class UndoWhole : public ::testing::Test, protected PortableRun {
 protected:
  void SetUp() override {
    fs.AddFolder("D:\\");
    fs.AddFile("C:\\P9Tools\\nodejs\\node.exe", "MZ");
    fs.AddFile("C:\\P9Tools\\jdk\\bin\\java.exe", "MZ");
    fs.AddFile("C:\\Cfg\\tools.ini", Ini("C:\\P9Tools\\nodejs", "C:\\P9Tools\\jdk"));
    reg.PutText(CU, "Environment", "Path", "C:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin", kRegExpandSz);
    ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}};
    ctx.targets.shortcuts = false;
    RunRequest(RunMode::MoveAndMap, "C:\\P9Tools\\nodejs", "D:\\P9Tools\\nodejs");
    ASSERT_FALSE(ctx.tally.cancelled);
    ASSERT_EQ(Path(), "D:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin");
  }
  static std::string Ini(const std::string& node, const std::string& jdk) {
    return "[T]\r\nnode=" + node + "\\node.exe\r\njava=" + jdk + "\\bin\\java.exe\r\n";
  }
  std::string Path() { return reg.GetText(CU, "Environment", "Path"); }
  std::string State() { return Path() + "|" + fs.ReadWhole("C:\\Cfg\\tools.ini") + "|" + (fs.Has("D:\\P9Tools\\nodejs") ? "D" : "C"); }
};

TEST_F(UndoWhole, ALaterEntryBesideTheRunsOwnStaysAndTheItemGoesHome) {
  RunRequest(RunMode::MapOnly, "C:\\P9Tools\\jdk", "D:\\P9Tools\\jdk");
  ASSERT_EQ(Path(), "D:\\P9Tools\\nodejs;D:\\P9Tools\\jdk\\bin");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_FALSE((last.result == UndoResult::HeldBack));
  EXPECT_EQ(Path(), "C:\\P9Tools\\nodejs;D:\\P9Tools\\jdk\\bin");
  EXPECT_EQ(reg.Get(CU, "Environment", "Path")->type, kRegExpandSz);
  EXPECT_TRUE(fs.Has("C:\\P9Tools\\nodejs\\node.exe"));
  EXPECT_FALSE(fs.Has("D:\\P9Tools\\nodejs"));
  // The settings file too: its own line back, the later run's line kept.
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\tools.ini"), Ini("C:\\P9Tools\\nodejs", "D:\\P9Tools\\jdk"));
  // The later entry's undo still finds its own text and gives the rest back.
  EXPECT_EQ(UndoSaid("Undo00001").find(kUndoIncomplete), std::string::npos);
  EXPECT_EQ(Path(), "C:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin");
}

TEST_F(UndoWhole, APlaceThatCannotBeGivenBackHoldsEverythingUntilForced) {
  // The later run rewrote the run's own text in the value and in the file.
  RunRequest(RunMode::MapOnly, "D:\\P9Tools\\nodejs", "D:\\P9Tools\\node22");
  const std::string later = State();
  ASSERT_EQ(later, "D:\\P9Tools\\node22;C:\\P9Tools\\jdk\\bin|" + Ini("D:\\P9Tools\\node22", "C:\\P9Tools\\jdk") + "|D");
  const std::size_t moves = shell.calls.size();

  const std::string held = UndoSaid("Undo00000");
  EXPECT_EQ(State(), later) << held;
  EXPECT_EQ(shell.calls.size(), moves);
  EXPECT_TRUE((last.result == UndoResult::HeldBack));
  EXPECT_EQ(int(last.changed.size()), 2);
  EXPECT_EQ(held.rfind(kUndoHeldBack, 0), 0u) << held;
  EXPECT_NE(held.find("HKEY_CURRENT_USER\\Environment, value \"Path\" was changed after the run"), std::string::npos)
      << held;
  EXPECT_NE(held.find("C:\\Cfg\\tools.ini was changed after the run"), std::string::npos) << held;
  std::size_t named = 0;
  for (std::size_t at = held.find("changed again by Undo00001"); at != std::string::npos;
       at = held.find("changed again by Undo00001", at + 1))
    ++named;
  EXPECT_EQ(named, 2u) << held;
  EXPECT_EQ(ListLines(store)[0].find("undone"), std::string::npos) << "the entry is not marked undone";

  // Forced, it goes on: the places get their state before the run, the item goes home.
  const std::string forced = UndoSaid("Undo00000", true);
  EXPECT_FALSE((last.result == UndoResult::HeldBack));
  EXPECT_EQ(State(), "C:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin|" + Ini("C:\\P9Tools\\nodejs", "C:\\P9Tools\\jdk") + "|C")
      << forced;
}

// Each step of an undo is told as it begins, and each place as it is taken
// up, counted of the step's total: the checks before the move back, the
// files, the move back, the registry backup's lines.
TEST_F(UndoWhole, AnUndoTellsEachStepAndPlaceAsItGoes) {
  struct StepLog : UndoProgress {
    std::vector<std::string> lines;
    void Begin(UndoStep step, const std::string& item) override { lines.push_back(UndoStepText(step, item)); }
    void Done(std::size_t done, std::size_t total, const std::string& place) override {
      lines.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + place);
    }
  } log;
  watcher = &log;
  UndoSaid("Undo00000");
  EXPECT_EQ(State(), "C:\\P9Tools\\nodejs;C:\\P9Tools\\jdk\\bin|" + Ini("C:\\P9Tools\\nodejs", "C:\\P9Tools\\jdk") + "|C");
  const std::string env = "HKEY_CURRENT_USER\\Environment", ini = "C:\\Cfg\\tools.ini";
  const std::string checkRegistry = "Checking the registry for changes made after the run";
  // The registry is weighed again just before it is restored: nothing is
  // written on what an earlier look saw.
  EXPECT_EQ(log.lines, (std::vector<std::string>{"Checking the files for changes made after the run", "0/1 " + ini,
                                                 checkRegistry, "0/2 " + env, "1/2 " + env, "Restoring files",
                                                 "0/1 " + ini, "Moving D:\\P9Tools\\nodejs back", checkRegistry,
                                                 "0/2 " + env, "1/2 " + env, "Restoring the registry", "0/2 " + env,
                                                 "1/2 " + env}));
}

// A place deleted since the run points nowhere: the undo goes on without it.
TEST_F(UndoWhole, APlaceDeletedSinceTheRunHoldsNothingBack) {
  fs.Remove("C:\\Cfg\\tools.ini");
  reg.PutText(CU, "Environment", "Path", "D:\\P9Tools\\nodejs\\bin;C:\\Mine", kRegExpandSz);
  const std::string message = UndoSaid("Undo00000");
  EXPECT_TRUE((last.result == UndoResult::HeldBack)) << "the changed value still holds the new place";
  RegistryCursor env(reg, CU);
  ASSERT_TRUE(env.OpenRegPath("\\Environment"));
  ASSERT_TRUE(env.DeleteRegValue("Path"));
  env.CloseKey();
  const std::string again = UndoSaid("Undo00000");
  EXPECT_FALSE((last.result == UndoResult::HeldBack)) << again;
  EXPECT_TRUE(fs.Has("C:\\P9Tools\\nodejs\\node.exe")) << again;
}
}  // namespace
