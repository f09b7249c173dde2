#include "engine/win32/Win32ProcessesAndServices.h"

#include "core/win32/WinApi.h"
//
#include <tlhelp32.h>
#include <winsvc.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "core/Error.h"
#include "core/win32/Owned.h"
#include "core/win32/SystemError.h"
#include "core/win32/WidePath.h"

namespace {
struct ServiceHandleTraits {
  static SC_HANDLE Empty() { return nullptr; }
  static bool Valid(SC_HANDLE h) { return h != nullptr; }
  static bool Free(SC_HANDLE h) { return CloseServiceHandle(h) != 0; }
};
using OwnedService = Owned<SC_HANDLE, ServiceHandleTraits>;

// How long a service may take to stop or to start, and its process to end
// after it stopped, before the run gives up on it and says so.
constexpr ULONGLONG kServiceWaitMs = 30'000;
constexpr DWORD kProcessEndWaitMs = 10'000;
constexpr DWORD kPollMs = 250;

std::string Why(DWORD code) { return SystemMessage(code); }

[[noreturn]] void Fail(const char* what, DWORD code) { throw Error(std::string(what) + ": " + SystemMessage(code)); }

std::string ProcessImage(DWORD pid) {
  OwnedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return "";  // another account's or a protected process: not ours to judge
  std::wstring buffer(kLongestPathChars, L'\0');
  DWORD size = DWORD(buffer.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size)) return "";
  buffer.resize(size);
  return PathFromPlatform(buffer);
}

std::string Expanded(const wchar_t* text) {
  const DWORD n = ExpandEnvironmentStringsW(text, nullptr, 0);
  if (n == 0) return Utf8Text(text);
  std::wstring out(n, L'\0');
  const DWORD got = ExpandEnvironmentStringsW(text, out.data(), n);
  if (got == 0 || got > n) return Utf8Text(text);
  out.resize(got - 1);
  return Utf8Text(out);
}

OwnedService OpenManager(DWORD access) {
  OwnedService manager(OpenSCManagerW(nullptr, nullptr, access));
  if (!manager) Fail("Cannot open the service control manager", GetLastError());
  return manager;
}

// The service's command line as the service control manager holds it,
// unexpanded; nothing when its configuration cannot be read.
std::optional<std::wstring> ConfiguredCommandLine(SC_HANDLE service) {
  DWORD needed = 0;
  QueryServiceConfigW(service, nullptr, 0, &needed);
  if (needed == 0) return std::nullopt;
  std::vector<unsigned char> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service, config, needed, &needed) || !config->lpBinaryPathName) return std::nullopt;
  return std::wstring(config->lpBinaryPathName);
}

// The expanded command line, "" when the configuration cannot be read (a
// service this account may not query is not judged).
std::string CommandLineOf(SC_HANDLE manager, const wchar_t* name) {
  OwnedService service(OpenServiceW(manager, name, SERVICE_QUERY_CONFIG));
  if (!service) return "";
  const std::optional<std::wstring> line = ConfiguredCommandLine(service.get());
  return line ? Expanded(line->c_str()) : "";
}

// The command line the service's registry entry holds (ImagePath), unexpanded.
std::optional<std::wstring> RegistryCommandLine(const std::string& name) {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\" + WideText(name);
  DWORD bytes = 0;
  const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ImagePath", flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = DWORD(text.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ImagePath", flags, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS& status) {
  DWORD needed = 0;
  return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed) != 0;
}

// Polls until the service leaves `pending`; its last state.
DWORD WaitWhile(SC_HANDLE service, DWORD pending, SERVICE_STATUS_PROCESS& status) {
  const ULONGLONG deadline = GetTickCount64() + kServiceWaitMs;
  while (QueryStatus(service, status) && status.dwCurrentState == pending && GetTickCount64() < deadline)
    Sleep(kPollMs);
  return status.dwCurrentState;
}

}  // namespace

std::vector<RunningProgram> Win32ProcessesAndServices::RunningPrograms() {
  OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) Fail("Cannot list the running programs", GetLastError());
  const DWORD own = GetCurrentProcessId();
  std::vector<RunningProgram> programs;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == own) continue;
    std::string image = ProcessImage(entry.th32ProcessID);
    if (!image.empty()) programs.push_back({std::move(image), entry.th32ProcessID});
  }
  return programs;
}

std::vector<InstalledService> Win32ProcessesAndServices::Services() {
  OwnedService manager = OpenManager(SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_CONNECT);
  std::vector<InstalledService> services;
  std::vector<unsigned char> buffer(64 * 1024);
  DWORD resume = 0;
  for (;;) {
    DWORD needed = 0, count = 0;
    const BOOL ok = EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                          buffer.data(), DWORD(buffer.size()), &needed, &count, &resume, nullptr);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok && error != ERROR_MORE_DATA) Fail("Cannot list the services", error);
    const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
      const ENUM_SERVICE_STATUS_PROCESSW& e = entries[i];
      InstalledService s;
      s.name = Utf8Text(e.lpServiceName);
      s.displayName = e.lpDisplayName ? Utf8Text(e.lpDisplayName) : "";
      s.commandLine = CommandLineOf(manager.get(), e.lpServiceName);
      s.running = e.ServiceStatusProcess.dwCurrentState != SERVICE_STOPPED;
      s.processId = s.running ? e.ServiceStatusProcess.dwProcessId : 0;
      services.push_back(std::move(s));
    }
    if (ok) break;
    // Another round from `resume`, with room for at least what is left.
    if (needed > buffer.size()) buffer.resize(needed);
  }
  return services;
}

std::vector<std::string> Win32ProcessesAndServices::FormsOf(const std::string& path) {
  std::vector<std::string> forms{path};
  const auto add = [&forms](const std::string& form) {
    if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
  };
  if (const auto longForm = LongPathForm(path)) add(*longForm);
  const std::wstring wide = PlatformPath(path);
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n > 0) {
    std::wstring out(n, L'\0');
    const DWORD got = GetShortPathNameW(wide.c_str(), out.data(), n);
    if (got > 0 && got < n) {
      out.resize(got);
      add(PathFromPlatform(out));
    }
  }
  return forms;
}

namespace {
// "" once the service and its process have stopped, else why not.
std::string StopAndWait(const std::string& name) {
  OwnedService manager = OpenManager(SC_MANAGER_CONNECT);
  OwnedService service(OpenServiceW(manager.get(), WideText(name).c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service) return Why(GetLastError());
  SERVICE_STATUS_PROCESS status{};
  if (!QueryStatus(service.get(), status)) return Why(GetLastError());
  const DWORD pid = status.dwProcessId;
  if (status.dwCurrentState != SERVICE_STOPPED && status.dwCurrentState != SERVICE_STOP_PENDING) {
    SERVICE_STATUS plain{};
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &plain) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
      return Why(GetLastError());
  }
  if (WaitWhile(service.get(), SERVICE_STOP_PENDING, status) != SERVICE_STOPPED)
    return "It did not stop within " + std::to_string(kServiceWaitMs / 1000) + " seconds.";
  // Its image is free only once its process has ended too.
  if (pid != 0) {
    OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process && WaitForSingleObject(process.get(), kProcessEndWaitMs) == WAIT_TIMEOUT)
      return "It stopped, but its process " + std::to_string(pid) + " did not end within " +
             std::to_string(kProcessEndWaitMs / 1000) + " seconds.";
  }
  return "";
}

// "" once it runs, else why not.
std::string StartWithRegisteredPath(const std::string& name) {
  OwnedService manager = OpenManager(SC_MANAGER_CONNECT);
  const std::wstring wideName = WideText(name);
  OwnedService service(OpenServiceW(manager.get(), wideName.c_str(),
                                    SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (!service) return Why(GetLastError());
  // The manager keeps its own copy of the program path, read from the
  // registry when the system starts: the path the registry walk wrote is
  // handed to it, so the service starts from the new place now.
  const std::optional<std::wstring> registered = RegistryCommandLine(name);
  if (registered && ConfiguredCommandLine(service.get()) != registered) {
    OwnedService changing(OpenServiceW(manager.get(), wideName.c_str(), SERVICE_CHANGE_CONFIG));
    if (!changing || !ChangeServiceConfigW(changing.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                           registered->c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
      return "Its new program path could not be given to the service control manager: " + Why(GetLastError());
  }
  if (!StartServiceW(service.get(), 0, nullptr)) {
    const DWORD error = GetLastError();
    return error == ERROR_SERVICE_ALREADY_RUNNING ? "" : Why(error);
  }
  SERVICE_STATUS_PROCESS status{};
  if (WaitWhile(service.get(), SERVICE_START_PENDING, status) == SERVICE_STOPPED)
    return "It stopped again at once (exit code " + std::to_string(status.dwWin32ExitCode) + ").";
  return "";
}
}  // namespace

std::optional<EngineRefusal> Win32ProcessesAndServices::StopNamedService(const std::string& name) {
  std::string why = StopAndWait(name);
  if (why.empty()) return std::nullopt;
  return EngineRefusal{RefusalReason::ServiceWouldNotStop, name, std::move(why)};
}

std::optional<EngineRefusal> Win32ProcessesAndServices::StartNamedService(const std::string& name) {
  std::string why = StartWithRegisteredPath(name);
  if (why.empty()) return std::nullopt;
  return EngineRefusal{RefusalReason::ServiceNotStartedAgain, name, std::move(why)};
}
