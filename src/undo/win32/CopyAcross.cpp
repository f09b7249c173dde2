#include "undo/win32/CopyAcross.h"

#include <vector>

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

// One folder's entries but "." and "..", with their find data.
template <class Each>
DWORD ForEachEntry(const std::string& folder, Each each) {
  WIN32_FIND_DATAW fd;
  const OwnedFind find(FindFirstFileW(PlatformPath(AddSlash(folder) + "*").c_str(), &fd));
  if (!find.ok()) return GetLastError();
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (const DWORD e = each(fd, AddSlash(folder) + Utf8Text(name))) return e;
  } while (FindNextFileW(find.get(), &fd));
  return GetLastError() == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : GetLastError();
}

std::uint64_t SizeOf(const WIN32_FIND_DATAW& fd) {
  return (std::uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

std::uint64_t FileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The bytes of every file of the item, for the watcher's progress.
std::uint64_t BytesBelow(const std::string& folder) {
  std::uint64_t total = 0;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& fd, const std::string& path) -> DWORD {
    total += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? BytesBelow(path) : SizeOf(fd);
    return ERROR_SUCCESS;
  });
  return total;
}

// One item's copy: what it has copied, so that only that is deleted after.
class CopyJob {
 public:
  explicit CopyJob(CopyWatcher* watcher) : watcher_(watcher) {}

  DWORD CopyTree(const std::string& from, const std::string& to) {
    const DWORD marks = GetFileAttributesW(PlatformPath(from).c_str());
    if (marks == INVALID_FILE_ATTRIBUTES) return GetLastError();
    if (!(marks & FILE_ATTRIBUTE_DIRECTORY)) return CopyFileWhole(from, to);
    if (!CreateDirectoryW(PlatformPath(to).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return GetLastError();
    if (const DWORD e = ForEachEntry(from, [&](const WIN32_FIND_DATAW& fd, const std::string& path) {
          return CopyTree(path, AddSlash(to) + Utf8Text(fd.cFileName));
        }))
      return e;
    if (marks & kCopiedMarks) SetFileAttributesW(PlatformPath(to).c_str(), marks & kCopiedMarks);
    folders_.push_back(from);  // deepest first, as made
    return ERROR_SUCCESS;
  }

  // The originals of what arrived, and each folder that is empty then: a
  // file the user kept where it was keeps its folders too.
  DWORD RemoveOriginals() {
    for (const std::string& file : copied_) {
      const std::wstring wide = PlatformPath(file);
      const DWORD marks = GetFileAttributesW(wide.c_str());
      if (marks != INVALID_FILE_ATTRIBUTES && (marks & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(wide.c_str(), marks & ~DWORD(FILE_ATTRIBUTE_READONLY));
      if (!DeleteFileW(wide.c_str())) return GetLastError();
    }
    for (const std::string& folder : folders_) {
      const std::wstring wide = PlatformPath(folder);
      SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!RemoveDirectoryW(wide.c_str()) && !(kept_ && GetLastError() == ERROR_DIR_NOT_EMPTY)) return GetLastError();
    }
    return ERROR_SUCCESS;
  }

  bool KeptEverything() const { return copied_.empty() && kept_; }

 private:
  static DWORD CALLBACK OnChunk(LARGE_INTEGER, LARGE_INTEGER done, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD,
                                HANDLE, HANDLE, LPVOID job) {
    auto* self = static_cast<CopyJob*>(job);
    const bool goOn = self->watcher_->Progress(self->done_ + std::uint64_t(done.QuadPart), self->current_);
    return goOn ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
  }

  // One file, whole under its final name or not there at all.
  DWORD CopyFileWhole(const std::string& from, const std::string& to) {
    bool replace = false;
    if (GetFileAttributesW(PlatformPath(to).c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (!watcher_) return ERROR_FILE_EXISTS;
      switch (watcher_->AskReplace(to, from)) {
        case CopyWatcher::Clash::Cancel: return ERROR_CANCELLED;
        case CopyWatcher::Clash::Keep: kept_ = true; return ERROR_SUCCESS;
        case CopyWatcher::Clash::Replace: replace = true; break;
      }
    }
    TempBeside temp(to);
    if (temp.Path().empty()) return GetLastError();
    const std::wstring wideTemp = PlatformPath(temp.Path());
    current_ = from;
    if (!CopyFileExW(PlatformPath(from).c_str(), wideTemp.c_str(), watcher_ ? &CopyJob::OnChunk : nullptr, this,
                     nullptr, 0))
      return GetLastError() == ERROR_REQUEST_ABORTED ? DWORD(ERROR_CANCELLED) : GetLastError();
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
    // One rename: a file the user chose to replace is there until the
    // moved one is, whole, in its place.
    if (replace) {
      const std::wstring wideTo = PlatformPath(to);
      const DWORD old = GetFileAttributesW(wideTo.c_str());
      if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(wideTo.c_str(), old & ~DWORD(FILE_ATTRIBUTE_READONLY));
    }
    if (!temp.PutInPlaceOf(to)) return GetLastError();
    copied_.push_back(from);
    if (watcher_) {
      done_ += FileSizeOf(from);
      if (!watcher_->Progress(done_, from)) return ERROR_CANCELLED;
    }
    return ERROR_SUCCESS;
  }

  CopyWatcher* watcher_;
  std::uint64_t done_ = 0;  // bytes of the files copied whole
  std::string current_;
  std::vector<std::string> copied_, folders_;
  bool kept_ = false;  // a file the user chose to leave where it is
};

}  // namespace

bool OnOtherVolume(const std::string& source, const std::string& targetFolder) {
  const std::wstring a = VolumeOf(source), b = VolumeOf(targetFolder);
  return !a.empty() && !b.empty() && lstrcmpiW(a.c_str(), b.c_str()) != 0;
}

unsigned long MoveAcrossVolumes(const std::string& source, const std::string& targetFolder, CopyWatcher* watcher) {
  const std::string arrival = AddSlash(targetFolder) + SplitItemPath(RemoveSlash(source)).name;
  if (watcher) {
    const DWORD marks = GetFileAttributesW(PlatformPath(source).c_str());
    const bool folder = marks != INVALID_FILE_ATTRIBUTES && (marks & FILE_ATTRIBUTE_DIRECTORY);
    watcher->Begin(folder ? BytesBelow(source) : FileSizeOf(source));
  }
  CopyJob job(watcher);
  if (const DWORD e = job.CopyTree(source, arrival)) return e;
  if (job.KeptEverything()) return ERROR_CANCELLED;
  return job.RemoveOriginals();
}
