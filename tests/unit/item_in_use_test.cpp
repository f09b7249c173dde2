// A move waits while programs or services run from its item: nothing moves
// and nothing changes while they run; services may be stopped for the move
// and are started again afterwards, from the new place when they point there.
#include <gtest/gtest.h>

#include "engine/Progress.h"
#include "core/Error.h"
#include "engine/ItemInUseCheck.h"
#include "support/FakeProcessesAndServices.h"
#include "support/PortableRun.h"
#include "window/ItemInUsePage.h"

namespace {
const RegRoot LM = RegRoot::LocalMachine;
const std::string kServiceKey = "SYSTEM\\CurrentControlSet\\Services\\W3Sleeper";

TEST(ItemInUsePaths, WholeNamesAcrossCaseAndEveryCommandLineForm) {
  EXPECT_TRUE(LiesInside("C:\\W3Run\\w3sleeper.exe", "C:\\W3Run"));
  EXPECT_TRUE(LiesInside("c:\\w3run\\Bin\\x.exe", "C:\\W3RUN\\"));
  EXPECT_TRUE(LiesInside("C:\\W3Run", "C:\\W3Run"));
  EXPECT_TRUE(LiesInside("C:\\ÄPFEL\\x.exe", "C:\\äpfel"));
  EXPECT_TRUE(LiesInside("D:\\x.exe", "D:\\"));
  EXPECT_FALSE(LiesInside("C:\\W3Run2\\x.exe", "C:\\W3Run"));
  EXPECT_FALSE(LiesInside("C:\\W3Ru\\x.exe", "C:\\W3Run"));
  EXPECT_FALSE(LiesInside("C:\\x.exe", ""));

  EXPECT_EQ(ServiceProgramOf("\"C:\\Program Files\\W3 Run\\svc.exe\" -k run"), "C:\\Program Files\\W3 Run\\svc.exe");
  EXPECT_EQ(ServiceProgramOf("C:\\Program Files\\W3 Run\\svc.EXE -k run"), "C:\\Program Files\\W3 Run\\svc.EXE");
  EXPECT_EQ(ServiceProgramOf("C:\\W3Run\\an.exe.d\\svc.exe"), "C:\\W3Run\\an.exe.d\\svc.exe");
  EXPECT_EQ(ServiceProgramOf("C:\\W3Run\\svc /service"), "C:\\W3Run\\svc");
  EXPECT_EQ(ServiceProgramOf("\\??\\C:\\W3Run\\drv.sys"), "C:\\W3Run\\drv.sys");
  EXPECT_EQ(ServiceProgramOf("  \"C:\\W3Run\\svc.exe"), "C:\\W3Run\\svc.exe");
}

TEST(ItemInUseFinding, ShortFormsOwnProcessesAndAListThatCannotBeRead) {
  FakeProcessesAndServices system;
  system.forms["C:\\W3Run"] = {"C:\\W3RUN~1"};
  system.forms["C:\\W3RUN~1\\old.exe"] = {"C:\\W3Run\\old.exe"};
  system.programs = {{"C:\\W3RUN~1\\a.exe", 10}, {"C:\\W3Run2\\b.exe", 11}, {"C:\\W3Run\\svc.exe", 12},
                     {"C:\\W3RUN~1\\old.exe", 13}};
  system.services = {{"W3Sleeper", "W3 Sleeper", "\"C:\\W3Run\\svc.exe\" -run", true, 12},
                     {"W3Idle", "", "C:\\W3RUN~1\\idle.exe", false, 0},
                     {"Other", "Other", "C:\\W3Run2\\svc.exe", true, 14}};
  std::string problem;
  ItemInUse found = FindItemInUse(system, "C:\\W3Run", &problem);
  EXPECT_EQ(problem, "");
  // The service's own process is named as the service; a sibling folder's are not named.
  EXPECT_EQ(InUseLines(found), (std::vector<std::string>{"C:\\W3RUN~1\\a.exe (process 10)",
                                                         "C:\\W3RUN~1\\old.exe (process 13)",
                                                         "W3 Sleeper (service W3Sleeper, running)",
                                                         "W3Idle (service W3Idle, not running)"}));
  EXPECT_TRUE(found.Holds());

  system.programs.clear();
  system.services[0].running = false;
  EXPECT_FALSE(FindItemInUse(system, "C:\\W3Run").Holds()) << "a service that does not run holds nothing";

  system.listFailure = "Cannot list the services: Access is denied.";
  system.programs = {{"C:\\W3Run\\a.exe", 10}};
  found = FindItemInUse(system, "C:\\W3Run", &problem);
  EXPECT_EQ(problem, "The services could not be listed: Cannot list the services: Access is denied.");
  EXPECT_EQ(found.programs.size(), 1u) << "the programs are still looked for";
}

// A whole Move and Map run whose item holds a program or a service.
class ItemInUseRun : public ::testing::Test, protected PortableRun {
 protected:
  void SetUp() override {
    fs.AddFolder("D:\\");
    fs.AddFile("C:\\W3Run\\w3sleeper.exe", "MZ");
    fs.AddFile("C:\\Cfg\\app.ini", "Tool=C:\\W3Run\\w3sleeper.exe\r\n");
    reg.PutText(LM, kServiceKey, "ImagePath", "\"C:\\W3Run\\w3sleeper.exe\" -service");
    reg.PutText(LM, kServiceKey, "DisplayName", "W3 Sleeper");
    ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}};
    parts.optionalRunning = &system;
    system.commandLineNow = [this](const std::string&) { return reg.GetText(LM, kServiceKey, "ImagePath"); };
  }
  void AddService(bool running) {
    system.services = {{"W3Sleeper", "W3 Sleeper", "", running, running ? 77u : 0u}};
    if (running) system.programs.push_back({"C:\\W3Run\\w3sleeper.exe", 77});
  }
  void Run() { RunRequest(RunMode::MoveAndMap, "C:\\W3Run", "D:\\W3Run"); }
  std::string Before() { return fs.ReadWhole("C:\\Cfg\\app.ini") + reg.Dump(); }
  std::string After() { return fs.ReadWhole("C:\\Cfg\\app.ini") + reg.Dump(); }

  FakeProcessesAndServices system;
};

TEST_F(ItemInUseRun, AProgramHoldsTheItemUntilItEndsAndCancelMovesAndChangesNothing) {
  system.programs = {{"C:\\W3Run2\\other.exe", 5}, {"C:\\W3Run\\w3sleeper.exe", 42}};
  const std::string before = Before();
  Run();
  ASSERT_EQ(ui.inUseQuestions.size(), 1u);
  EXPECT_EQ(InUseLines(ui.inUseQuestions[0]), std::vector<std::string>{"C:\\W3Run\\w3sleeper.exe (process 42)"});
  EXPECT_TRUE(ctx.tally.cancelled && ctx.tally.itemInUse);
  EXPECT_EQ(CancelledMoveLine(ctx.tally.move, ctx.preview), kNothingMovedLine);
  EXPECT_TRUE(fs.Has("C:\\W3Run\\w3sleeper.exe"));
  EXPECT_FALSE(fs.Has("D:\\W3Run"));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(After(), before);
  EXPECT_EQ(store.NextUndoNumber(), 0) << "no entry for a run that changed nothing";

  // Retry looks again: the program ended meanwhile, and the move goes ahead.
  ui.inUseReplies = {InUseAnswer::Retry};
  ui.onInUse = [this] { system.programs.pop_back(); };
  Run();
  EXPECT_EQ(ui.inUseQuestions.size(), 2u);
  EXPECT_FALSE(ctx.tally.cancelled || ctx.tally.itemInUse);
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\app.ini"), "Tool=D:\\W3Run\\w3sleeper.exe\r\n");

  // Without anyone to ask, nothing moves while it runs.
  system.programs = {{"D:\\W3Run\\w3sleeper.exe", 43}};
  ctx.ui = nullptr;
  ctx.request.FindText = "D:\\W3Run";
  ctx.request.ReplaceText = "C:\\W3Run";
  EXPECT_THROW(ctx.Run(parts), Error);
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
}

TEST_F(ItemInUseRun, ServicesStoppedForTheMoveStartAgainFromTheNewPlace) {
  AddService(true);
  ui.inUseReplies = {InUseAnswer::StopServices};
  Run();
  ASSERT_EQ(ui.inUseQuestions.size(), 1u);
  EXPECT_TRUE(ui.inUseQuestions[0].programs.empty()) << "the service's process is the service";
  EXPECT_FALSE(ctx.tally.cancelled);
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  EXPECT_EQ(reg.GetText(LM, kServiceKey, "ImagePath"), "\"D:\\W3Run\\w3sleeper.exe\" -service");
  EXPECT_EQ(system.calls, (std::vector<std::string>{"stop W3Sleeper", "start W3Sleeper"}));
  EXPECT_TRUE(system.services[0].running);
  ASSERT_FALSE(ctx.notes.empty());
  EXPECT_EQ(ctx.notes.back(),
            "The service W3 Sleeper (W3Sleeper) was stopped for the move and started again from D:\\W3Run.");
  EXPECT_TRUE(ctx.passedOver.empty());
}

TEST_F(ItemInUseRun, AServiceLeftPointingAtTheOldPlaceOrThatWillNotStartIsNamed) {
  // The registry is no target: its path still names the old place, so it is not started.
  AddService(true);
  ctx.targets.registry = false;
  ui.inUseReplies = {InUseAnswer::StopServices};
  Run();
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  EXPECT_EQ(system.calls, std::vector<std::string>{"stop W3Sleeper"});
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "service W3 Sleeper (W3Sleeper)");
  EXPECT_EQ(ctx.passedOver[0].reason,
            "it was stopped for the move and not started again: the registry was not a target, so its program path "
            "still names C:\\W3Run\\w3sleeper.exe");

  // Mapped but refusing to start: named with the system's reason.
  fs.Remove("D:\\W3Run\\w3sleeper.exe");
  fs.Remove("D:\\W3Run");
  fs.AddFile("C:\\W3Run\\w3sleeper.exe", "MZ");
  AddService(true);
  ctx.targets.registry = true;
  system.calls.clear();
  system.startFailure["W3Sleeper"] = "Access is denied.";
  ui.inUseReplies = {InUseAnswer::StopServices};
  Run();
  EXPECT_EQ(system.calls, (std::vector<std::string>{"stop W3Sleeper", "start W3Sleeper"}));
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "it was stopped for the move and not started again: Access is denied.");
}

TEST_F(ItemInUseRun, AServiceThatWillNotStopKeepsTheItemAndTheOthersStartAgain) {
  AddService(true);
  system.services.push_back({"W3Helper", "W3 Helper", "C:\\W3Run\\helper.exe", true, 78});
  system.commandLineNow = nullptr;
  system.services[0].commandLine = "C:\\W3Run\\w3sleeper.exe";
  system.stopFailure["W3Helper"] = "The service cannot accept control messages at this time.";
  ui.inUseReplies = {InUseAnswer::StopServices};
  const std::string before = Before();
  try {
    Run();
    FAIL() << "the run went on";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "The service W3 Helper (W3Helper) could not be stopped: The service cannot accept control messages at "
              "this time.  Nothing was moved.\nThe service W3 Sleeper (W3Sleeper) was stopped for the move and "
              "started again.");
  }
  EXPECT_EQ(system.calls, (std::vector<std::string>{"stop W3Sleeper", "stop W3Helper", "start W3Sleeper"}));
  EXPECT_TRUE(fs.Has("C:\\W3Run\\w3sleeper.exe"));
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(After(), before);
}

TEST_F(ItemInUseRun, ServicesStartAgainAfterACancelledWalkAndAPreviewOnlyNamesThem) {
  AddService(true);
  ui.inUseReplies = {InUseAnswer::StopServices};
  // Cancelled in the file walk, after the registry walk pointed the service to the new place.
  ui.onPump = [this] {
    if (ui.progress.phase == "Changing files") ctx.tally.cancelled = true;
  };
  Run();
  EXPECT_TRUE(ctx.tally.cancelled);
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  EXPECT_EQ(system.calls, (std::vector<std::string>{"stop W3Sleeper", "start W3Sleeper"}));
  EXPECT_TRUE(system.services[0].running);

  // A preview stops nothing and asks nothing: it names what runs.
  ui.onPump = nullptr;
  system.calls.clear();
  ui.inUseQuestions.clear();
  ctx.preview = true;
  ctx.request.FindText = "D:\\W3Run";
  ctx.request.ReplaceText = "C:\\W3Run";
  ctx.Run(parts);
  EXPECT_TRUE(ui.inUseQuestions.empty());
  EXPECT_TRUE(system.calls.empty());
  ASSERT_FALSE(ctx.notes.empty());
  EXPECT_EQ(ctx.notes[0].rfind("Programs or services run from D:\\W3Run:\n  W3 Sleeper (service W3Sleeper, running)", 0),
            0u)
      << ctx.notes[0];
}

TEST_F(ItemInUseRun, AnItemNoRunMayMoveIsRefusedWithItsRuleBeforeAnyQuestion) {
  struct Known : KnownFolders {
    ProtectedPlaces Places() override { return {"C:\\Windows", {}, "", "C:\\Ostrivane", {}}; }
  } known;
  GuardRails guard(known);
  mover.SetGuard(&guard);
  system.programs = {{"C:\\Windows\\explorer.exe", 68}};
  try {
    RunRequest(RunMode::MoveAndMap, "C:\\Windows", "D:\\Windows");
    FAIL() << "the run went on";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("the Windows folder"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(ui.inUseQuestions.empty());
}

TEST_F(ItemInUseRun, TheUndoMovesNothingBackWhileAProgramRunsFromTheItem) {
  Run();
  ASSERT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  const std::string after = After();
  running.programs = {{"D:\\W3Run\\w3sleeper.exe", 50}};
  EXPECT_THROW(UndoSaid("Undo00000"), Error);
  EXPECT_TRUE(fs.Has("D:\\W3Run\\w3sleeper.exe"));
  EXPECT_EQ(After(), after) << "nothing undone while it runs";
  running.programs.clear();
  EXPECT_NE(UndoSaid("Undo00000").find("was moved back"), std::string::npos);
  EXPECT_TRUE(fs.Has("C:\\W3Run\\w3sleeper.exe"));
}

TEST(ItemInUseWindow, TheQuestionNamesWhatRunsAndOffersTheStopOnlyWhenItFreesTheItem) {
  ItemInUse inUse;
  inUse.item = "C:\\W3Run";
  inUse.programs = {{"C:\\W3Run\\w3sleeper.exe", 42}};
  inUse.services = {{"W3Sleeper", "W3 Sleeper", "C:\\W3Run\\svc.exe", true, 43}};
  ItemInUsePage page = ItemInUsePageOf(inUse);
  EXPECT_EQ(page.heading, "Programs or services run from C:\\W3Run");
  EXPECT_EQ(page.text.rfind("C:\\W3Run\\w3sleeper.exe (process 42)\nW3 Sleeper (service W3Sleeper, running)\n", 0), 0u)
      << page.text;
  EXPECT_TRUE(page.stopShown);
  EXPECT_FALSE(page.stopEnabled) << "a program holds the item whatever becomes of the services";
  EXPECT_EQ(ItemInUseAnswerOf(page, false, true), InUseAnswer::Cancel);
  EXPECT_EQ(ItemInUseAnswerOf(page, true, false), InUseAnswer::Retry);

  inUse.programs.clear();
  page = ItemInUsePageOf(inUse);
  EXPECT_TRUE(page.stopEnabled);
  EXPECT_EQ(ItemInUseAnswerOf(page, false, true), InUseAnswer::StopServices);
  EXPECT_EQ(ItemInUseAnswerOf(page, false, false), InUseAnswer::Cancel);

  inUse.services[0].running = false;
  inUse.programs = {{"C:\\W3Run\\w3sleeper.exe", 42}};
  EXPECT_FALSE(ItemInUsePageOf(inUse).stopShown) << "a stopped service needs no stopping";
}
}  // namespace
