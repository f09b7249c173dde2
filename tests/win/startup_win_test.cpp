// Two real copies of the window program under Wine: the first holds the
// single-instance mutex and shows its window, further starts hand their
// command lines over to it and end.
#include <gtest/gtest.h>

#include "MainWindowOf.h"
#include "ProcessRunner.h"
#include "window/Pages.h"
#include "window/win32/MainWindow.h"
#include "window/win32/WinView.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

#ifdef OSTRIVANE_GUI_EXE
namespace {
const char* const kVerbKey = "Folder\\shell\\Move with Ostrivane...";
const char* const kUserVerbKey = "Software\\Classes\\Folder\\shell\\Move with Ostrivane...";

// How long a copy may take to show its window or to end on a loaded
// machine: far more than it needs, so that only a hang fails the test
// (rather than hanging it).
constexpr DWORD kPatienceMs = 120000;

// A started program that the test does not wait for.
struct Started {
  PROCESS_INFORMATION pi{};
  bool Ended(DWORD waitMs = 0) const { return WaitForSingleObject(pi.hProcess, waitMs) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 9999;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

std::string VerbCommand() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, (std::string(kVerbKey) + "\\command").c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<none>";
  char data[1024] = {};
  DWORD size = sizeof data - 1, type = 0;
  const LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<unreadable>";
}

// Starts exe with the arguments on a UTF-16 command line, as Explorer does,
// so arguments beyond the ANSI code page reach it whole.
bool Launch(const std::string& exe, const std::vector<std::string>& args, PROCESS_INFORMATION& pi) {
  std::string cmd = QuoteArg(exe);
  for (const std::string& a : args) cmd += " " + QuoteArg(a);
  std::wstring wide = WideText(cmd);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class StartUpTest : public ::testing::Test {
 protected:
  StartUpTest() {
    RemoveTree(fs, first);
    RemoveTree(fs, second);
    exe = InstallCopy(OSTRIVANE_GUI_EXE, first, "ostrivane.exe");
    exe2 = InstallCopy(OSTRIVANE_GUI_EXE, second, "ostrivane.exe");
    RemoveVerbs();
  }
  ~StartUpTest() override {
    if (running.pi.hProcess) {
      if (!running.Ended()) RunProgram(exe2, {"-d"});
      if (!running.Ended(5000)) TerminateProcess(running.pi.hProcess, 1);
      CloseHandle(running.pi.hProcess);
      CloseHandle(running.pi.hThread);
    }
    RemoveVerbs();
    RemoveTree(fs, first);
    RemoveTree(fs, second);
  }
  static void RemoveVerbs() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kVerbKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, kUserVerbKey);
  }

  // Starts the first copy and waits until its window takes input.
  void StartFirst(const std::vector<std::string>& args) {
    ASSERT_TRUE(Launch(exe, args, running.pi));
    const ULONGLONG giveUp = GetTickCount64() + kPatienceMs;
    while (!(main = MainWindowOf(running.pi.dwProcessId))) {
      ASSERT_FALSE(running.Ended(20)) << "ended without a window";
      ASSERT_LT(GetTickCount64(), giveUp) << "no window after " << kPatienceMs << " ms";
    }
    // The window exists before its first page is set up and it is shown; a
    // loaded machine can be found in between (Wine's WaitForInputIdle may
    // return early).
    while (!IsWindowVisible(main)) {
      ASSERT_FALSE(running.Ended(20)) << "ended before showing its window";
      ASSERT_LT(GetTickCount64(), giveUp) << "the window not shown after " << kPatienceMs << " ms";
    }
    ASSERT_NE(WaitForInputIdle(running.pi.hProcess, kPatienceMs), DWORD(WAIT_TIMEOUT)) << "the window takes no input";
  }
  static HWND BoxOf(DWORD pid) {
    HWND h = nullptr;
    while ((h = FindWindowExA(nullptr, h, "#32770", nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(h, &owner);
      if (owner == pid && IsWindowVisible(h)) return h;
    }
    return nullptr;
  }
  // A further start, run to its end.
  void Hand(const std::vector<std::string>& args) {
    Started further;
    ASSERT_TRUE(Launch(exe2, args, further.pi));
    const bool ended = further.Ended(kPatienceMs);
    if (!ended) TerminateProcess(further.pi.hProcess, 1);
    EXPECT_TRUE(ended) << "a further start did not end";
    if (ended) {
      EXPECT_EQ(further.ExitCode(), 0u);
    }
    CloseHandle(further.pi.hProcess);
    CloseHandle(further.pi.hThread);
  }
  // Asked of the control itself: the path fields are edit controls, whose
  // text another process's GetWindowText does not see.
  std::string Text(int id) {
    wchar_t buffer[1024] = {};
    SendMessageW(GetDlgItem(main, id), WM_GETTEXT, 1024, LPARAM(buffer));
    return Utf8Text(buffer);
  }
  bool Shown(int id) { return IsWindowVisible(GetDlgItem(main, id)) != FALSE; }
  bool OnMovePage() { return Shown(kGivenItemName) && Shown(kSenderId + int(Sender::MoveGivenBack)); }
  std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs.ListFolder(folder + "\\*"))
      if (e.name != "." && e.name != "..") names.push_back(e.name);
    return names;
  }

  Win32FileSystem fs;
  const std::string first = "C:\\ostrivane-startup-" + std::to_string(GetCurrentProcessId());
  const std::string second = first + "-2";
  std::string exe, exe2;
  Started running;
  HWND main = nullptr;
};

TEST_F(StartUpTest, FurtherStartsHandTheirCommandLinesToTheRunningCopy) {
  ASSERT_NO_FATAL_FAILURE(StartFirst({}));
  EXPECT_TRUE(Shown(kSenderId + int(Sender::Intro1Next)));

  Hand({"C:\\Some Folder\\Item Name"});
  EXPECT_TRUE(OnMovePage());
  EXPECT_EQ(Text(kGivenSourceFolder), "C:\\Some Folder\\");
  EXPECT_EQ(Text(kGivenItemName), "Item Name");
  EXPECT_EQ(MainWindowOf(running.pi.dwProcessId), main);

  Hand({});  // only brings the window to the front
  EXPECT_TRUE(OnMovePage());
  EXPECT_EQ(Text(kGivenItemName), "Item Name");

  // Longer than a global atom holds: it arrives whole all the same.
  const std::string longPath = "C:\\" + std::string(150, 'a') + "\\" + std::string(146, 'b');
  ASSERT_EQ(longPath.size(), 300u);
  Hand({longPath});
  EXPECT_EQ(Text(kGivenSourceFolder) + Text(kGivenItemName), longPath);
  EXPECT_EQ(Text(kGivenItemName), std::string(146, 'b'));

  Hand({"-D"});  // commands are compared exactly: this is an item's name
  EXPECT_EQ(Text(kGivenSourceFolder), "");
  EXPECT_EQ(Text(kGivenItemName), "-D");

  Hand({"+l"});
  EXPECT_EQ(VerbCommand(), "\"" + exe + "\" \"%1\"");  // written by the running copy
  Hand({"-l"});
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kVerbKey));
  EXPECT_TRUE(OnMovePage());
  EXPECT_EQ(Text(kGivenItemName), "-D");

  // The further copies wrote nothing beside themselves.
  EXPECT_EQ(Files(second), std::vector<std::string>{"ostrivane.exe"});

  Hand({"-d"});
  ASSERT_TRUE(running.Ended(kPatienceMs)) << "\"-d\" did not end the running copy";
  EXPECT_EQ(running.ExitCode(), 0u);
  // Ended as "Exit" does: the settings file is not written.
  EXPECT_EQ(Files(first), std::vector<std::string>{"ostrivane.exe"});
}

TEST_F(StartUpTest, PathsBeyondTheAnsiCodePageArriveWhole) {
  ASSERT_NO_FATAL_FAILURE(StartFirst({"C:\\Данные\\Отчёт"}));  // the first copy's own command line
  ASSERT_TRUE(OnMovePage());
  EXPECT_EQ(Text(kGivenSourceFolder), "C:\\Данные\\");
  EXPECT_EQ(Text(kGivenItemName), "Отчёт");

  Hand({"C:\\数据\\項目"});
  EXPECT_EQ(Text(kGivenSourceFolder), "C:\\数据\\");
  EXPECT_EQ(Text(kGivenItemName), "項目");

  // An atom's limit counts UTF-16 units: 250 letters (750 bytes of UTF-8)
  // still go by atom; 300 and one beyond the basic plane by WM_COPYDATA.
  std::string fits, longer;
  for (int i = 0; i < 250; ++i) fits += "数";
  for (int i = 0; i < 150; ++i) longer += "項";
  longer += "\\" + longer + "\U0002000B";
  Hand({"C:\\" + fits});
  EXPECT_EQ(Text(kGivenSourceFolder), "C:\\");
  EXPECT_EQ(Text(kGivenItemName), fits);
  Hand({"C:\\" + longer});
  EXPECT_EQ(Text(kGivenSourceFolder) + Text(kGivenItemName), "C:\\" + longer);
  EXPECT_EQ(MainWindowOf(running.pi.dwProcessId), main);
}

TEST_F(StartUpTest, CommandsOfAFirstStartEndItWithoutAWindow) {
  for (const char* command : {"-d", "+l"}) {
    const ProcessResult r = RunProgram(exe, {command});
    EXPECT_EQ(r.exitCode, 0u) << command;
  }
  EXPECT_EQ(VerbCommand(), "\"" + exe + "\" \"%1\"");
  // Twice: one verb, naming the second caller.
  EXPECT_EQ(RunProgram(exe2, {"+l"}).exitCode, 0u);
  EXPECT_EQ(VerbCommand(), "\"" + exe2 + "\" \"%1\"");

  // Removal takes subkeys that others wrote there too.
  for (const char* sub : {"\\command\\deeper", "\\ddeexec"}) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (std::string(kVerbKey) + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(RunProgram(exe, {"-l"}).exitCode, 0u);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kVerbKey));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Folder"));
  EXPECT_EQ(Files(first), std::vector<std::string>{"ostrivane.exe"});
}

TEST_F(StartUpTest, AHandOverWaitsWhileTheRunningCopyIsInAHandler) {
  ASSERT_NO_FATAL_FAILURE(StartFirst({"C:\\A\\b"}));
  ASSERT_TRUE(OnMovePage());
  // "Move Files" without a destination: the copy stays inside the handler,
  // in the loop of its message box.
  PostMessageA(GetDlgItem(main, kSenderId + int(Sender::MoveGivenNext)), BM_CLICK, 0, 0);
  HWND box = nullptr;
  while (!(box = BoxOf(running.pi.dwProcessId))) ASSERT_FALSE(running.Ended(20));

  Hand({"C:\\New\\Item"});
  EXPECT_EQ(Text(kGivenItemName), "b");  // kept, not acted on inside the handler

  PostMessageA(box, WM_COMMAND, IDOK, 0);
  while (IsWindow(box)) ASSERT_FALSE(running.Ended(20));
  SendMessageA(main, WM_NULL, 0, 0);  // the copy is back in its own loop
  EXPECT_TRUE(OnMovePage());
  EXPECT_EQ(Text(kGivenSourceFolder), "C:\\New\\");
  EXPECT_EQ(Text(kGivenItemName), "Item");
}
}  // namespace
#endif
