#include "undo/FileBackupArchive.h"

#include <algorithm>
#include <set>

#include "core/Error.h"
#include "core/Sha256.h"
#include "core/Text.h"
#include "core/Unicode.h"
#include "engine/SearchThread.h"
#include "undo/CivilTime.h"
#include "undo/ZipArchive.h"

namespace {

constexpr std::uint32_t kKeptAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

// The archive belongs to the run's own thread: a search beside it changes
// nothing, and a backup from one would race the run's.
void RefuseSearchThread() {
  if (OnSearchThread()) throw Error("A search backs nothing up: the backup archive is the run's own.");
}

// Puts a file's attributes back when the scope ends, however it ends.
class AttributesCleared {
 public:
  AttributesCleared(FileSystem& fs, std::string path, std::uint32_t attributes)
      : fs_(fs), path_(std::move(path)), attributes_(attributes) {
    fs_.SetAttributesOf(path_, 0);
  }
  ~AttributesCleared() { fs_.SetAttributesOf(path_, attributes_); }
  AttributesCleared(const AttributesCleared&) = delete;
  AttributesCleared& operator=(const AttributesCleared&) = delete;

 private:
  FileSystem& fs_;
  std::string path_;
  std::uint32_t attributes_;
};

// The entry's last write in UTC: exact where the archive kept it, else from
// its MS-DOS time, which is local and in two-second steps.
std::optional<FileTicks> LastWriteOf(const ZipEntry& e, UndoPlatform& platform) {
  if (e.lastWrite) return e.lastWrite;
  if (e.dosDate == 0) return std::nullopt;  // no time stored
  return platform.FromLocal(LocalOfDos({e.dosDate, e.dosTime}));
}

std::string Swap(std::string text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}

bool IsBadComponent(const std::string& c) {
  if (c.empty() || c.back() == '.' || c.back() == ' ') return true;  // the system would strip them: "..", "a.", ".. "
  for (unsigned char ch : c)
    if (ch < 32 || std::string_view(":*?\"<>|/").find(static_cast<char>(ch)) != std::string_view::npos) return true;
  return false;
}

}  // namespace

bool IsRestorablePath(const std::string& path) {
  if (path.size() < 4 || UpperAZ(path[0]) < 'A' || UpperAZ(path[0]) > 'Z' || path[1] != ':' || path[2] != '\\')
    return false;
  std::size_t start = 3;
  while (true) {
    const std::size_t cut = path.find('\\', start);
    if (IsBadComponent(path.substr(start, cut == std::string::npos ? std::string::npos : cut - start))) return false;
    if (cut == std::string::npos) return true;
    start = cut + 1;
  }
}

FileBackupArchive::FileBackupArchive(FileSystem& fs, UndoPlatform& platform) : fs_(fs), platform_(platform) {}
FileBackupArchive::~FileBackupArchive() = default;

void FileBackupArchive::SetArchiveName(const std::string& path) {
  RefuseSearchThread();
  archivePath_ = path;
  zip_.reset();
  names_.clear();
  batched_.clear();
}

// The directory in memory follows the archive on disk; the archive is
// opened only for the moment of each append, so that it can be deleted from
// the undo list as soon as the run is over.
void FileBackupArchive::SyncWithDisk() {
  const auto onDisk = fs_.LookUp(archivePath_);
  if (!onDisk) {
    // Gone since this run's last backup (deleted from the undo list, taken
    // by another program): a fresh archive would hide that the changes
    // made so far have lost their backups, so the run stops here.
    if (zip_)
      throw Error("The backup archive " + archivePath_ +
                  " has disappeared during the run.  The run stops before its next change.");
    names_.clear();
    return;
  }
  if (zip_ && onDisk->size == zip_->ExpectedSize()) return;
  auto file = fs_.OpenRandom(archivePath_, OpenMode::ReadOnly);
  ZipDirectory dir = ReadZipDirectory(*file);
  if (dir.recovered && dir.entries.empty() && onDisk->size >= 4) {
    char magic[4];
    file->ReadAt(0, magic, 4);
    if (std::string(magic, 4) != "PK\x03\x04")  // not even a torn first entry of ours
      throw Error(archivePath_ + " is no backup archive: no backup is written into it.");
  }
  names_.clear();
  for (const ZipEntry& e : dir.entries)
    names_.insert(FoldKey(Swap(EntryNameText(e, platform_.OemCodePage()), '/', '\\')));
  zip_ = std::make_unique<ZipAppender>(std::move(dir));
}

std::optional<ZipAppender::NewEntry> FileBackupArchive::ReadForBackup(const std::string& path,
                                                                     std::uint32_t attributes) {
  const std::optional<FileTicks> lastWrite = fs_.LastWriteOf(path);
  ZipAppender::NewEntry entry;
  try {
    AttributesCleared cleared(fs_, path, attributes);
    entry.data = fs_.ReadWhole(path);
  } catch (const Error&) {
    return std::nullopt;  // locked or no access: left out, as the caller expects
  }
  // Stored in UTF-8, flagged so: every name a path can have fits.
  entry.name = Swap(path, '\\', '/');
  const DosDateTime dos = DosOf(platform_.ToLocal(lastWrite.value_or(0)));
  entry.dosDate = dos.date;
  entry.dosTime = dos.time;
  entry.attributes = attributes & kKeptAttributes;
  entry.lastWrite = lastWrite;
  return entry;
}

void FileBackupArchive::Write(const std::vector<ZipAppender::NewEntry>& entries) {
  try {
    auto file = fs_.OpenRandom(archivePath_, zip_ ? OpenMode::ReadWrite : OpenMode::CreateAlways);
    if (!zip_) zip_ = std::make_unique<ZipAppender>(ZipDirectory{});
    zip_->AppendAll(*file, entries);
  } catch (const Error& e) {
    std::string names;
    for (const ZipAppender::NewEntry& n : entries) names += (names.empty() ? "" : ", ") + Swap(n.name, '/', '\\');
    throw Error("The backup of " + names + " cannot be written into " + archivePath_ + ": " + e.what() +
                "  The run stops before its next change.");
  }
}

bool FileBackupArchive::BackupFile(const std::string& path) {
  RefuseSearchThread();
  const auto attributes = fs_.AttributesOf(path);
  if (!attributes || (*attributes & kAttrFolder)) return false;
  if (archivePath_.empty()) throw Error("No backup archive has been named for this run.");
  if (!IsRestorablePath(path)) throw Error(path + " cannot be backed up: it is not a full path on a drive.");
  SyncWithDisk();
  if (names_.count(FoldKey(path))) return true;  // the archive already holds its state before the run
  std::optional<ZipAppender::NewEntry> entry = ReadForBackup(path, *attributes);
  if (!entry) return false;
  Write({std::move(*entry)});
  names_.insert(FoldKey(path));
  return true;
}

void FileBackupArchive::BackupFiles(const std::vector<std::string>& paths) {
  RefuseSearchThread();
  if (archivePath_.empty()) throw Error("No backup archive has been named for this run.");
  SyncWithDisk();
  std::vector<ZipAppender::NewEntry> batch;
  std::set<std::string> keys;
  std::size_t bytes = 0;
  const auto flush = [&] {
    Write(batch);
    names_.insert(keys.begin(), keys.end());
    batch.clear();
    keys.clear();
    bytes = 0;
  };
  for (const std::string& path : paths) {
    // What cannot be saved here is refused by BackupFile, in its turn.
    const auto attributes = fs_.AttributesOf(path);
    if (!attributes || (*attributes & kAttrFolder) || !IsRestorablePath(path)) continue;
    std::string key = FoldKey(path);
    if (names_.count(key) || keys.count(key)) continue;
    std::optional<ZipAppender::NewEntry> entry = ReadForBackup(path, *attributes);
    if (!entry) continue;
    batched_[key] = Sha256Hex(entry->data);
    bytes += entry->data.size();
    batch.push_back(std::move(*entry));
    keys.insert(std::move(key));
    if (bytes >= kBatchBytes) flush();
  }
  if (!batch.empty()) flush();
}

bool FileBackupArchive::BackedUpAs(const std::string& path, std::string_view content) {
  RefuseSearchThread();
  // Asked before the file's first change; after that the file holds the
  // run's own writing, which a later pass finds.
  const auto it = batched_.find(FoldKey(path));
  if (it == batched_.end()) return true;
  const bool same = it->second == Sha256Hex(content);
  batched_.erase(it);
  return same;
}

namespace {
// A file in which no entry was found: empty, or torn inside its first header
// (a run stopped before its first backup was whole, so nothing was changed),
// or bytes of another kind, which are no archive of ours, and that is said.
void ThrowIfNoZip(RandomFile& file) {
  const std::uint64_t size = file.Size();
  if (size == 0) return;
  std::string magic(static_cast<std::size_t>(std::min<std::uint64_t>(size, 4)), '\0');
  file.ReadAt(0, magic.data(), magic.size());
  if (std::string_view("PK\x03\x04").substr(0, magic.size()) != magic &&
      std::string_view("PK\x05\x06").substr(0, magic.size()) != magic)
    throw Error("it is no ZIP archive");
}

// Why no file may be written to `target`, or none when one may.
std::optional<EngineRefusal> TargetRefusal(const std::string& target, const RestoreGuard& guard) {
  if (!IsRestorablePath(target)) return EngineRefusal{RefusalReason::NotFullPath, target, ""};
  return guard ? guard(target) : std::nullopt;
}

// Whether the check lets the entry be written back; what it found instead is
// counted into the result.
bool CheckAllows(const RestoreCheck& check, const std::string& savedFrom, const std::string& target,
                 std::string& data, bool& ownContent, RestoreResult& result) {
  if (!check) return true;
  RestoreDecision decision = check(savedFrom, target, data);
  if (decision.verdict == RestoreVerdict::Restore && decision.content) {
    data = std::move(*decision.content);
    ownContent = true;
  }
  switch (decision.verdict) {
    case RestoreVerdict::NotChanged: return false;
    case RestoreVerdict::AlreadyAsBefore: ++result.alreadyAsBefore; return false;
    case RestoreVerdict::Changed: result.changed.push_back(std::move(decision.why)); return false;
    case RestoreVerdict::Restore: break;
  }
  return true;
}

// Names a file the restore left, and why.
void NameNotRestored(RestoreResult& result, const std::string& target, const std::string& why) {
  result.refusals.push_back(target + " was not restored: " + why + ".");
}

// Entries written back a group at a time: the files' new contents are
// flushed side by side, so a group waits about as long as one flush. Each
// file gets the last-write time it was saved with (savedTime; else the
// write's own); a new file also gets its saved attributes, an existing one
// keeps its own.
class WriteBackGroup {
 public:
  WriteBackGroup(FileSystem& fs, UndoPlatform& platform, RestoreResult& result)
      : fs_(fs), platform_(platform), result_(result) {}
  WriteBackGroup(const WriteBackGroup&) = delete;
  WriteBackGroup& operator=(const WriteBackGroup&) = delete;

  // Held until the group is full; `e` outlives the group.
  void Add(const ZipEntry& e, std::string target, std::string data, bool savedTime) {
    bytes_ += data.size();
    held_.push_back({&e, std::move(target), std::move(data), savedTime});
    if (held_.size() >= kMostFiles || bytes_ >= kMostBytes) Write();
  }

  void Write() {
    if (held_.empty()) return;
    std::vector<FileSystem::Replacement> files;
    std::vector<Held*> going;
    // The time goes on while the attributes are cleared: a read-only file may refuse it.
    std::vector<std::unique_ptr<AttributesCleared>> cleared;
    for (Held& h : held_) {
      const std::string folder = SplitItemPath(h.target).folder;
      if (!fs_.FolderExists(folder) && !fs_.MakeFolders(RemoveSlash(folder))) {
        Refuse(h.target, "its folder cannot be created");
        continue;
      }
      h.before = fs_.AttributesOf(h.target);
      if (h.before && (*h.before & kAttrFolder)) {
        Refuse(h.target, "a folder of that name stands in its place");
        continue;
      }
      if (h.before) cleared.push_back(std::make_unique<AttributesCleared>(fs_, h.target, *h.before));
      files.push_back({h.target, std::move(h.data)});
      going.push_back(&h);
    }
    const std::vector<std::string> failures = fs_.ReplaceEach(files);
    for (std::size_t i = 0; i < going.size(); ++i) {
      const Held& h = *going[i];
      if (!failures[i].empty()) {
        Refuse(h.target, failures[i]);
        continue;
      }
      const std::optional<FileTicks> lastWrite = h.savedTime ? LastWriteOf(*h.entry, platform_) : std::nullopt;
      if (lastWrite && !fs_.SetLastWriteOf(h.target, *lastWrite))
        result_.refusals.push_back(h.target + " was restored, but its last-write time could not be set back.");
      if (!h.before && (h.entry->attributes & kKeptAttributes))
        fs_.SetAttributesOf(h.target, h.entry->attributes & kKeptAttributes);
      ++result_.restored;
      result_.written.push_back(h.target);
    }
    held_.clear();
    bytes_ = 0;
  }

 private:
  // Few enough that what waits is small, and the look at each file just before.
  static constexpr std::size_t kMostFiles = 32;
  static constexpr std::size_t kMostBytes = std::size_t(16) << 20;
  struct Held {
    const ZipEntry* entry;
    std::string target;
    std::string data;
    bool savedTime;
    std::optional<std::uint32_t> before;  // its attributes, where there is a file
  };
  void Refuse(const std::string& target, const std::string& why) { NameNotRestored(result_, target, why); }

  FileSystem& fs_;
  UndoPlatform& platform_;
  RestoreResult& result_;
  std::vector<Held> held_;
  std::size_t bytes_ = 0;
};
}  // namespace

RestoreResult RestoreArchive(FileSystem& fs, UndoPlatform& platform, const std::string& archivePath,
                             const RestorePlace& placeOf, const RestoreGuard& guard, const RestoreCheck& check,
                             const PlaceDone& each) {
  auto file = fs.OpenRandom(archivePath, OpenMode::ReadOnly);
  RestoreResult result;
  // Damaged entries are named at the end: a name may still come back whole
  // from another copy of its entry.
  std::vector<std::pair<std::string, std::string>> damaged;  // fold key, message
  CodePage& oem = platform.OemCodePage();

  const std::vector<ZipEntryReadings> entries = SalvageZipEntries(*file);
  if (entries.empty()) ThrowIfNoZip(*file);

  std::set<std::string> done;  // a name twice: the first whole copy is the older state
  std::size_t taken = 0;
  WriteBackGroup group(fs, platform, result);
  for (const ZipEntryReadings& readings : entries) {
    const ZipEntry& e = readings.front();
    const std::string savedFrom = Swap(EntryNameText(e, oem), '/', '\\');
    if (each) each(taken++, entries.size(), savedFrom);
    // A flagged name that is no UTF-8 would reach the platform as another name.
    if (!IsValidUtf8(savedFrom)) {
      NameNotRestored(result, savedFrom, "its name in the archive is not valid UTF-8");
      continue;
    }
    result.seen.insert(FoldKey(savedFrom));
    if (done.count(FoldKey(savedFrom))) continue;
    std::string data;
    try {
      data = ExtractSalvaged(*file, readings);
    } catch (const Error& err) {
      damaged.emplace_back(FoldKey(savedFrom), savedFrom + " was not restored: its backup in the archive is damaged (" +
                                                   err.what() + ").");
      continue;
    }
    done.insert(FoldKey(savedFrom));
    const std::optional<std::string> place = placeOf ? placeOf(savedFrom) : savedFrom;
    if (!place) {
      ++result.leftOut;
      continue;
    }
    const std::string& target = *place;
    if (const std::optional<EngineRefusal> refused = TargetRefusal(target, guard)) {
      result.refusals.push_back(RefusalText(*refused));
      continue;
    }
    bool ownContent = false;
    if (!CheckAllows(check, savedFrom, target, data, ownContent, result)) continue;
    group.Add(e, target, std::move(data), !ownContent);
  }
  group.Write();
  for (auto& [key, message] : damaged)
    if (!done.count(key)) result.refusals.push_back(std::move(message));
  return result;
}
