#include "core/win32/ReplaceBeside.h"

#include <algorithm>
#include <cstdio>

#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/win32/CarryOver.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

namespace {

// The program's own prefix and four hex digits (GetTempFileName refuses
// folders deeper than MAX_PATH - 14, so the name is made here).
std::string TempName(unsigned number) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", number & 0xFFFFu);
  return std::string(kReplaceTempPrefix) + digits + ".tmp";
}

// An existing file opened with the given access and sharing.
OwnedHandle OpenExisting(const std::string& path, DWORD access, DWORD share) {
  return OwnedHandle(CreateFileW(PlatformPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
}

constexpr DWORD kChunk = 1u << 20;

bool ReadAll(HANDLE h, std::string& out) {
  out.clear();
  char buf[kFileChunkBytes];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) return false;
    if (got == 0) return true;
    out.append(buf, got);
  }
}

bool WriteAt(HANDLE h, std::uint64_t offset, std::string_view data) {
  while (!data.empty()) {
    OVERLAPPED o{};
    o.Offset = DWORD(offset);
    o.OffsetHigh = DWORD(offset >> 32);
    DWORD written = 0;
    const DWORD part = DWORD(std::min<std::size_t>(data.size(), kChunk));
    if (!WriteFile(h, data.data(), part, &written, &o)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    data.remove_prefix(written);
    offset += written;
  }
  return true;
}

// For the tests that kill a run between the temporary file's write and
// its rename: with the variable set to a path, the replacement makes a file
// there and waits for the kill. Read once; unset, nothing happens.
void HoldBeforeRenameForTests() {
  static const std::wstring marker = [] {
    wchar_t buf[1024];
    const DWORD n = GetEnvironmentVariableW(L"OSTRIVANE_TEST_HOLD_BEFORE_RENAME", buf, 1024);
    return n > 0 && n < 1024 ? std::wstring(buf, n) : std::wstring();
  }();
  if (marker.empty()) return;
  OwnedHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  for (;;) Sleep(INFINITE);
}

}  // namespace

std::uint32_t NameCountOf(const std::string& path) {
  // No access asked: the count is read even of a file others hold open.
  OwnedHandle f = OpenExisting(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  BY_HANDLE_FILE_INFORMATION info;
  if (!f.ok() || !GetFileInformationByHandle(f.get(), &info)) return 0;
  return info.nNumberOfLinks;
}

bool RewriteInPlace(const std::string& path, std::string_view data) {
  // Readers may look on; no one else writes while the content changes.
  OwnedHandle f = OpenExisting(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  if (!f.ok()) return false;
  // Refused as the platform's own writes refuse it, also where the open
  // itself would not (an administrator's, or Wine's root).
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(f.get(), &info)) return false;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  std::string old;
  if (!ReadAll(f.get(), old)) return false;
  // Only from the first changed byte: the fewer bytes written, the smaller
  // the window in which a crash can tear the file.
  std::size_t first = 0;
  while (first < old.size() && first < data.size() && old[first] == data[first]) ++first;
  std::size_t end = data.size();
  if (old.size() == data.size())
    while (end > first && old[end - 1] == data[end - 1]) --end;
  if (!WriteAt(f.get(), first, data.substr(first, end - first))) return false;
  if (old.size() != data.size()) {
    LARGE_INTEGER size;
    size.QuadPart = LONGLONG(data.size());
    if (!SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN) || !SetEndOfFile(f.get())) return false;
  }
  return FlushFileBuffers(f.get()) != 0;
}

TempBeside::TempBeside(const std::string& path) {
  std::string folder = SplitItemPath(path).folder;
  if (folder.empty()) folder = ".\\";
  // Start somewhere that differs between processes and calls, then take the
  // first free name; CREATE_NEW makes the claim atomic.
  unsigned start = unsigned(GetTickCount()) ^ (unsigned(GetCurrentProcessId()) << 4);
  for (unsigned tried = 0; tried < 0x10000u; ++tried) {
    const unsigned number = (start + tried) & 0xFFFFu;
    if (number == 0) continue;
    const std::string candidate = AddSlash(folder) + TempName(number);
    OwnedHandle h(CreateFileW(PlatformPath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h.ok()) {
      h.Close();
      path_ = candidate;
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return;  // no folder, no access...
  }
}

TempBeside::~TempBeside() {
  if (path_.empty()) return;
  const std::wstring wide = PlatformPath(path_);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(wide.c_str());
}

bool TempBeside::RewriteTargetInPlace(const std::string& target) {
  std::string data;
  {
    OwnedHandle f = OpenExisting(path_, GENERIC_READ, FILE_SHARE_READ);
    if (!f.ok() || !ReadAll(f.get(), data)) return false;
  }
  return RewriteInPlace(target, data);  // the temporary file goes with this object
}

bool TempBeside::PutInPlaceOf(const std::string& target) {
  if (path_.empty()) return false;
  const std::wstring from = PlatformPath(path_), to = PlatformPath(target);
  const DWORD old = GetFileAttributesW(to.c_str());
  if (old != INVALID_FILE_ATTRIBUTES) {
    if (old & FILE_ATTRIBUTE_READONLY) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    // Every name of the file gets the new content (see the header).
    if (NameCountOf(target) > 1) return RewriteTargetInPlace(target);
    // A file someone holds open without letting it be renamed is refused
    // here, before anything is carried or written in its place.
    {
      OwnedHandle probe = OpenExisting(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
      if (!probe.ok()) return false;
    }
    // What the old file keeps goes onto the new one first; where some of it
    // cannot (an owner only a privilege may set), the file is rewritten in
    // place rather than silently lose it.
    if (!CarryOverKeptParts(to, from)) return RewriteTargetInPlace(target);
  }
  HoldBeforeRenameForTests();
  // One rename that replaces: a crash before it leaves the old file whole,
  // after it the new one, never a moment without a file at the name. A
  // failure (the file held open by someone who forbids renaming it) leaves
  // both files as they were, the temporary one for this object to remove.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  path_.clear();
  return true;
}
