#include "core/win32/Win32FileSystem.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Error.h"
#include "core/Text.h"
#include "core/win32/ReplaceBeside.h"
#include "core/win32/WidePath.h"
#include "core/win32/Owned.h"
#include "core/win32/SystemError.h"
#include "core/win32/WinApi.h"

namespace {

FileTicks Ticks(const FILETIME& t) {
  return FileTicks((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

DirEntry EntryOf(const WIN32_FIND_DATAW& fd) {
  DirEntry e;
  e.name = Utf8Text(fd.cFileName);
  e.altName = Utf8Text(fd.cAlternateFileName);
  e.attributes = fd.dwFileAttributes;
  e.size = (std::uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
  e.lastWrite = Ticks(fd.ftLastWriteTime);
  return e;
}

constexpr DWORD kChunk = 1u << 20;
// Flushes in flight at once: past a few, a disk gains little more.
constexpr std::size_t kFlushThreads = 8;

// One find-first lookup; FindExInfoStandard, as the listing keeps the 8.3 names.
OwnedFind FindFirst(const std::string& pattern, WIN32_FIND_DATAW& fd) {
  return OwnedFind(
      FindFirstFileExW(PlatformPath(pattern).c_str(), FindExInfoStandard, &fd, FindExSearchNameMatch, nullptr, 0));
}

DWORD AttributesAt(const std::string& path) { return GetFileAttributesW(PlatformPath(path).c_str()); }

void WriteAll(HANDLE h, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    const DWORD part = DWORD(std::min<std::size_t>(size, kChunk));
    DWORD written = 0;
    if (!WriteFile(h, data, part, &written, nullptr)) ThrowFailure("Cannot write", path);
    if (written == 0) ThrowFailure("Cannot write", path, ERROR_WRITE_FAULT);
    data += written;
    size -= written;
  }
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = DWORD(offset);
  o.OffsetHigh = DWORD(offset >> 32);
  return o;
}

class Win32RandomFile : public RandomFile {
 public:
  Win32RandomFile(OwnedHandle h, std::string path) : h_(std::move(h)), path_(std::move(path)) {}
  std::uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h_.get(), &size)) ThrowFailure("Cannot read", path_);
    return std::uint64_t(size.QuadPart);
  }
  void ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
      const DWORD part = DWORD(std::min<std::size_t>(size, kChunk));
      OVERLAPPED o = At(offset);
      DWORD got = 0;
      if (!ReadFile(h_.get(), p, part, &got, &o)) ThrowFailure("Cannot read", path_);
      if (got == 0) ThrowFailure("Cannot read", path_, ERROR_HANDLE_EOF);
      p += got;
      offset += got;
      size -= got;
    }
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD part = DWORD(std::min<std::size_t>(size, kChunk));
      OVERLAPPED o = At(offset);
      DWORD written = 0;
      if (!WriteFile(h_.get(), p, part, &written, &o)) ThrowFailure("Cannot write", path_);
      if (written == 0) ThrowFailure("Cannot write", path_, ERROR_WRITE_FAULT);
      p += written;
      offset += written;
      size -= written;
    }
  }
  void Truncate(std::uint64_t size) override {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(size);
    if (!SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN) || !SetEndOfFile(h_.get())) ThrowFailure("Cannot write", path_);
  }
  void Flush() override {
    if (!FlushFileBuffers(h_.get())) ThrowFailure("Cannot write", path_);
  }

 private:
  OwnedHandle h_;
  std::string path_;
};

}  // namespace

std::optional<std::string> Win32FileSystem::ShortPathOf(const std::string& path) {
  // Ask for the size needed and never hand back a cut form; the path may
  // change between the two calls, so ask again while it grows.
  const std::wstring wide = PlatformPath(path);
  std::wstring buf(GetShortPathNameW(wide.c_str(), nullptr, 0), L'\0');
  while (!buf.empty()) {
    const DWORD n = GetShortPathNameW(wide.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) return std::nullopt;
    if (n < buf.size()) {
      buf.resize(n);
      return PathFromPlatform(buf);
    }
    buf.assign(n, L'\0');
  }
  return std::nullopt;
}

std::optional<DirEntry> Win32FileSystem::LookUp(const std::string& path) {
  WIN32_FIND_DATAW fd;
  if (!FindFirst(path, fd).ok()) return std::nullopt;
  return EntryOf(fd);
}

namespace {
// Nothing to list is no failure: a pattern that matches nothing, a folder
// gone meanwhile.
bool ListsNothing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NO_MORE_FILES;
}

std::string ListingFailure(DWORD code) {
  return code == ERROR_ACCESS_DENIED ? std::string("access denied") : SystemMessage(code);
}
}  // namespace

FolderListing Win32FileSystem::ListFolderChecked(const std::string& pattern) {
  FolderListing out;
  WIN32_FIND_DATAW fd;
  const OwnedFind find = FindFirst(pattern, fd);
  if (!find.ok()) {
    const DWORD code = GetLastError();
    if (!ListsNothing(code)) out.failure = ListingFailure(code);
    return out;
  }
  do out.entries.push_back(EntryOf(fd));
  while (FindNextFileW(find.get(), &fd));
  // A listing cut off part way (a network folder gone) is no whole listing.
  if (const DWORD code = GetLastError(); code != ERROR_NO_MORE_FILES) out.failure = ListingFailure(code);
  return out;
}

FolderHolds Win32FileSystem::HoldsAny(const std::string& folder, bool foldersOnly) {
  // The basic information leaves out the 8.3 name, and the directories-only
  // search lets a file system that can filter skip the files; it is a hint,
  // so each entry is still checked.
  WIN32_FIND_DATAW fd;
  const OwnedFind find(FindFirstFileExW(PlatformPath(AddSlash(folder) + "*").c_str(), FindExInfoBasic, &fd,
                                        foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch,
                                        nullptr, 0));
  if (!find.ok()) return ListsNothing(GetLastError()) ? FolderHolds::Nothing : FolderHolds::Unknown;
  do {
    const bool dots = fd.cFileName[0] == L'.' &&
                      (fd.cFileName[1] == L'\0' || (fd.cFileName[1] == L'.' && fd.cFileName[2] == L'\0'));
    if (dots) continue;
    if (!foldersOnly || (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderHolds::Something;
  } while (FindNextFileW(find.get(), &fd));
  return GetLastError() == ERROR_NO_MORE_FILES ? FolderHolds::Nothing : FolderHolds::Unknown;
}

std::optional<std::uint32_t> Win32FileSystem::AttributesOf(const std::string& path) {
  const DWORD a = AttributesAt(path);
  if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return a;
}

std::optional<bool> Win32FileSystem::Exists(const std::string& path) {
  if (AttributesAt(path) != INVALID_FILE_ATTRIBUTES) return true;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return false;
    default:  // not ready, access denied, a network that does not answer
      return std::nullopt;
  }
}

bool Win32FileSystem::SetAttributesOf(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesW(PlatformPath(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

std::optional<FileTicks> Win32FileSystem::LastWriteOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &d)) return std::nullopt;
  return Ticks(d.ftLastWriteTime);
}

bool Win32FileSystem::SetLastWriteOf(const std::string& path, FileTicks utc) {
  // Attribute access only: the file's data and its sharing stay untouched.
  OwnedHandle h(CreateFileW(PlatformPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) return false;
  const FILETIME ft{DWORD(std::uint64_t(utc) & 0xFFFFFFFF), DWORD(std::uint64_t(utc) >> 32)};
  return SetFileTime(h.get(), nullptr, nullptr, &ft) != 0;
}

std::string Win32FileSystem::ReadWhole(const std::string& path) {
  OwnedHandle h(CreateFileW(PlatformPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.ok()) ThrowFailure("Cannot open", path);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h.get(), &size)) ThrowFailure("Cannot read", path);
  if (std::uint64_t(size.QuadPart) >= std::numeric_limits<std::size_t>::max() / 2)
    ThrowFailure("Cannot read", path, ERROR_NOT_ENOUGH_MEMORY);
  std::string data(std::size_t(size.QuadPart), '\0');
  std::size_t got = 0;
  // Read to the end, also when the file grew since its size was taken.
  for (;;) {
    if (got == data.size()) data.resize(data.size() + kFileChunkBytes);
    DWORD n = 0;
    const DWORD want = DWORD(std::min<std::size_t>(data.size() - got, kChunk));
    if (!ReadFile(h.get(), data.data() + got, want, &n, nullptr)) ThrowFailure("Cannot read", path);
    if (n == 0) break;
    got += n;
  }
  data.resize(got);
  return data;
}

void Win32FileSystem::ReplaceWhole(const std::string& path, const std::string& data) {
  ReplaceWholeStreamed(path, [&data](const BytesSink& put) { put(data); });
}

void Win32FileSystem::ReplaceWholeStreamed(const std::string& path, const BytesWriter& write) {
  // A file with several names is rewritten in place, so that all of them
  // keep showing one file (ReplaceBeside.h says why that is safe): the
  // temporary file's PutInPlaceOf tells, which spares every other file an
  // open here. Without a temporary file such a file is still rewritten, its
  // bytes gathered first.
  TempBeside temp(path);
  if (temp.Path().empty()) {
    const DWORD error = GetLastError();
    if (NameCountOf(path) <= 1) ThrowFailure("Cannot write", path, error);
    std::string data;
    write([&data](std::string_view piece) { data.append(piece); });
    if (!RewriteInPlace(path, data)) ThrowFailure("Cannot write", path);
    return;
  }
  // Each piece goes to the temporary file as it comes; the target is only
  // replaced once all of it is there and flushed.
  {
    OwnedHandle h(CreateFileW(PlatformPath(temp.Path()).c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) ThrowFailure("Cannot write", path);
    write([&h, &path](std::string_view piece) { WriteAll(h.get(), piece.data(), piece.size(), path); });
    if (!FlushFileBuffers(h.get())) ThrowFailure("Cannot write", path);
    if (!h.Close()) ThrowFailure("Cannot write", path);
  }
  if (!temp.PutInPlaceOf(path)) {
    const DWORD error = GetLastError();
    // A read-only file is refused as the platform's own writes refuse it.
    const DWORD old = AttributesAt(path);
    ThrowFailure("Cannot write", path, old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) ? ERROR_ACCESS_DENIED : error);
  }
}

namespace {
// A new content written beside its file, not yet flushed.
struct Written {
  std::size_t index;
  TempBeside temp;
  OwnedHandle handle;
  DWORD flushError = ERROR_SUCCESS;
};

// Flushes each on one of a few threads: a disk's journal commits flushes
// that wait together at once, where one after another each waits its own turn.
void FlushSideBySide(std::vector<Written>& files) {
  if (files.empty()) return;
  std::atomic<std::size_t> next{0};
  const auto flushSome = [&] {
    for (std::size_t i; (i = next++) < files.size();)
      if (!FlushFileBuffers(files[i].handle.get())) files[i].flushError = GetLastError();
  };
  std::vector<std::thread> threads;
  const std::size_t helpers = std::min<std::size_t>(files.size(), kFlushThreads) - 1;
  for (std::size_t t = 0; t < helpers; ++t) {
    try {
      threads.emplace_back(flushSome);
    } catch (const std::system_error&) {
      break;  // fewer threads flush
    }
  }
  flushSome();
  for (std::thread& t : threads) t.join();
}

// The message a failed write throws, to be kept rather than thrown.
std::string FailureOf(const std::string& path, DWORD code = GetLastError()) {
  try {
    ThrowFailure("Cannot write", path, code);
  } catch (const Error& e) {
    return e.what();
  }
}
}  // namespace

std::vector<std::string> Win32FileSystem::ReplaceEach(const std::vector<Replacement>& files) {
  std::vector<std::string> failures(files.size());
  std::vector<Written> written;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& path = files[i].path;
    try {
      TempBeside temp(path);
      // Without a temporary file, as ReplaceWhole does it (a file with several names is rewritten in place).
      if (temp.Path().empty()) {
        ReplaceWhole(path, files[i].data);
        continue;
      }
      OwnedHandle h(CreateFileW(PlatformPath(temp.Path()).c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!h.ok()) ThrowFailure("Cannot write", path);
      WriteAll(h.get(), files[i].data.data(), files[i].data.size(), path);
      written.push_back({i, std::move(temp), std::move(h)});
    } catch (const Error& e) {
      failures[i] = e.what();
    }
  }
  FlushSideBySide(written);
  // Only a file whose new content is durable takes its place; a temporary
  // file that does not is removed with its TempBeside.
  for (Written& w : written) {
    const std::string& path = files[w.index].path;
    if (w.flushError != ERROR_SUCCESS) {
      failures[w.index] = FailureOf(path, w.flushError);
      continue;
    }
    if (!w.handle.Close()) {
      failures[w.index] = FailureOf(path);
      continue;
    }
    if (!w.temp.PutInPlaceOf(path)) {
      const DWORD error = GetLastError();
      const DWORD old = AttributesAt(path);
      failures[w.index] =
          FailureOf(path, old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) ? ERROR_ACCESS_DENIED : error);
    }
  }
  return failures;
}

std::unique_ptr<RandomFile> Win32FileSystem::OpenRandom(const std::string& path, OpenMode mode) {
  const DWORD access = mode == OpenMode::ReadOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  const DWORD share = mode == OpenMode::ReadOnly ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const DWORD disposition = mode == OpenMode::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  OwnedHandle h(
      CreateFileW(PlatformPath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.ok()) ThrowFailure("Cannot open", path);
  return std::make_unique<Win32RandomFile>(std::move(h), path);
}

bool Win32FileSystem::Remove(const std::string& path) {
  const std::wstring wide = PlatformPath(path);
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(wide.c_str()) != 0;
  return DeleteFileW(wide.c_str()) != 0;
}

bool Win32FileSystem::MakeFolders(const std::string& path) {
  const std::string full = RemoveSlash(path);
  // Every prefix that ends before a "\" (past the drive root or the share's
  // "\\server\share\"), then the whole path.
  std::size_t first = 3;
  if (full.size() > 2 && full[0] == '\\' && full[1] == '\\') {
    const std::size_t share = full.find('\\', 2);
    first = share == std::string::npos ? full.size() : full.find('\\', share + 1);
    if (first == std::string::npos) first = full.size();
  }
  for (std::size_t cut = full.find('\\', first); ; cut = full.find('\\', cut + 1)) {
    const std::string part = cut == std::string::npos ? full : full.substr(0, cut);
    if (!part.empty() && !CreateDirectoryW(PlatformPath(part).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      // A prefix that exists but refuses creation (a share's root) is fine; a missing one is not.
      if (!FolderExists(part)) return false;
    }
    if (cut == std::string::npos) break;
  }
  return FolderExists(full);
}
