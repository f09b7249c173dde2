// The window's rights warning before a run, and the restart that carries the
// page over to an elevated copy.
#include <gtest/gtest.h>

#include "support/WizardFakes.h"
#include "window/ResumeArguments.h"
#include "window/RightsWarningPage.h"
#include "window/Wizard.h"

namespace {
struct LockedMachine : RightsPort {
  bool elevated = false;
  bool recordsWritable = true;
  bool Elevated() override { return elevated; }
  bool CanWriteFolder(const std::string&) override { return recordsWritable; }
  bool FolderExists(const std::string&) override { return true; }
  bool CanWriteMachineRegistry() override { return false; }
  std::vector<std::string> ProtectedFolders() override { return {}; }
};

class RightsPageTest : public ::testing::Test, protected WizardFakes<> {
 protected:
  RightsPageTest() : wizard(CheckingPorts(), "C:\\Ost\\") {
    fs.AddFolder("C:\\Ost");
    wizard.Start("");
    for (bool& on : wizard.showChangesFirst) on = false;  // runs start at once
    wizard.CurrentPage = Page::MapOnly;
    wizard.mapOnly.findWhat = "C:\\Old Place\\";
    wizard.mapOnly.replaceWith = "D:\\New (x) & 100%";
  }
  WizardPorts CheckingPorts() {
    WizardPorts p = Ports();
    p.rights = &rights;
    p.askRights = [this](const RightsWarningPage& page) {
      shown.push_back(page);
      return answer;
    };
    p.restartElevated = [this](const std::vector<std::string>& args) {
      restartedWith = args;
      return restartWorks;
    };
    return p;
  }
  bool Ran() const { return !rec.calls.empty(); }

  LockedMachine rights;
  std::vector<RightsWarningPage> shown;
  RightsChoice answer = RightsChoice::Back;
  std::vector<std::string> restartedWith;
  bool restartWorks = true;
  Wizard wizard;
};
}  // namespace

TEST_F(RightsPageTest, TheWarningComesBeforeTheRunAndItsAnswerDecides) {
  wizard.TurnPage(Sender::MapOnlyNext);  // Back
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].text.find("HKEY_LOCAL_MACHINE"), std::string::npos);
  EXPECT_TRUE(shown[0].continueEnabled);
  EXPECT_FALSE(Ran());
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);

  answer = RightsChoice::Restart;  // the elevated copy could not be started: stay
  restartWorks = false;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_FALSE(Ran());
  EXPECT_FALSE(wizard.Terminated);
  restartWorks = true;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_FALSE(Ran());
  EXPECT_TRUE(wizard.Terminated);
  ASSERT_FALSE(restartedWith.empty());
  EXPECT_EQ(restartedWith[0], kResumeSwitch);

  wizard.Terminated = false;
  answer = RightsChoice::Continue;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_TRUE(Ran());
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);

  // No records folder: "Continue" is offered disabled and never runs.
  rec.calls.clear();
  wizard.CurrentPage = Page::MapOnly;
  rights.recordsWritable = false;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_FALSE(shown.back().continueEnabled);
  EXPECT_FALSE(Ran());

  // Elevated: no question at all.
  shown.clear();
  rights.elevated = true;
  wizard.TurnPage(Sender::MapOnlyNext);
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(Ran());
}

TEST_F(RightsPageTest, TheRestartedCopyGetsThePageAndItsFields) {
  wizard.showAdvanced = true;
  wizard.choices.targets.allFiles = true;
  wizard.choices.targets.registry = false;
  wizard.VerifyClick(true);
  for (DriveRow& d : wizard.choices.drives) d.selected = d.root == "D:\\";
  const std::vector<std::string> args = ResumeArguments(wizard);

  Wizard restarted(Ports(), "C:\\Ost\\");
  restarted.Start("");
  ASSERT_TRUE(ApplyResumeArguments(restarted, args));
  EXPECT_EQ(restarted.CurrentPage, Page::MapOnly);
  EXPECT_EQ(restarted.mapOnly.findWhat, "C:\\Old Place\\");
  EXPECT_EQ(restarted.mapOnly.replaceWith, "D:\\New (x) & 100%");
  EXPECT_TRUE(restarted.showAdvanced);
  EXPECT_TRUE(restarted.choices.targets.allFiles);
  EXPECT_FALSE(restarted.choices.targets.registry);
  EXPECT_TRUE(restarted.StopAndVerify());
  // The choice travels as each page's box: any one ticked ticks it.
  for (const char* box : {"verifyGiven", "verifyMap", "verifyConfirm"}) {
    std::vector<std::string> one = {kResumeSwitch, "page=MapOnly", "verifyGiven=0", "verifyMap=0", "verifyConfirm=0"};
    ASSERT_TRUE(ApplyResumeArguments(restarted, one));
    EXPECT_FALSE(restarted.StopAndVerify());
    for (std::string& a : one)
      if (a.rfind(box, 0) == 0) a.back() = '1';
    ASSERT_TRUE(ApplyResumeArguments(restarted, one));
    EXPECT_TRUE(restarted.StopAndVerify()) << box;
  }
  for (const DriveRow& d : restarted.choices.drives) EXPECT_EQ(d.selected, d.root == "D:\\") << d.root;
  EXPECT_FALSE(ApplyResumeArguments(restarted, {"C:\\Some\\Path"}));

  // Quoted as the system's command-line splitter reads it back.
  EXPECT_EQ(JoinArguments({"/resume", "find=C:\\Old Place\\", "replace=D:\\New \"x\"", ""}),
            "/resume \"find=C:\\Old Place\\\\\" \"replace=D:\\New \\\"x\\\"\" \"\"");
}
