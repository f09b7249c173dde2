#include "core/win32/AccountSid.h"

// After the wrapper: the SID text conversions.
#include <sddl.h>

#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"

std::string SidText(PSID sid) {
  LocalMem<LPWSTR> text;
  if (!sid || !IsValidSid(sid) || !ConvertSidToStringSidW(sid, text.out())) return {};
  return Utf8Text(text.get());
}

std::string ProcessUserSid() {
  OwnedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return {};
  // A token's user is one SID at the most this large.
  alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return {};
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}
