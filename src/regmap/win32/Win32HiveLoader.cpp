#include "regmap/win32/Win32HiveLoader.h"

#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

namespace {
// 0 when the process may load and unload hives, else why not.
long EnablePrivileges() {
  OwnedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out()))
    return long(GetLastError());
  for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return long(GetLastError());
    // Succeeds also when the token does not hold the privilege; the last
    // error tells.
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return long(GetLastError());
    if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) return ERROR_PRIVILEGE_NOT_HELD;
  }
  return 0;
}
}  // namespace

long Win32HiveLoader::EnsurePrivileges() {
  if (privileges_ < 0) privileges_ = EnablePrivileges();
  return privileges_;
}

long Win32HiveLoader::Load(const std::string& name, const std::string& file) {
  if (const long refused = EnsurePrivileges(); refused != 0) return refused;
  return RegLoadKeyW(HKEY_USERS, WideText(name).c_str(), WideText(file).c_str());
}

long Win32HiveLoader::Unload(const std::string& name) {
  if (const long refused = EnsurePrivileges(); refused != 0) return refused;
  return RegUnLoadKeyW(HKEY_USERS, WideText(name).c_str());
}
