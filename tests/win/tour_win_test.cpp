// The screenshot tour, a test program: walked to an end page through a
// sample run, it keeps the run's undo entry and its settings in a temporary
// folder of its own, never beside itself, and removes that folder at its end.
#include <gtest/gtest.h>

#include <algorithm>

#include "MainWindowOf.h"
#include "ProcessRunner.h"
#include "core/win32/Owned.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"
#include "window/Pages.h"
#include "window/win32/PageControls.h"

#ifdef OSTRIVANE_TOUR_EXE
namespace {
// Far more than the tour needs: only a hang fails the test.
constexpr ULONGLONG kPatienceMs = 120000;

std::vector<std::string> Names(Win32FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs.ListFolder(folder + "\\*"))
    if (e.name != "." && e.name != "..") names.push_back(e.name);
  return names;
}

TEST(ScreenshotTourTest, TheSampleRunsRecordsGoToATemporaryFolderThatIsRemovedAtTheEnd) {
  Win32FileSystem fs;
  const std::string folder = "C:\\ostrivane-tour-test";
  RemoveTree(fs, folder);
  const std::string exe = InstallCopy(OSTRIVANE_TOUR_EXE, folder, "ostrivane-tour.exe");
  std::wstring line = WideText(QuoteArg(exe) + " --screenshot-page=Finished");
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  const OwnedHandle process(pi.hProcess), thread(pi.hThread);
  const auto ended = [&](DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; };

  // Up on the end page of its sample run.
  const ULONGLONG giveUp = GetTickCount64() + kPatienceMs;
  HWND main = nullptr, exit = nullptr;
  while (!(main = MainWindowOf(pi.dwProcessId)) || !(exit = GetDlgItem(main, SenderControlId(Sender::Exit))) ||
         !IsWindowVisible(exit)) {
    ASSERT_FALSE(ended(50)) << "the tour ended before its end page";
    if (GetTickCount64() > giveUp) TerminateProcess(pi.hProcess, 1);
    ASSERT_LT(GetTickCount64(), giveUp) << "no end page after " << kPatienceMs << " ms";
  }
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::string records = Utf8Text(temp) + "ostrivane-tour-" + std::to_string(pi.dwProcessId);
  const std::vector<std::string> kept = Names(fs, records);
  EXPECT_NE(std::find(kept.begin(), kept.end(), "Undo00000.log"), kept.end()) << records;

  // Closed as the user closes it: the settings are written, then all goes.
  PostMessageW(main, WM_CLOSE, 0, 0);
  if (!ended(DWORD(kPatienceMs))) TerminateProcess(pi.hProcess, 1);
  DWORD code = 9999;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(fs.FolderExists(records));
  EXPECT_EQ(Names(fs, folder), std::vector<std::string>{"ostrivane-tour.exe"});
  RemoveTree(fs, folder);
}
}  // namespace
#endif
