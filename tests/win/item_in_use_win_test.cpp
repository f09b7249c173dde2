// A move of a folder a program runs from, through the console on a real
// (Wine) system: named, nothing moved or changed, exit status 3; a program
// of a sibling folder holds nothing. And what Wine's service control
// manager allows: a service stopped for the move and started again.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "core/win32/WinApi.h"
//
#include <winsvc.h>

#include "core/Fold.h"
#include "engine/win32/Win32ProcessesAndServices.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-inuse";
const std::string kItem = "C:\\W3Run", kSibling = "C:\\W3Run2", kMoved = "D:\\W3Run", kCfg = "C:\\W3RunCfg";
const std::string kKey = "Software\\OstrivaneInUseTest";
const wchar_t kServiceName[] = L"OstrW3Sleeper";

// A program started from a path and ended, whatever happens, with the test:
// in a job that ends it when the test process ends, and with no handle of
// the test's own (ctest's pipes) that would keep ctest waiting.
class Sleeper {
 public:
  explicit Sleeper(const std::string& exe) {
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    std::wstring cmd = WideText(QuoteArg(exe));
    started_ = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                              nullptr, nullptr, &si, &pi_) != 0;
    CloseHandle(nul);
    if (!started_) return;
    AssignProcessToJobObject(job_, pi_.hProcess);
    ResumeThread(pi_.hThread);
  }
  ~Sleeper() {
    End();
    CloseHandle(job_);
  }
  void End() {
    if (!started_) return;
    TerminateProcess(pi_.hProcess, 0);
    WaitForSingleObject(pi_.hProcess, INFINITE);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    started_ = false;
  }
  bool Started() const { return started_; }
  DWORD Id() const { return pi_.dwProcessId; }

 private:
  HANDLE job_ = nullptr;
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

class InUseWin : public ConsoleFixture {
 protected:
  InUseWin() : ConsoleFixture(kHome, "", kKey, {kItem, kSibling, kMoved, kCfg}) {}
  void Clean() override {
    RemoveService();
    ConsoleFixture::Clean();
  }
  std::string Place(const std::string& folder) {
    fs.MakeFolders(folder);
    CopyFileW(WideText(OSTRIVANE_SLEEPER_EXE).c_str(), WideText(folder + "\\w3sleeper.exe").c_str(), FALSE);
    return folder + "\\w3sleeper.exe";
  }
  static void RemoveService() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    if (SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS)) {
      SERVICE_STATUS status{};
      ControlService(service, SERVICE_CONTROL_STOP, &status);
      for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
        Sleep(100);
      DeleteService(service);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }
  std::string Records() { return Files(kHome); }
};

TEST_F(InUseWin, CliMoveOfAFolderAProgramRunsFromMovesAndChangesNothing) {
  const std::string image = Place(kItem);
  Place(kSibling);
  WriteTestFile(fs, kCfg + "\\app.ini", "[Tool]\r\nPath=C:\\W3Run\\w3sleeper.exe\r\n");
  SetText(kKey, "Home", REG_SZ, kItem);
  const std::string before = Files(kItem) + Files(kCfg) + Registry(), recordsBefore = Records();
  Sleeper sibling(kSibling + "\\w3sleeper.exe");
  Sleeper inside(image);
  ASSERT_TRUE(sibling.Started() && inside.Started());

  ProcessResult r = Cli({"move", kItem, "D:\\", "--drives", "C", "--targets", "registry,settings"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_NE(r.err.find("  C:\\W3Run\\w3sleeper.exe (process " + std::to_string(inside.Id()) + ")\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("W3Run2"), std::string::npos) << "a sibling folder's program is not the item's";
  EXPECT_EQ(r.out.rfind("Process Cancelled\nNothing was moved\n", 0), 0u) << r.out;
  EXPECT_EQ(Files(kItem) + Files(kCfg) + Registry(), before);
  EXPECT_FALSE(fs.AttributesOf(kMoved));
  EXPECT_EQ(Records(), recordsBefore) << "no undo entry for a run that changed nothing";

  // Once it has ended the move goes ahead; the sibling's program still runs.
  inside.End();
  r = Cli({"move", kItem, "D:\\", "--drives", "C", "--targets", "registry,settings"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_TRUE(fs.AttributesOf(kMoved + "\\w3sleeper.exe"));
  EXPECT_EQ(fs.ReadWhole(kCfg + "\\app.ini"), "[Tool]\r\nPath=D:\\W3Run\\w3sleeper.exe\r\n");
  EXPECT_EQ(TextValue(kKey, "Home"), kMoved);
}

TEST_F(InUseWin, TheAdapterSeesProgramsByEitherFormAndNeverItself) {
  const std::string longFolder = kItem + "\\Long Folder Name";
  const std::string image = Place(longFolder);
  Sleeper inside(image);
  ASSERT_TRUE(inside.Started());
  Win32ProcessesAndServices system;
  const std::vector<RunningProgram> programs = system.RunningPrograms();
  bool seen = false;
  for (const RunningProgram& p : programs) {
    EXPECT_NE(p.processId, GetCurrentProcessId());
    seen |= p.processId == inside.Id() && EqualFold(p.image, image);
  }
  EXPECT_TRUE(seen);
  // The folder named in its short form holds the program started by its long one.
  const std::vector<std::string> forms = system.FormsOf(longFolder);
  ASSERT_EQ(forms.size(), 2u);
  EXPECT_NE(forms[1], longFolder);
  const ItemInUse found = FindItemInUse(system, forms[1]);
  ASSERT_EQ(found.programs.size(), 1u);
  EXPECT_EQ(found.programs[0].processId, inside.Id());
  // Wine's services are listed (none of them from the item).
  EXPECT_NO_THROW(EXPECT_FALSE(system.Services().empty()));
  EXPECT_TRUE(found.services.empty());
}

TEST_F(InUseWin, AServiceIsStoppedForTheMoveAndStartedAgainFromTheNewPlace) {
  const std::string image = Place(kItem);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_TRUE(manager) << GetLastError();
  const std::wstring command = L"\"" + WideText(image) + L"\" -service " + kServiceName;
  SC_HANDLE service = CreateServiceW(manager, kServiceName, L"W3 Sleeper", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, command.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  ASSERT_TRUE(service) << GetLastError();
  ASSERT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
  SERVICE_STATUS status{};
  while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_START_PENDING) Sleep(50);
  ASSERT_EQ(status.dwCurrentState, DWORD(SERVICE_RUNNING));

  ProcessResult r = Cli({"move", kItem, "D:\\", "--drives", "C", "--targets", "registry"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_NE(r.err.find("W3 Sleeper (service OstrW3Sleeper, running)"), std::string::npos) << r.err;
  EXPECT_FALSE(fs.AttributesOf(kMoved));

  r = Cli({"move", kItem, "D:\\", "--drives", "C", "--targets", "registry", "--stop-services"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_NE(r.out.find("The service W3 Sleeper (OstrW3Sleeper) was stopped for the move and started again from "
                       "D:\\W3Run."),
            std::string::npos)
      << r.out << r.err;
  EXPECT_TRUE(fs.AttributesOf(kMoved + "\\w3sleeper.exe"));
  EXPECT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(status.dwCurrentState, DWORD(SERVICE_RUNNING));
  // It runs from the new place.
  Win32ProcessesAndServices system;
  EXPECT_EQ(FindItemInUse(system, kMoved).services.size(), 1u);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}
}  // namespace
