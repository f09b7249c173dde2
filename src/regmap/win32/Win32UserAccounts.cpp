#include "regmap/win32/Win32UserAccounts.h"

#include "core/Text.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
// After the wrapper: the SID text conversions.
#include <sddl.h>

#include <vector>

std::string Win32UserAccounts::CurrentUserSid() {
  OwnedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size ? size : 1);
  if (!size || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  LocalMem<wchar_t*> text;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, text.out())) return {};
  return Utf8Text(text.get());
}

std::string Win32UserAccounts::AccountName(const std::string& sid) {
  LocalMem<PSID> binary;
  if (!ConvertStringSidToSidW(WideText(sid).c_str(), binary.out())) return {};
  wchar_t name[256], domain[256];
  DWORD nameLength = 256, domainLength = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, binary.get(), name, &nameLength, domain, &domainLength, &use)) return {};
  return domainLength ? Utf8Text(domain) + "\\" + Utf8Text(name) : Utf8Text(name);
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
