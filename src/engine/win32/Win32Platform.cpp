#include "engine/win32/Win32Platform.h"

#include "core/Text.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include <cwchar>

#include "core/win32/WinApi.h"
#include <shellapi.h>
#include <shlobj.h>

void PumpMessages(PumpThrottle& throttle) {
  if (!throttle.Due(MonotonicMs())) return;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the message loop that owns it.
      PostQuitMessage(int(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::int64_t MonotonicMs() { return std::int64_t(GetTickCount64()); }

bool Win32RunLock::TryAcquire() {
  if (handle_) return false;
  OwnedHandle h(CreateMutexW(nullptr, FALSE, L"Ostrivane_run_in_progress"));
  if (!h.ok()) return false;
  const DWORD got = WaitForSingleObject(h.get(), 0);
  if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) return false;
  handle_ = h.release();
  return true;
}

void Win32RunLock::Release() {
  if (!handle_) return;
  // Taken back from the member (kept as void* so the header needs no
  // Windows headers) and closed as it goes.
  const OwnedHandle held(static_cast<HANDLE>(std::exchange(handle_, nullptr)));
  ReleaseMutex(held.get());
}

namespace {
// The name Windows Explorer gives a drive without a label; some systems (Wine)
// leave it out and report only " (C:)".
const char* UnlabelledName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return "Removable Disk";
    case DRIVE_FIXED: return "Local Disk";
    case DRIVE_REMOTE: return "Network Drive";
    case DRIVE_CDROM: return "CD Drive";
    case DRIVE_RAMDISK: return "RAM Disk";
    default: return "Drive";
  }
}

std::string DisplayName(const std::string& reported, UINT type) {
  const std::size_t open = reported.find('(');
  if (open == std::string::npos || reported.find_first_not_of(' ') != open) return reported;
  return UnlabelledName(type) + std::string(" ") + reported.substr(open);
}
}  // namespace

std::vector<DriveInfo> Win32Drives::ListDrives() {
  std::vector<DriveInfo> out;
  std::wstring buffer(512, L'\0');
  DWORD n = GetLogicalDriveStringsW(DWORD(buffer.size()), buffer.data());
  if (n > buffer.size()) {
    buffer.assign(n + 1, L'\0');
    n = GetLogicalDriveStringsW(DWORD(buffer.size()), buffer.data());
  }
  if (n == 0 || n > buffer.size()) return out;
  for (const wchar_t* p = buffer.c_str(); *p; p += std::wcslen(p) + 1) {
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(p, 0, &info, sizeof info, SHGFI_DISPLAYNAME)) continue;
    const UINT type = GetDriveTypeW(p);
    out.push_back({Utf8Text(p), DisplayName(Utf8Text(info.szDisplayName), type), type == DRIVE_FIXED});
  }
  return out;
}

std::string ExecutablePath() {
  // Grown until the whole path fits: it may be longer than MAX_PATH.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      return Utf8Text(path);
    }
    if (path.size() >= 32768) return "";  // longer than any path the system allows
    path.resize(path.size() * 2);
  }
}

std::string ProgramFolderOfExe() {
  const std::string path = ExecutablePath();
  return SplitItemPath(path).folder;
}

void Win32EnvironmentNotice::EnvironmentChanged() {
  // A window that does not answer within the time is passed by, not waited for.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                      SMTO_ABORTIFHUNG, 5000, &result);
}

namespace {
std::string ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return "";
  return Utf8Text(buffer);
}
}  // namespace

ProtectedPlaces Win32KnownFolders::Places() {
  ProtectedPlaces p;
  p.windows = ShellFolder(CSIDL_WINDOWS);
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA})
    if (std::string f = ShellFolder(csidl); !f.empty()) p.programRoots.push_back(std::move(f));
  // The profiles' folder is the one that holds this user's profile.
  const std::string profile = ShellFolder(CSIDL_PROFILE);
  if (const std::size_t cut = profile.rfind('\\'); cut != std::string::npos && cut > 2)
    p.users = profile.substr(0, cut);
  const std::string self = ExecutablePath();
  p.ownFolder = RemoveSlash(SplitItemPath(self).folder);
  p.ownFiles = {self, p.ownFolder + "\\ostrivane.exe", p.ownFolder + "\\ostrivane-cli.exe"};
  return p;
}

std::string Win32KnownFolders::LongForm(const std::string& path) { return LongPathForm(path).value_or(path); }
