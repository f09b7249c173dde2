// The help file the build ships, opened by the system's HTML Help viewer.
#include <gtest/gtest.h>

#include "window/win32/Win32Help.h"
#include "window/win32/WinView.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

#ifdef OSTRIVANE_GUI_EXE
namespace {

std::string BesideGuiExe(const std::string& name) {
  const std::string exe = OSTRIVANE_GUI_EXE;
  return exe.substr(0, exe.rfind('\\') + 1) + name;
}

BOOL CALLBACK FindHelpWindow(HWND h, LPARAM found) {
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (std::string(cls) == "HH Parent" && IsWindowVisible(h)) {
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
  }
  return TRUE;
}

TEST(HelpTest, HtmlHelpOpensTheShippedHelpAtItsTopics) {
  Win32FileSystem fs;
  const std::string folder = "C:\\ostrivane-test-help-" + std::to_string(GetCurrentProcessId()) + "\\";
  RemoveTree(fs, folder);
  fs.MakeFolders(folder);
  ASSERT_TRUE(CopyFileA(BesideGuiExe("Ostrivane.chm").c_str(), (folder + "Ostrivane.chm").c_str(), FALSE))
      << "the build puts Ostrivane.chm beside ostrivane.exe";
  {
    Win32Help help;
    EXPECT_TRUE(help.HtmlHelpTopic(folder + "Ostrivane.chm", "Introduction.htm"));
    HWND viewer = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindHelpWindow, LPARAM(&viewer));
    ASSERT_TRUE(viewer);
    EXPECT_EQ(WindowText(viewer), "Ostrivane Help");
    EXPECT_TRUE(help.HtmlHelpTopic(folder + "Ostrivane.chm", "Questions.htm"));
    EXPECT_TRUE(help.HtmlHelpTopic(folder + "Ostrivane.chm", "About.htm"));  // made from the project version
    help.CloseAll();
  }
  RemoveTree(fs, folder);
}

}  // namespace
#endif
