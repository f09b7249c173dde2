#include "undo/win32/CopyAcross.h"

#include "core/PathText.h"
#include "core/Text.h"
#include "core/win32/Owned.h"
#include "core/win32/ReplaceBeside.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

namespace {

std::wstring VolumeOf(const std::string& path) {
  wchar_t root[MAX_PATH + 1];
  if (!GetVolumePathNameW(PlatformPath(path).c_str(), root, MAX_PATH + 1)) return L"";
  return root;
}

constexpr DWORD kCopiedMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// One file, whole under its final name or not there at all.
DWORD CopyFileWhole(const std::string& from, const std::string& to) {
  TempBeside temp(to);
  if (temp.Path().empty()) return GetLastError();
  const std::wstring wideTemp = PlatformPath(temp.Path());
  if (!CopyFileExW(PlatformPath(from).c_str(), wideTemp.c_str(), nullptr, nullptr, nullptr, 0)) return GetLastError();
  // Flushed with no mark that could refuse the write.
  SetFileAttributesW(wideTemp.c_str(), FILE_ATTRIBUTE_NORMAL);
  {
    const OwnedHandle h(CreateFileW(wideTemp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok() || !FlushFileBuffers(h.get())) return GetLastError();
  }
  // The original's marks, set here as not every copy carries them.
  const DWORD marks = GetFileAttributesW(PlatformPath(from).c_str());
  if (marks != INVALID_FILE_ATTRIBUTES && (marks & kCopiedMarks))
    SetFileAttributesW(wideTemp.c_str(), marks & kCopiedMarks);
  // Nothing stands at the final name (the move refuses otherwise), so the
  // rename replaces nothing.
  if (!temp.PutInPlaceOf(to)) return GetLastError();
  return ERROR_SUCCESS;
}

DWORD CopyTree(const std::string& from, const std::string& to) {
  const DWORD marks = GetFileAttributesW(PlatformPath(from).c_str());
  if (marks == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if (!(marks & FILE_ATTRIBUTE_DIRECTORY)) return CopyFileWhole(from, to);
  if (!CreateDirectoryW(PlatformPath(to).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return GetLastError();
  WIN32_FIND_DATAW fd;
  {
    const OwnedFind find(FindFirstFileW(PlatformPath(AddSlash(from) + "*").c_str(), &fd));
    if (!find.ok()) return GetLastError();
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      if (const DWORD e = CopyTree(AddSlash(from) + Utf8Text(name), AddSlash(to) + Utf8Text(name))) return e;
    } while (FindNextFileW(find.get(), &fd));
    if (GetLastError() != ERROR_NO_MORE_FILES) return GetLastError();
  }
  if (marks & kCopiedMarks) SetFileAttributesW(PlatformPath(to).c_str(), marks & kCopiedMarks);
  return ERROR_SUCCESS;
}

DWORD RemoveTree(const std::string& path) {
  const std::wstring wide = PlatformPath(path);
  const DWORD marks = GetFileAttributesW(wide.c_str());
  if (marks == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if (marks & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wide.c_str(), marks & ~DWORD(FILE_ATTRIBUTE_READONLY));
  if (!(marks & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(wide.c_str()) ? ERROR_SUCCESS : GetLastError();
  WIN32_FIND_DATAW fd;
  {
    const OwnedFind find(FindFirstFileW(PlatformPath(AddSlash(path) + "*").c_str(), &fd));
    if (find.ok()) do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (const DWORD e = RemoveTree(AddSlash(path) + Utf8Text(name))) return e;
      } while (FindNextFileW(find.get(), &fd));
  }
  return RemoveDirectoryW(wide.c_str()) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

bool OnOtherVolume(const std::string& source, const std::string& targetFolder) {
  const std::wstring a = VolumeOf(source), b = VolumeOf(targetFolder);
  return !a.empty() && !b.empty() && lstrcmpiW(a.c_str(), b.c_str()) != 0;
}

unsigned long MoveAcrossVolumes(const std::string& source, const std::string& targetFolder) {
  const std::string arrival = AddSlash(targetFolder) + SplitItemPath(RemoveSlash(source)).name;
  if (const DWORD e = CopyTree(source, arrival)) return e;
  return RemoveTree(source);
}
