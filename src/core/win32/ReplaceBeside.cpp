#include "core/win32/ReplaceBeside.h"

#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/win32/WinApi.h"

TempBeside::TempBeside(const std::string& path) {
  std::string folder = SplitItemPath(path).folder;
  if (folder.empty()) folder = ".";
  char temp[MAX_PATH + 1];
  if (GetTempFileNameA(folder.c_str(), std::string(kReplaceTempPrefix).c_str(), 0, temp)) path_ = temp;
}

TempBeside::~TempBeside() {
  if (path_.empty()) return;
  SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path_.c_str());
}

bool TempBeside::PutInPlaceOf(const std::string& target) {
  if (path_.empty()) return false;
  const DWORD old = GetFileAttributesA(target.c_str());
  if (old != INVALID_FILE_ATTRIBUTES) {
    if (old & FILE_ATTRIBUTE_READONLY) return false;
    // The marks are on the new file before it takes the old one's place.
    SetFileAttributesA(path_.c_str(), old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  }
  // One rename, written through: afterwards the file is either the old one
  // or the new one, whole.
  if (!MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  path_.clear();
  return true;
}
