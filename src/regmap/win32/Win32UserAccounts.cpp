#include "regmap/win32/Win32UserAccounts.h"

#include "core/Text.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
// After the wrapper: the SID text conversions.
#include <sddl.h>

#include <vector>

std::string Win32UserAccounts::CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  std::string sid;
  if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    wchar_t* text = nullptr;
    if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
      sid = Utf8Text(text);
      LocalFree(text);
    }
  }
  CloseHandle(token);
  return sid;
}

std::string Win32UserAccounts::AccountName(const std::string& sid) {
  PSID binary = nullptr;
  if (!ConvertStringSidToSidW(WideText(sid).c_str(), &binary)) return {};
  wchar_t name[256], domain[256];
  DWORD nameLength = 256, domainLength = 256;
  SID_NAME_USE use;
  std::string account;
  if (LookupAccountSidW(nullptr, binary, name, &nameLength, domain, &domainLength, &use))
    account = domainLength ? Utf8Text(domain) + "\\" + Utf8Text(name) : Utf8Text(name);
  LocalFree(binary);
  return account;
}

std::optional<std::string> Win32EnvironmentValues::Value(const std::string& name) {
  const std::string key = FoldKey(name);
  const auto it = known_.find(key);
  if (it != known_.end()) return it->second;
  return known_[key] = Read(name);
}

std::optional<std::string> Win32EnvironmentValues::Read(const std::string& name) {
  const std::wstring wide = WideText(name);
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  // Another thread may have made it longer in between: asked again.
  for (;;) {
    const DWORD m = GetEnvironmentVariableW(wide.c_str(), value.data(), DWORD(value.size()));
    if (m == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (m < value.size()) {
      value.resize(m);
      return Utf8Text(value);
    }
    value.assign(m, L'\0');
  }
}
