// A copy of the window program in a folder that also holds libraries named
// like the ones it loads while it runs, as files planted beside a downloaded
// program would be: the program must take every library from the system
// folder.
#include <gtest/gtest.h>

#include "ProcessRunner.h"
#include "core/win32/SystemLibrary.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"
#include "window/win32/MainWindow.h"
#include "window/win32/WindowClass.h"
//
#include <tlhelp32.h>

// Each case runs in a process of its own, so restricting this one's search
// touches no other case.
TEST(DllSearch, RestrictedSearchLeavesTheCurrentFolderOutAndSystemLibrariesComeByFullPath) {
  Win32FileSystem fs;
  const std::string folder = "C:\\ostrivane-test-dll-search";
  RemoveTree(fs, folder);
  fs.MakeFolders(folder);
  for (const char* name : {"probe-before.dll", "probe-after.dll"})
    ASSERT_TRUE(CopyFileW(WideText(OSTRIVANE_PLANTED_DLL).c_str(), WideText(folder + "\\" + name).c_str(), FALSE));
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(WideText(folder).c_str());

  HMODULE before = LoadLibraryW(L"probe-before.dll");
  EXPECT_TRUE(before) << "a library in the current folder is found while the search is open";
  if (before) FreeLibrary(before);
  RestrictDllSearch();
  HMODULE after = LoadLibraryW(L"probe-after.dll");
  EXPECT_FALSE(after) << "found in the current folder after all";
  if (after) FreeLibrary(after);
  EXPECT_FALSE(LoadSystemLibrary(L"probe-after.dll"));
  HMODULE help = LoadSystemLibrary(L"hhctrl.ocx");
  ASSERT_TRUE(help);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(help, path, MAX_PATH);
  EXPECT_EQ(path, SystemFilePath(L"hhctrl.ocx"));

  SetCurrentDirectoryW(previous);
  RemoveTree(fs, folder);
}

#ifdef OSTRIVANE_GUI_EXE
namespace {
const std::string kFolder = "C:\\ostrivane-test-dll";
// What the window program loads while it runs: the help control, and what
// that loads in turn. (The libraries the program imports are bound before
// it runs, by the system's rules, and Wine names them after the file its
// search found: they are not planted here. Shell32's animation is loaded
// as data, but shell32 is an import, so the loader hands back the loaded
// one and Wine shows no difference.)
const char* const kPlanted[] = {"hhctrl.ocx", "itss.dll", "urlmon.dll", "ieframe.dll", "wininet.dll"};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

// The planted files the process took as modules (Wine loads its own
// built-in library but names the module after the file its search found),
// or whose code ran (as Windows would run it).
std::vector<std::string> PlantedInUse(const PROCESS_INFORMATION& pi) {
  std::vector<std::string> modules, found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pi.dwProcessId);
  if (snapshot != INVALID_HANDLE_VALUE) {
    MODULEENTRY32W m{};
    m.dwSize = sizeof m;
    for (BOOL more = Module32FirstW(snapshot, &m); more; more = Module32NextW(snapshot, &m))
      modules.push_back(Lower(Utf8Text(m.szExePath)));
    CloseHandle(snapshot);
  }
  Win32FileSystem fs;
  const std::string folder = Lower(kFolder) + "\\";
  for (const char* name : kPlanted) {
    for (const std::string& m : modules)
      if (m == folder + name) found.push_back("module " + m);
    if (fs.FileExists(kFolder + "\\" + name + ".loaded")) found.push_back(std::string(name) + " ran its code");
  }
  return found;
}

HWND WindowOf(DWORD pid, const wchar_t* cls, const wchar_t* title) {
  HWND h = nullptr;
  while ((h = FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid && IsWindowVisible(h)) return h;
  }
  return nullptr;
}

class DllSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(fs, kFolder);
    exe = InstallCopy(OSTRIVANE_GUI_EXE, kFolder, "ostrivane.exe");
    const std::string built = OSTRIVANE_GUI_EXE;
    ASSERT_TRUE(CopyFileW(WideText(built.substr(0, built.rfind('\\') + 1) + "Ostrivane.chm").c_str(),
                          WideText(kFolder + "\\Ostrivane.chm").c_str(), FALSE));
    for (const char* name : kPlanted)
      ASSERT_TRUE(CopyFileW(WideText(OSTRIVANE_PLANTED_DLL).c_str(), WideText(kFolder + "\\" + name).c_str(), FALSE))
          << name;
  }
  void TearDown() override {
    if (pi.hProcess) {
      TerminateProcess(pi.hProcess, 1);
      WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
    RemoveTree(fs, kFolder);
  }
  // Starts the copy, from its own folder as a double click would, and waits
  // for a visible window of the class and title.
  HWND Start(const std::vector<std::string>& args, const wchar_t* cls, const wchar_t* title) {
    std::string cmd = QuoteArg(exe);
    for (const std::string& a : args) cmd += " " + QuoteArg(a);
    std::wstring wide = WideText(cmd);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, WideText(kFolder).c_str(), &si, &pi))
      return nullptr;
    return WaitForWindow(cls, title);
  }
  HWND WaitForWindow(const wchar_t* cls, const wchar_t* title) {
    HWND h = nullptr;
    while (!(h = WindowOf(pi.dwProcessId, cls, title)))
      if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) return nullptr;
    WaitForInputIdle(pi.hProcess, INFINITE);
    return h;
  }

  Win32FileSystem fs;
  std::string exe;
  PROCESS_INFORMATION pi{};
};

TEST_F(DllSearchTest, TheHelpControlComesFromTheSystemFolder) {
  const HWND main = Start({}, kMainWindowClass, L"Ostrivane");
  ASSERT_TRUE(main) << "ended without a window";
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kHelpButton, BN_CLICKED), 0);
  ASSERT_TRUE(WaitForWindow(L"HH Parent", nullptr)) << "no help window";
  EXPECT_EQ(PlantedInUse(pi), std::vector<std::string>{});
}

}  // namespace
#endif
