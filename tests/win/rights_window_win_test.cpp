// The window's rights warning under Wine: a run that needs rights the
// rights port says are missing stops at the warning before anything is
// changed, and the warning's buttons decide.
#include <gtest/gtest.h>

#include "Win32PagePlatform.h"
#include "core/win32/WidePath.h"
#include "support/TestTree.h"
#include "window/win32/MainWindow.h"
#include "window/win32/RightsWarningDialog.h"
#include "window/win32/WinView.h"
//
#include <commctrl.h>

namespace {
struct NotElevated : RightsPort {
  bool Elevated() override { return false; }
  bool CanWriteFolder(const std::string&) override { return true; }
  bool FolderExists(const std::string&) override { return true; }
  bool CanWriteMachineRegistry() override { return false; }
  std::vector<std::string> ProtectedFolders() override { return {}; }
};

// Presses `button` in the rights warning when it shows, keeping its texts.
struct WarningWatch {
  static inline int button = IDCANCEL;
  static inline std::string texts;
  static inline bool continueEnabled = false;
  static inline int seen = 0;
  static BOOL CALLBACK Child(HWND h, LPARAM) {
    texts += WindowText(h) + "\n";
    if (GetDlgCtrlID(h) == kRightsContinueId) continueEnabled = IsWindowEnabled(h);
    return TRUE;
  }
  static BOOL CALLBACK Each(HWND h, LPARAM) {
    if (!IsWindowVisible(h) || WindowText(h) != "Administrator rights needed") return TRUE;
    ++seen;
    texts.clear();
    EnumChildWindows(h, Child, 0);
    PostMessageW(h, TDM_CLICK_BUTTON, button, 0);
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), Each, 0); }
  WarningWatch() { timer = SetTimer(nullptr, 0, 50, Tick); }
  ~WarningWatch() { KillTimer(nullptr, timer); }
  UINT_PTR timer;
};

class RightsWindowTest : public ::testing::Test, protected WizardFakes<Win32PagePlatform> {
 protected:
  RightsWindowTest()
      : folder("C:\\ostrivane-test-rights-" + std::to_string(GetCurrentProcessId()) + "\\"), wizard(CheckingPorts(), folder) {
    RemoveTree(fs, folder);
    fs.MakeFolders(folder);
    ui.Bind(wizard.lastRun);
    window.Create("", SW_SHOW);
    for (bool& on : wizard.showChangesFirst) on = false;  // runs start at once
  }
  ~RightsWindowTest() override { RemoveTree(fs, folder); }
  WizardPorts CheckingPorts() {
    WizardPorts p = Ports();
    p.rights = &rights;
    p.askRights = [this](const RightsWarningPage& page) { return ShowRightsWarning(window.hwnd(), page); };
    return p;
  }
  void Click(Sender s) { SendMessageA(window.SenderButton(s), BM_CLICK, 0, 0); }
  void Type(int id, const std::string& text) {
    SendMessageW(window.Control(id), WM_SETTEXT, 0, LPARAM(WideText(text).c_str()));
  }

  const std::string folder;
  NotElevated rights;
  Wizard wizard;
  MainWindow window{wizard, ui};
};
}  // namespace

TEST_F(RightsWindowTest, NotElevatedTheWarningAppearsAndItsButtonsDecide) {
  for (Sender s : {Sender::Intro1Next, Sender::Intro2Next, Sender::Intro3Next, Sender::MapOnly}) Click(s);
  ASSERT_EQ(wizard.CurrentPage, Page::MapOnly);
  Type(kFindWhat, "C:\\Old");
  Type(kReplaceWith, "D:\\New");
  WarningWatch watch;

  WarningWatch::button = IDCANCEL;
  Click(Sender::MapOnlyNext);
  EXPECT_EQ(WarningWatch::seen, 1);
  EXPECT_NE(WarningWatch::texts.find("HKEY_LOCAL_MACHINE"), std::string::npos) << WarningWatch::texts;
  EXPECT_NE(WarningWatch::texts.find("Restart as administrator"), std::string::npos) << WarningWatch::texts;
  EXPECT_TRUE(WarningWatch::continueEnabled);
  EXPECT_TRUE(rec.calls.empty()) << "nothing runs before the answer";
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);

  WarningWatch::button = kRightsContinueId;
  Click(Sender::MapOnlyNext);
  EXPECT_EQ(WarningWatch::seen, 2);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_FALSE(rec.calls.empty());
}
