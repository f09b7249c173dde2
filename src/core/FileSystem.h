#pragma once
// The file-system port. The logic reaches files and folders only through
// this interface; the Win32 adapter implements it over the wide functions,
// the tests over an in-memory tree. Paths are UTF-8. Method names avoid the
// Win32 macro names.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"

// Attribute bits as the platform reports them.
enum : std::uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrFolder = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,
};

// Times are 100-nanosecond ticks since 1601-01-01 UTC, the platform's own unit.
using FileTicks = std::int64_t;

struct DirEntry {
  std::string name;
  std::string altName;  // the 8.3 name the file system keeps; empty when name is one already
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  FileTicks lastWrite = 0;
  bool IsFolder() const { return (attributes & kAttrFolder) != 0; }
};

// A folder's listing, or why it could not be made.
struct FolderListing {
  std::vector<DirEntry> entries;  // what was listed, "." and ".." included as the platform gives them
  std::string failure;            // empty when listed; "access denied", or the system's words
  bool Listed() const { return failure.empty(); }
};

// What a folder was found to hold, as far as its first entries tell.
enum class FolderHolds { Nothing, Something, Unknown };  // Unknown: the folder could not be read

// A file opened for random access (the backup archive appends in place).
class RandomFile {
 public:
  virtual ~RandomFile() = default;
  virtual std::uint64_t Size() = 0;
  virtual void ReadAt(std::uint64_t offset, void* data, std::size_t size) = 0;   // throws Error when short
  virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;  // throws Error
  virtual void Truncate(std::uint64_t size) = 0;
  virtual void Flush() = 0;  // durable on disk when it returns
};

enum class OpenMode { ReadOnly, ReadWrite, CreateAlways };

// ReplaceWhole writes its new file beside the target under a name of this
// form ("~ostrivane-", four hex digits, ".tmp"), which no other program
// uses: a walk never maps such a file, and one left by an interrupted run
// may be removed as the program's own.
inline constexpr std::string_view kReplaceTempPrefix = "~ostrivane-";
inline bool IsReplaceTempName(std::string_view name) {
  const std::size_t prefix = kReplaceTempPrefix.size();
  if (name.size() != prefix + 8) return false;
  for (std::size_t i = 0; i < prefix; ++i)
    if ((name[i] | 0x20) != (kReplaceTempPrefix[i] | 0x20)) return false;
  const std::string_view ext = name.substr(name.size() - 4);
  if (ext[0] != '.' || (ext[1] | 0x20) != 't' || (ext[2] | 0x20) != 'm' || (ext[3] | 0x20) != 'p') return false;
  for (char c : name.substr(prefix, 4))
    if (!((c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'))) return false;
  return true;
}

// Takes a file's bytes a piece at a time; a BytesWriter hands them over.
using BytesSink = std::function<void(std::string_view piece)>;
using BytesWriter = std::function<void(const BytesSink& put)>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The platform's short form of an existing path, whole however long it is;
  // nullopt when the platform has none (the path does not exist).
  virtual std::optional<std::string> ShortPathOf(const std::string& path) = 0;
  // One find-first lookup of a path, every kind of entry (mask 63).
  virtual std::optional<DirEntry> LookUp(const std::string& path) = 0;
  // The entries a pattern (folder + "*", "*.ini" ...) lists, or why the
  // folder could not be listed. A pattern that matches nothing, and a folder
  // that is not there (gone since its parent was listed), list nothing.
  virtual FolderListing ListFolderChecked(const std::string& pattern) = 0;
  // The entries alone, as far as the listing went (none when the folder
  // could not be opened).
  std::vector<DirEntry> ListFolder(const std::string& pattern) { return ListFolderChecked(pattern).entries; }
  // Whether a folder holds any entry ("." and ".." aside; with foldersOnly,
  // any subfolder), stopping at the first: cheap enough to ask of every
  // folder a tree shows. A folder that is not there holds Nothing; one that
  // cannot be read is Unknown.
  virtual FolderHolds HoldsAny(const std::string& folder, bool foldersOnly) = 0;

  // nullopt when nothing exists at the path.
  virtual std::optional<std::uint32_t> AttributesOf(const std::string& path) = 0;
  // Whether anything is at the path; nullopt when the platform cannot tell
  // (a drive that is not ready, a folder that may not be looked into).
  virtual std::optional<bool> Exists(const std::string& path) { return AttributesOf(path).has_value(); }
  // false when the platform refuses.
  virtual bool SetAttributesOf(const std::string& path, std::uint32_t attributes) = 0;
  virtual std::optional<FileTicks> LastWriteOf(const std::string& path) = 0;
  // false when the platform refuses (a read-only file may refuse it).
  virtual bool SetLastWriteOf(const std::string& path, FileTicks utc) = 0;

  // The whole file, opened with sharing for other readers and writers. Throws Error.
  virtual std::string ReadWhole(const std::string& path) = 0;
  // Writes a new file beside the old one, flushes it and puts it in the old
  // one's place, so a failure never leaves a half-written file; the file
  // keeps its permissions, streams, creation time and attributes. A file with
  // more than one name (hard links) is rewritten in place instead, so every
  // name shows the new content: a crash during that write can tear it, so
  // callers back such a file up durably first. Throws Error.
  virtual void ReplaceWhole(const std::string& path, const std::string& data) = 0;
  // One file's new content, for ReplaceEach.
  struct Replacement {
    std::string path;
    std::string data;
  };
  // Replaces each file as ReplaceWhole does; a platform that can flushes
  // their new contents side by side before the first takes its file's
  // place, so a group waits about as long as one flush. Each file's failure
  // ("" for none), in order: one that fails leaves the others going.
  virtual std::vector<std::string> ReplaceEach(const std::vector<Replacement>& files) {
    std::vector<std::string> failures;
    for (const Replacement& file : files) {
      try {
        ReplaceWhole(file.path, file.data);
        failures.emplace_back();
      } catch (const Error& e) {
        failures.emplace_back(e.what());
      }
    }
    return failures;
  }
  // The same for data too large to hold twice (a change report of every
  // finding): `write` hands its bytes to the function it is given, piece by
  // piece, as it makes them; should it throw, the old file stays as it was.
  // Here it is gathered and written whole; the platform's adapter writes
  // each piece as it comes.
  virtual void ReplaceWholeStreamed(const std::string& path, const BytesWriter& write) {
    std::string data;
    write([&data](std::string_view piece) { data.append(piece); });
    ReplaceWhole(path, data);
  }
  virtual std::unique_ptr<RandomFile> OpenRandom(const std::string& path, OpenMode mode) = 0;  // throws Error
  virtual bool Remove(const std::string& path) = 0;
  // Creates the folder and every missing folder above it; false on failure.
  virtual bool MakeFolders(const std::string& path) = 0;

  bool FileExists(const std::string& path) {
    auto a = AttributesOf(path);
    return a && !(*a & kAttrFolder);
  }
  bool FolderExists(const std::string& path) {
    auto a = AttributesOf(path);
    return a && (*a & kAttrFolder);
  }
};
