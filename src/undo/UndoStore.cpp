#include "undo/UndoStore.h"

#include "engine/WrittenRecord.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>

#include "core/Error.h"
#include "core/Text.h"
#include "engine/ChangeReport.h"
#include "engine/RunLock.h"
#include "undo/CivilTime.h"

namespace {
// Every file of an entry: the move record, the registry backup, the file
// backups, the change report and the record of what the run wrote. Listing,
// numbering, deleting and the age limit all go by this one list.
constexpr const char* kReportExtension = ".log";

struct Found {
  UndoListEntry entry;
  FileTicks time;
};

// The times of an entry's files as the listing gives them: the report's
// apart, as an undo writes to it.
struct EntryFiles {
  std::optional<FileTicks> record;
  std::optional<FileTicks> report;
};
}  // namespace

std::optional<UndoName> RecordFileEntry(const std::string& fileName) {
  const std::optional<UndoName> name = UndoName::OfFileName(fileName);
  if (!name) return std::nullopt;
  const std::string ext = fileName.substr(name->Text().size());
  if (std::none_of(std::begin(kRecordExtensions), std::end(kRecordExtensions),
                   [&](const char* e) { return EqualNoCaseAZ(ext, e); }))
    return std::nullopt;
  return name;
}

UndoStore::UndoStore(FileSystem& fs, UndoPlatform& platform, std::string programFolder)
    : fs_(fs), platform_(platform), folder_(AddSlash(programFolder)) {}

void UndoStore::AddEarlierFolder(const std::string& folder) {
  const std::string f = AddSlash(folder);
  if (!EqualFold(f, folder_)) earlier_.push_back(f);
}

std::vector<std::string> UndoStore::Folders() const {
  std::vector<std::string> all{folder_};
  all.insert(all.end(), earlier_.begin(), earlier_.end());
  return all;
}

std::string UndoStore::FolderOf(const UndoName& name) const {
  for (const std::string& f : Folders())
    for (const char* ext : kRecordExtensions)
      if (fs_.FileExists(f + name.FileName(ext))) return f;
  return folder_;
}

std::string UndoStore::RecordPath(const UndoName& name, const char* extension) const {
  return FolderOf(name) + name.FileName(extension);
}

int UndoStore::NextUndoNumber() {
  AgeCleanup();
  return NextFreeNumber();
}

void UndoStore::RebuildList() {
  AgeCleanup();
  Rebuild();
}

int UndoStore::IndexOf(const UndoName& name) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].name == name) return static_cast<int>(i);
  return -1;
}

// Only the entries the list shows are judged, each record file by its own age.
template <class Each>
void UndoStore::ForAgedOut(int index, Each old) {
  static constexpr int kDays[] = {1, 7, 30};
  if (index == kAgeDoNotDelete) return;
  const std::int64_t limit = index >= 0 && index < 3 ? kDays[index] : 99999;
  const FileTicks now = platform_.LocalNow();
  for (const UndoListEntry& entry : entries_) {
    for (const char* ext : kRecordExtensions) {
      const std::string path = RecordPath(entry.name, ext);
      if (!fs_.FileExists(path)) continue;
      const auto written = fs_.LastWriteOf(path);
      if (!written) continue;
      const std::int64_t ageDays = std::llabs(now - platform_.ToLocal(*written)) / kTicksPerDay;
      if (ageDays > limit) old(entry.name, path);
    }
  }
}

void UndoStore::AgeCleanup() {
  // One that cannot be deleted stays, unreported.
  ForAgedOut(ageLimitIndex, [this](const UndoName&, const std::string& path) { fs_.Remove(path); });
}

std::vector<UndoName> UndoStore::EntriesAgedOut(int index) {
  std::vector<UndoName> going;
  ForAgedOut(index, [&](const UndoName& name, const std::string&) {
    if (going.empty() || going.back() != name) going.push_back(name);
  });
  std::sort(going.begin(), going.end());
  return going;
}

int UndoStore::NextFreeNumber() {
  std::set<int> taken;
  for (const std::string& f : Folders())
    for (const DirEntry& e : fs_.ListFolder(f + "Undo*")) {
      if (const std::optional<UndoName> name = RecordFileEntry(e.name)) taken.insert(name->Number());
    }
  // The listing narrows the search; each candidate is still checked by name,
  // so a listing that fails never hands out a number in use.
  for (int n = UndoName::kFirst; n <= UndoName::kLast; ++n) {
    if (taken.count(n)) continue;
    const UndoName name = *UndoName::OfNumber(n);
    bool used = false;
    for (const std::string& f : Folders())
      used |= std::any_of(std::begin(kRecordExtensions), std::end(kRecordExtensions),
                          [&](const char* ext) { return fs_.AttributesOf(f + name.FileName(ext)).has_value(); });
    if (!used) return n;
  }
  return -1;
}

void UndoStore::Rebuild() {
  // One entry per undo number; names that merely begin with "Undo" are no
  // records. An entry is timed by its run's start as its report keeps it.
  // Records of earlier builds keep no such time: the first of the entry's
  // files the listing returns times it, its report only when it has no other
  // file, as an undo adds to the report.
  std::vector<UndoName> order;
  std::map<UndoName, EntryFiles> files;
  for (const std::string& f : Folders())
    for (const DirEntry& e : fs_.ListFolder(f + "Undo*")) {
      const std::optional<UndoName> name = RecordFileEntry(e.name);
      if (!name || e.IsFolder()) continue;
      const auto [at, added] = files.try_emplace(*name);
      if (added) order.push_back(*name);
      const bool report = EqualNoCaseAZ(e.name.substr(name->Text().size()), kReportExtension);
      std::optional<FileTicks>& time = report ? at->second.report : at->second.record;
      if (!time) time = e.lastWrite;
    }
  std::vector<Found> found;
  for (const UndoName& name : order) {
    UndoListEntry entry(name);
    const std::optional<FileTicks> started = ReadReportInto(entry);
    const EntryFiles& f = files.at(name);
    const FileTicks time = started ? *started : f.record ? *f.record : *f.report;
    entry.date = DateTimeText(time);
    found.push_back({std::move(entry), time});
  }
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time < b.time; });
  entries_.clear();
  for (Found& f : found) entries_.push_back(std::move(f.entry));
}

std::optional<FileTicks> UndoStore::ReadReportInto(UndoListEntry& entry) {
  const std::string path = RecordPath(entry.name, kReportExtension);
  if (!fs_.FileExists(path)) return std::nullopt;  // older records have none
  ReadReport report;
  try {
    // Whole: the undo sections are at its end.
    report = ReadChangeReport(fs_.ReadWhole(path));
  } catch (const std::exception&) {
    return std::nullopt;  // the entry is listed all the same, timed by its files
  }
  if (const std::string mode = report.Field("Mode"); !mode.empty()) {
    entry.mode = ModeNamed(mode).value_or(RunMode::MapOnly);
    entry.find = report.Field("Find");
    entry.replace = report.Field("Replace");
  }
  // The last undo counts; one made by an earlier build keeps no stamp.
  for (const auto& [row, value] : report.undo) {
    if (row == kUndoRow) {
      entry.state = UndoState::Undone;
      entry.undoneAt.reset();
    } else if (row == kUndoUtcRow) {
      entry.undoneAt = ShortLocalText(UtcStampTicks(value));
    } else if (row == kNotRestoredRow) {
      entry.state = UndoState::PartlyUndone;
    }
  }
  return UtcStampTicks(report.Field(kStartedUtcRow));
}

std::string UndoStore::NowText() { return LocalTimeText(platform_.LocalNow()); }

std::string UndoStore::NowUtcStamp() { return UtcStampText(platform_.UtcNow()); }

void UndoStore::AppendUndoSection(const UndoName& name, const std::vector<std::string>& restored,
                                  const std::vector<std::string>& notRestored) {
  const std::string path = RecordPath(name, kReportExtension);
  if (!fs_.FileExists(path)) return;
  fs_.ReplaceWhole(path, fs_.ReadWhole(path) + UndoSectionText(NowText(), NowUtcStamp(), restored, notRestored));
}

std::optional<std::string> UndoStore::ShortLocalText(std::optional<FileTicks> utc) {
  if (!utc) return std::nullopt;
  const FileTicks local = platform_.ToLocal(*utc);
  return platform_.ShortDate(local) + " " + platform_.ShortTime(local);
}

std::string UndoStore::DateTimeText(FileTicks utc) { return LocalTimeText(platform_.ToLocal(utc)); }

std::string UndoStore::LocalTimeText(FileTicks local) {
  std::string text = platform_.ShortDate(local);
  if (local % kTicksPerDay / 10'000 != 0) {  // left out at exactly midnight
    text += ' ';
    text += platform_.LongTime(local);
  }
  return text;
}

void UndoStore::DeleteEntry(const UndoName& name) {
  RunLockScope locked(lock_);
  const std::string folder = FolderOf(name);
  std::vector<std::string> kept;
  for (const char* ext : kRecordExtensions) {
    const std::string path = folder + name.FileName(ext);
    if (fs_.FileExists(path) && !fs_.Remove(path) && fs_.FileExists(path)) kept.push_back(path);
  }
  if (kept.empty()) return;
  std::string message = "Not every record of " + name.Text() + " could be deleted (in use by another program?):";
  for (const std::string& path : kept) message += "\n" + path;
  throw Error(message);
}

RestoreResult UndoStore::RestoreFiles(const UndoName& name, const RestorePlace& placeOf, const RestoreGuard& guard,
                                      const RestoreCheck& check, const PlaceDone& each) {
  const std::string archive = RecordPath(name, ".zip");
  if (!fs_.FileExists(archive)) return {};
  return RestoreArchive(fs_, platform_, archive, placeOf, guard, check, each);
}
