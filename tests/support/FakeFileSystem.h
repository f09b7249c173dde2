#pragma once
// An in-memory file system with Windows path rules (case-insensitive A-Z,
// "\" separators, drive roots) for native tests.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/FileSystem.h"

class FakeFileSystem : public FileSystem {
 public:
  struct Node {
    std::string data;
    std::uint32_t attributes = kAttrArchive;
    std::string altName;
    FileTicks lastWrite = 0;
    // What a power loss leaves of the file: its content at its last flush
    // (or atomic replace); none: it was never made durable.
    std::optional<std::string> durable;
  };

  // Adds a folder (and every missing folder above it).
  void AddFolder(const std::string& path, std::uint32_t attributes = kAttrFolder, const std::string& altName = "");
  void AddFile(const std::string& path, const std::string& data, std::uint32_t attributes = kAttrArchive,
               const std::string& altName = "");
  bool Has(const std::string& path) const;
  Node& At(const std::string& path);
  // The platform's short form of an existing path: each component's
  // altName where it has one. Turned off to mimic a file system without 8.3 names.
  bool shortNamesEnabled = true;
  // Called before every ReplaceWhole / RandomFile write: tests throw from it to
  // simulate a failure or a crash at that moment.
  std::function<void(const std::string& path)> beforeWrite;
  // ReplaceWhole goes the adapter's way: a temporary file beside the target
  // ("~ostrivane-0001.tmp", the first free number) is made, written,
  // flushed, and renamed over the target. Called after each step: tests
  // throw from it to stop the replacement there as a kill would, leaving
  // what that step left (nothing is cleaned up).
  enum class ReplaceStep { TempMade, TempWritten, TempFlushed, Renamed };
  std::function<void(const std::string& path, ReplaceStep step)> afterReplaceStep;
  // Called before every ReadWhole: tests throw from it to make a read fail
  // or change the file meanwhile.
  std::function<void(const std::string& path)> beforeRead;
  // Folders whose listing fails, with the reason the platform would give.
  void DenyListing(const std::string& folder, const std::string& failure = "access denied");
  // A path whose existence the platform cannot tell (a drive not ready).
  void CannotTell(const std::string& path) {
    const std::lock_guard<std::recursive_mutex> hold(mutex_);
    cannotTell_.insert(Key(path));
  }
  FileTicks now = 0;  // stamped as lastWrite on every write
  // Counted atomically: searches side by side list and read from their threads.
  std::atomic<int> listCalls{0};
  std::atomic<int> readCalls{0};
  std::atomic<int> flushes{0};  // disk round trips: RandomFile::Flush and each ReplaceWhole
  // Every file as it stands is on disk (a test's set-up before a run).
  void MarkAllDurable();
  // The machine loses power: every file goes back to what was made durable
  // of it, and one never flushed is gone.
  void LosePower();

  std::optional<std::string> ShortPathOf(const std::string& path) override;
  std::optional<DirEntry> LookUp(const std::string& path) override;
  FolderListing ListFolderChecked(const std::string& pattern) override;
  FolderHolds HoldsAny(const std::string& folder, bool foldersOnly) override;
  std::optional<std::uint32_t> AttributesOf(const std::string& path) override;
  std::optional<bool> Exists(const std::string& path) override;
  bool SetAttributesOf(const std::string& path, std::uint32_t attributes) override;
  std::optional<FileTicks> LastWriteOf(const std::string& path) override;
  bool SetLastWriteOf(const std::string& path, FileTicks utc) override;
  std::string ReadWhole(const std::string& path) override;
  void ReplaceWhole(const std::string& path, const std::string& data) override;
  std::unique_ptr<RandomFile> OpenRandom(const std::string& path, OpenMode mode) override;
  bool Remove(const std::string& path) override;
  bool MakeFolders(const std::string& path) override;

  // Paths of every node, in listing order.
  std::vector<std::string> Paths() const;

 private:
  static std::string Key(const std::string& path);
  std::string Resolve(const std::string& path) const;
  std::map<std::string, std::string> display_;  // key -> path as created
  std::map<std::string, Node> nodes_;
  std::map<std::string, std::string> listFailures_;  // folder key -> failure
  std::set<std::string> cannotTell_;
  // Walks on several threads list, read and remove (an interrupted run's
  // temporary files) at once; the test's hooks are called outside it.
  mutable std::recursive_mutex mutex_;
};

// Glob match of a listing pattern's last component ("*", "*.ini"), A-Z case folded.
bool FakeWildcardMatch(const std::string& pattern, const std::string& name);
