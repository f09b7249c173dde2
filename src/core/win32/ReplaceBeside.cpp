#include "core/win32/ReplaceBeside.h"

#include <cstdio>

#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

namespace {

// "~ov" and four hex digits, as GetTempFileName would name it; that function
// refuses folders deeper than MAX_PATH - 14, so the name is made here.
std::string TempName(unsigned number) {
  char name[16];
  std::snprintf(name, sizeof name, "%.3s%04X.tmp", kReplaceTempPrefix.data(), number & 0xFFFFu);
  return name;
}

}  // namespace

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
    HANDLE h = CreateFileW(PlatformPath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
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

bool TempBeside::PutInPlaceOf(const std::string& target) {
  if (path_.empty()) return false;
  const std::wstring from = PlatformPath(path_), to = PlatformPath(target);
  const DWORD old = GetFileAttributesW(to.c_str());
  if (old != INVALID_FILE_ATTRIBUTES) {
    if (old & FILE_ATTRIBUTE_READONLY) return false;
    // The marks are on the new file before it takes the old one's place.
    SetFileAttributesW(from.c_str(), old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  }
  // One rename, written through: afterwards the file is either the old one
  // or the new one, whole.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  path_.clear();
  return true;
}
