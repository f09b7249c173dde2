#include <gtest/gtest.h>

#include "window/ExplorerVerb.h"
#include "window/StartUp.h"
#include "window/Wizard.h"
#include "support/WizardFakes.h"
#include "regmap/NTReg.h"
#include "support/MemoryRegistry.h"

namespace {
const RegRoot CR = RegRoot::ClassesRoot;
const RegRoot CU = RegRoot::CurrentUser;
const std::string kVerb = "Folder\\shell\\Move with Ostrivane...";
const std::string kUserVerb = "Software\\Classes\\" + kVerb;

StartAction Path(const std::string& p) { return {StartCommand::OpenPath, p}; }
const StartAction kNothing{};
const StartAction kExit{StartCommand::Exit, ""};
const StartAction kRemove{StartCommand::RemoveVerb, ""};
const StartAction kAdd{StartCommand::AddVerb, ""};

TEST(StartCommandsTest, FirstArgumentIsComparedExactly) {
  EXPECT_EQ(FirstStartAction(""), kNothing);
  EXPECT_EQ(FirstStartAction("-d"), kExit);
  EXPECT_EQ(FirstStartAction("-l"), kRemove);
  EXPECT_EQ(FirstStartAction("+l"), kAdd);
  for (const char* other : {"-D", "--d", "+L", " -d", "-d ", "C:\\Program Files\\App"})
    EXPECT_EQ(FirstStartAction(other), Path(other)) << other;
}

TEST(StartCommandsTest, HandOverTextAndWhatTheRunningCopyMakesOfIt) {
  EXPECT_EQ(HandOverText({}), "");
  EXPECT_EQ(HandOverText({"-l"}), " -l");
  EXPECT_EQ(HandOverText({"C:\\A B\\c", "x"}), " C:\\A B\\c x");

  EXPECT_EQ(HandOverAction(""), kNothing);
  EXPECT_EQ(HandOverAction(" -d"), kExit);
  EXPECT_EQ(HandOverAction(" -l"), kRemove);
  EXPECT_EQ(HandOverAction(" +l"), kAdd);
  // A command with more words is no command: the whole rest is the path.
  EXPECT_EQ(HandOverAction(HandOverText({"+l", "more"})), Path("+l more"));
  EXPECT_EQ(HandOverAction(" -D"), Path("-D"));
  EXPECT_EQ(HandOverAction(" C:\\A B\\c"), Path("C:\\A B\\c"));
  EXPECT_EQ(HandOverAction("  two"), Path(" two"));  // only one blank goes
  EXPECT_EQ(HandOverAction("-d"), Path("-d"));       // no blank to remove
  EXPECT_EQ(HandOverAction(" "), kNothing);          // one empty argument
}

class VerbTest : public ::testing::Test {
 protected:
  std::string Command(RegRoot root, const std::string& verb) {
    auto v = reg.Get(root, verb + "\\command", "");
    if (!v) return "<none>";
    EXPECT_EQ(v->type, kRegSz);
    EXPECT_TRUE(IsExactRegText(v->data));  // UTF-16 and one closing NUL
    return reg.GetText(root, verb + "\\command", "") + '\0';
  }
  MemoryRegistry reg;
};

TEST_F(VerbTest, AddingTwiceLeavesOneVerbNamingTheLastExecutable) {
  CreateExplorerLink(reg, true, "C:\\Old\\ostrivane.exe");
  CreateExplorerLink(reg, true, "C:\\Program Files\\Ostrivane\\ostrivane.exe");
  EXPECT_EQ(Command(CR, kVerb), std::string("\"C:\\Program Files\\Ostrivane\\ostrivane.exe\" \"%1\"") + '\0');
  // The verb key itself carries no value; its name is the menu text.
  EXPECT_FALSE(reg.Get(CR, kVerb, "").has_value());
  EXPECT_FALSE(reg.HasKey(CU, kUserVerb));
  EXPECT_EQ(reg.openHandles(), 0);
}

TEST_F(VerbTest, RemovalTakesEverySubkeyAndLeavesOtherVerbs) {
  CreateExplorerLink(reg, true, "C:\\O\\ostrivane.exe");
  reg.PutText(CR, kVerb + "\\command\\deeper", "", "x");
  reg.PutText(CR, kVerb + "\\ddeexec", "", "y");
  reg.PutText(CR, "Folder\\shell\\open\\command", "", "explorer %1");
  CreateExplorerLink(reg, false, "");
  EXPECT_FALSE(reg.HasKey(CR, kVerb));
  EXPECT_TRUE(reg.HasKey(CR, "Folder\\shell\\open\\command"));
  CreateExplorerLink(reg, false, "");  // nothing left to remove: silent
  EXPECT_EQ(reg.openHandles(), 0);
}

TEST_F(VerbTest, WithoutMachineRightsTheVerbIsTheUsersAndRemovalClearsBoth) {
  reg.AddKey(CR, "Folder\\shell");
  reg.DenyWrite(CR, "Folder\\shell");
  CreateExplorerLink(reg, true, "C:\\U\\ostrivane.exe");
  EXPECT_FALSE(reg.HasKey(CR, kVerb));
  EXPECT_EQ(Command(CU, kUserVerb), std::string("\"C:\\U\\ostrivane.exe\" \"%1\"") + '\0');

  // Rights granted later: the machine-wide verb replaces the user's, which
  // would otherwise hide it.
  reg.DenyWrite(CR, "Folder\\shell", false);
  CreateExplorerLink(reg, true, "C:\\M\\ostrivane.exe");
  EXPECT_EQ(Command(CR, kVerb), std::string("\"C:\\M\\ostrivane.exe\" \"%1\"") + '\0');
  EXPECT_FALSE(reg.HasKey(CU, kUserVerb));

  reg.PutText(CU, kUserVerb + "\\command", "", "stale");
  CreateExplorerLink(reg, false, "");
  EXPECT_FALSE(reg.HasKey(CR, kVerb));
  EXPECT_FALSE(reg.HasKey(CU, kUserVerb));
  EXPECT_TRUE(reg.HasKey(CU, "Software\\Classes"));
  EXPECT_EQ(reg.openHandles(), 0);
}

TEST_F(VerbTest, ARefusedMachineVerbIsLeftAloneAndNothingThrows) {
  reg.PutText(CR, kVerb + "\\command", "", "\"C:\\Admin\\ostrivane.exe\" \"%1\"");
  reg.DenyWrite(CR, kVerb);
  reg.DenyWrite(CR, kVerb + "\\command");
  EXPECT_NO_THROW(CreateExplorerLink(reg, true, "C:\\U\\ostrivane.exe"));
  EXPECT_EQ(Command(CR, kVerb), std::string("\"C:\\Admin\\ostrivane.exe\" \"%1\"") + '\0');
  EXPECT_EQ(Command(CU, kUserVerb), std::string("\"C:\\U\\ostrivane.exe\" \"%1\"") + '\0');
  EXPECT_NO_THROW(CreateExplorerLink(reg, false, ""));
  EXPECT_TRUE(reg.HasKey(CR, kVerb));
  EXPECT_FALSE(reg.HasKey(CU, kUserVerb));
  EXPECT_EQ(reg.openHandles(), 0);
}

TEST(HandOverDeskTest, AnArrivalDuringAnActionWaitsForIt) {
  std::vector<StartAction> done;
  HandOverDesk* self = nullptr;
  HandOverDesk desk([] { return false; },
                    [&](const StartAction& a) {
                      done.push_back(a);
                      if (a == Path("first")) {
                        self->Receive(" second");
                        EXPECT_EQ(done.size(), 1u);
                      }
                    });
  self = &desk;
  desk.Receive(" first");
  EXPECT_EQ(done, (std::vector<StartAction>{Path("first"), Path("second")}));
}

class StartActionsTest : public ::testing::Test, protected WizardFakes<> {
 protected:
  StartActionsTest() : wizard(Ports(&dialogs), "C:\\Ost\\") {
    fs.AddFolder("C:\\Ost");
    wizard.Start("");
    for (bool& on : wizard.showChangesFirst) on = false;  // runs start at once
  }
  Wizard wizard;
  std::vector<bool> links;
  StartActions actions{wizard, [this](bool add) { links.push_back(add); }};
};

TEST_F(StartActionsTest, PathsOpenTheMovePageAndCommandsLeaveThePageAlone) {
  actions.Do(HandOverAction(" D:\\Some Folder\\Item"));
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_EQ(wizard.move.givenSourceFolder, "D:\\Some Folder\\");
  EXPECT_EQ(wizard.move.givenItemName, "Item");
  EXPECT_EQ(wizard.choices.request.Mode, RunMode::MoveAndMap);
  EXPECT_TRUE(wizard.moveDescriptionVisible);

  actions.Do(HandOverAction(" -D"));  // not a command: a name without a folder
  EXPECT_EQ(wizard.move.givenSourceFolder, "");
  EXPECT_EQ(wizard.move.givenItemName, "-D");

  wizard.TurnPage(Sender::TitleUndo);
  actions.Do(HandOverAction(" +l"));
  actions.Do(HandOverAction(" -l"));
  EXPECT_EQ(links, (std::vector<bool>{true, false}));
  EXPECT_EQ(wizard.CurrentPage, Page::Undo);

  actions.Do(HandOverAction(" -d"));
  EXPECT_TRUE(wizard.Terminated);
  EXPECT_FALSE(fs.Has("C:\\Ost\\Ostrivane.ini"));  // ended as "Exit" does: no settings written
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StartActionsTest, AHandOverDuringARunWaitsForItsEnd) {
  HandOverDesk desk([this] { return wizard.running; }, [this](const StartAction& a) { actions.Do(a); });
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "a";
  wizard.mapOnly.replaceWith = "b";
  rec.duringWalk = [&] {
    desk.Receive("");  // asks for nothing: not even kept
    desk.Receive(" C:\\Data\\Item");
    desk.Receive(" -d");
    EXPECT_EQ(wizard.move.givenItemName, "");
    EXPECT_FALSE(wizard.Terminated);
  };
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(desk.Kept(), 4u);  // two walks, two texts each

  desk.Resume();  // in order of arrival; "-d" drops what came after it
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_EQ(wizard.move.givenItemName, "Item");
  EXPECT_TRUE(wizard.Terminated);
  EXPECT_EQ(desk.Kept(), 0u);
}
TEST_F(StartActionsTest, AHandOverDuringARunIsOfferedOnTheEndPageAndDAsksFirst) {
  HandOverDesk desk([this] { return wizard.running; }, [this](const StartAction& a) { actions.Do(a); },
                    [this] { return wizard.running; });
  wizard.TurnPage(Sender::MapOnly);
  wizard.mapOnly.findWhat = "a";
  wizard.mapOnly.replaceWith = "b";
  rec.duringWalk = [&] {
    if (desk.Kept() == 0) {
      desk.Receive(" C:\\Data\\Item");
      desk.Receive(" -d");
    }
  };
  dialogs.answers = {false};  // "close now?" - no
  wizard.TurnPage(Sender::MapOnlyNext);
  desk.Resume();
  // The result stays on screen, the item waits beside it, and the window stays.
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.end.handOverWaiting, "C:\\Data\\Item");
  EXPECT_EQ(wizard.move.givenItemName, "");
  EXPECT_FALSE(wizard.Terminated);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  wizard.TurnPage(Sender::HandOverGo);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_EQ(wizard.move.givenItemName, "Item");
  EXPECT_EQ(wizard.end.handOverWaiting, "");

  // Outside a run a path opens at once; "-d" agreed to after a run closes.
  desk.Receive(" C:\\Other");
  EXPECT_EQ(wizard.move.givenItemName, "Other");
  wizard.move.givenDestination = "E:\\";
  fs.AddFolder("C:\\Data\\Item");
  wizard.OpenMoveGiven("C:\\Data\\Item");
  rec.duringWalk = [&] { desk.Receive(" -d"); };
  wizard.TurnPage(Sender::MoveGivenNext);
  desk.Resume();
  EXPECT_TRUE(wizard.Terminated);
  EXPECT_EQ(dialogs.asked.size(), 2u);  // a second "-d" after the yes is not asked again
}
}  // namespace
