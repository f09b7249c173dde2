#include "core/win32/CarryOver.h"

#include <cstring>
#include <tuple>

#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
//
#include <aclapi.h>

namespace {

OwnedHandle Open(const std::wstring& path, DWORD access, DWORD disposition = OPEN_EXISTING) {
  return OwnedHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 disposition, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The marks a file shows (not those the system keeps by itself: compressed,
// encrypted, sparse, reparse point).
constexpr DWORD kCarriedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool CarryTimeAndAttributes(const std::wstring& from, const std::wstring& to) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &d)) return false;
  {
    const OwnedHandle h = Open(to, FILE_WRITE_ATTRIBUTES);
    if (!h.ok() || !SetFileTime(h.get(), &d.ftCreationTime, nullptr, nullptr)) return false;
  }
  const DWORD marks = d.dwFileAttributes & kCarriedAttributes;
  return SetFileAttributesW(to.c_str(), marks ? marks : FILE_ATTRIBUTE_NORMAL) != 0;
}

bool SameSid(PSID a, PSID b) { return a && b && IsValidSid(a) && IsValidSid(b) && EqualSid(a, b); }

// Entry by entry, in order (the order of an access list decides).
bool SameAcl(PACL a, PACL b) {
  if (!a || !b) return a == b;
  if (a->AceCount != b->AceCount) return false;
  for (DWORD i = 0; i < a->AceCount; ++i) {
    void* x = nullptr;
    void* y = nullptr;
    if (!GetAce(a, i, &x) || !GetAce(b, i, &y)) return false;
    const WORD size = static_cast<ACE_HEADER*>(x)->AceSize;
    if (size != static_cast<ACE_HEADER*>(y)->AceSize || std::memcmp(x, y, size) != 0) return false;
  }
  return true;
}

bool DaclProtected(PSECURITY_DESCRIPTOR sd) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  return GetSecurityDescriptorControl(sd, &control, &revision) && (control & SE_DACL_PROTECTED);
}

// Owner, group and access list. The new file, made in the same folder by
// this process, mostly has them already (the same owner, the folder's
// inherited entries): each is set only where it differs, since setting an
// owner other than oneself needs a privilege, and some systems let no
// access list be set at all.
bool CarrySecurity(const std::wstring& from, const std::wstring& to) {
  constexpr SECURITY_INFORMATION kAll = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                        DACL_SECURITY_INFORMATION;
  PSID owner = nullptr, group = nullptr, ownerNow = nullptr, groupNow = nullptr;
  PACL dacl = nullptr, daclNow = nullptr;
  LocalMem<PSECURITY_DESCRIPTOR> old, now;
  for (auto [path, o, g, d, sd] : {std::tuple(&from, &owner, &group, &dacl, &old),
                                   std::tuple(&to, &ownerNow, &groupNow, &daclNow, &now)}) {
    const OwnedHandle h = Open(*path, READ_CONTROL);
    if (!h.ok()) return false;
    const DWORD e = GetSecurityInfo(h.get(), SE_FILE_OBJECT, kAll, o, g, d, nullptr, sd->out());
    if (e != ERROR_SUCCESS) return SetLastError(e), false;
  }
  const bool isProtected = DaclProtected(old.get());
  SECURITY_INFORMATION what = 0;
  DWORD access = 0;
  if (!SameAcl(dacl, daclNow) || isProtected != DaclProtected(now.get())) {
    what |= DACL_SECURITY_INFORMATION |
            (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    access |= WRITE_DAC;
  }
  if (owner && !SameSid(owner, ownerNow)) {
    what |= OWNER_SECURITY_INFORMATION;
    access |= WRITE_OWNER;
  }
  if (group && !SameSid(group, groupNow)) {
    what |= GROUP_SECURITY_INFORMATION;
    access |= WRITE_OWNER;
  }
  if (what == 0) return true;
  const OwnedHandle h = Open(to, access);
  if (!h.ok()) return false;
  const DWORD e = SetSecurityInfo(h.get(), SE_FILE_OBJECT, what, (what & OWNER_SECURITY_INFORMATION) ? owner : nullptr,
                                  (what & GROUP_SECURITY_INFORMATION) ? group : nullptr,
                                  (what & DACL_SECURITY_INFORMATION) ? dacl : nullptr, nullptr);
  if (e != ERROR_SUCCESS) return SetLastError(e), false;
  return true;
}

bool VolumeHasStreams(const std::wstring& path) {
  const OwnedHandle h = Open(path, 0);
  DWORD flags = 0;
  if (!h.ok() || !GetVolumeInformationByHandleW(h.get(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    return true;  // not known: counted as having them, so none is lost unseen
  return (flags & FILE_NAMED_STREAMS) != 0;
}

bool CopyStream(const std::wstring& from, const std::wstring& to) {
  const OwnedHandle in = Open(from, GENERIC_READ);
  const OwnedHandle out = Open(to, GENERIC_WRITE, CREATE_ALWAYS);
  if (!in.ok() || !out.ok()) return false;
  char buf[kFileChunkBytes];
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(in.get(), buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) break;
    if (!WriteFile(out.get(), buf, got, &put, nullptr)) return false;
    if (put != got) return SetLastError(ERROR_WRITE_FAULT), false;
  }
  return FlushFileBuffers(out.get()) != 0;
}

// Every named stream (":name:$DATA"); the main one is the new content.
bool CarryStreams(const std::wstring& from, const std::wstring& to) {
  WIN32_FIND_STREAM_DATA d;
  const OwnedFind find(FindFirstStreamW(from.c_str(), FindStreamInfoStandard, &d, 0));
  if (!find.ok()) {
    const DWORD e = GetLastError();
    if (e == ERROR_HANDLE_EOF || !VolumeHasStreams(from)) return true;
    return SetLastError(e), false;
  }
  do {
    const std::wstring name = d.cStreamName;
    if (name == L"::$DATA") continue;
    if (!CopyStream(from + name, to + name)) return false;
  } while (FindNextStreamW(find.get(), &d));
  return GetLastError() == ERROR_HANDLE_EOF;
}

}  // namespace

bool CarryOverKeptParts(const std::wstring& from, const std::wstring& to) {
  // The access list last: one that denies this process a change (an entry
  // that denies writing attributes) would refuse what came after it.
  return CarryStreams(from, to) && CarryTimeAndAttributes(from, to) && CarrySecurity(from, to);
}
