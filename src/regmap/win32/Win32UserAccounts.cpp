#include "regmap/win32/Win32UserAccounts.h"

#include "core/win32/AccountSid.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
// After the wrapper: the SID text conversions.
#include <sddl.h>

std::string Win32UserAccounts::CurrentUserSid() { return ProcessUserSid(); }

std::string Win32UserAccounts::AccountName(const std::string& sid) {
  LocalMem<PSID> binary;
  if (!ConvertStringSidToSidW(WideText(sid).c_str(), binary.out())) return {};
  wchar_t name[256], domain[256];
  DWORD nameLength = 256, domainLength = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, binary.get(), name, &nameLength, domain, &domainLength, &use)) return {};
  return domainLength ? Utf8Text(domain) + "\\" + Utf8Text(name) : Utf8Text(name);
}
