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
constexpr int kLastUndoNumber = 99999;

struct Found {
  std::string name;
  FileTicks time;
  std::string tail;  // what follows the time: the run's summary and when it was undone
};

// The times of an entry's files as the listing gives them: the report's
// apart, as an undo writes to it.
struct EntryFiles {
  std::optional<FileTicks> record;
  std::optional<FileTicks> report;
};
}  // namespace

int UndoRecordNumber(const std::string& fileName) {
  if (fileName.size() < 10 || !EqualNoCaseAZ(fileName.substr(0, 4), "Undo") || fileName[9] != '.') return -1;
  const std::string ext = fileName.substr(9);
  if (std::none_of(std::begin(kRecordExtensions), std::end(kRecordExtensions),
                   [&](const char* e) { return EqualNoCaseAZ(ext, e); }))
    return -1;
  int n = 0;
  for (std::size_t i = 4; i < 9; ++i) {
    if (fileName[i] < '0' || fileName[i] > '9') return -1;
    n = n * 10 + (fileName[i] - '0');
  }
  return n;
}

UndoStore::UndoStore(FileSystem& fs, UndoPlatform& platform, std::string programFolder)
    : fs_(fs), platform_(platform), folder_(AddSlash(programFolder)) {
  names_.emplace_back();
}

void UndoStore::AddEarlierFolder(const std::string& folder) {
  const std::string f = AddSlash(folder);
  if (!EqualFold(f, folder_)) earlier_.push_back(f);
}

std::vector<std::string> UndoStore::Folders() const {
  std::vector<std::string> all{folder_};
  all.insert(all.end(), earlier_.begin(), earlier_.end());
  return all;
}

std::string UndoStore::FolderOf(const std::string& undoName) const {
  for (const std::string& f : Folders())
    for (const char* ext : kRecordExtensions)
      if (fs_.FileExists(f + undoName + ext)) return f;
  return folder_;
}

int UndoStore::NextUndoNumber() {
  AgeCleanup();
  return NextFreeNumber();
}

void UndoStore::RebuildList() {
  AgeCleanup();
  Rebuild();
}

int UndoStore::IndexOf(const std::string& undoName) const {
  for (std::size_t i = 0; i < names_.size(); ++i)
    if (!names_[i].empty() && EqualFold(names_[i], undoName)) return static_cast<int>(i);
  return -1;
}

// Only the entries the list shows are judged, each record file by its own age.
template <class Each>
void UndoStore::ForAgedOut(int index, Each old) {
  static constexpr int kDays[] = {1, 7, 30};
  if (index == kAgeDoNotDelete) return;
  const std::int64_t limit = index >= 0 && index < 3 ? kDays[index] : 99999;
  const FileTicks now = platform_.LocalNow();
  for (const std::string& name : names_) {
    if (name.empty()) continue;
    for (const char* ext : kRecordExtensions) {
      const std::string path = FolderOf(name) + name + ext;
      if (!fs_.FileExists(path)) continue;
      const auto written = fs_.LastWriteOf(path);
      if (!written) continue;
      const std::int64_t ageDays = std::llabs(now - platform_.ToLocal(*written)) / kTicksPerDay;
      if (ageDays > limit) old(name, path);
    }
  }
}

void UndoStore::AgeCleanup() {
  // One that cannot be deleted stays, unreported.
  ForAgedOut(ageLimitIndex, [this](const std::string&, const std::string& path) { fs_.Remove(path); });
}

std::vector<std::string> UndoStore::EntriesAgedOut(int index) {
  std::vector<std::string> going;
  ForAgedOut(index, [&](const std::string& name, const std::string&) {
    if (going.empty() || going.back() != name) going.push_back(name);
  });
  std::sort(going.begin(), going.end());
  return going;
}

int UndoStore::NextFreeNumber() {
  std::set<int> taken;
  for (const std::string& f : Folders())
    for (const DirEntry& e : fs_.ListFolder(f + "Undo*")) {
      const int n = UndoRecordNumber(e.name);
      if (n >= 0) taken.insert(n);
    }
  // The listing narrows the search; each candidate is still checked by name,
  // so a listing that fails never hands out a number in use.
  for (int n = 0; n <= kLastUndoNumber; ++n) {
    if (taken.count(n)) continue;
    bool used = false;
    for (const std::string& f : Folders()) {
      const std::string base = f + "Undo" + ZeroPad5(n);
      used |= std::any_of(std::begin(kRecordExtensions), std::end(kRecordExtensions),
                          [&](const char* ext) { return fs_.AttributesOf(base + ext).has_value(); });
    }
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
  std::vector<int> order;
  std::map<int, EntryFiles> files;
  for (const std::string& f : Folders())
    for (const DirEntry& e : fs_.ListFolder(f + "Undo*")) {
      const int n = UndoRecordNumber(e.name);
      if (n < 0 || e.IsFolder()) continue;
      const auto [at, added] = files.try_emplace(n);
      if (added) order.push_back(n);
      std::optional<FileTicks>& time = EqualNoCaseAZ(e.name.substr(9), kReportExtension) ? at->second.report
                                                                                         : at->second.record;
      if (!time) time = e.lastWrite;
    }
  std::vector<Found> found;
  for (int n : order) {
    const std::string name = "Undo" + ZeroPad5(n);
    const ReportFacts facts = ReportOf(name);
    const EntryFiles& f = files.at(n);
    const FileTicks time = facts.started ? *facts.started : f.record ? *f.record : *f.report;
    std::string undone;
    if (facts.undone) {
      undone = " - undone";
      if (facts.undoneAt) {
        const FileTicks local = platform_.ToLocal(*facts.undoneAt);
        undone += " " + platform_.ShortDate(local) + " " + platform_.ShortTime(local);
      }
    }
    found.push_back({name, time, facts.summary + undone});
  }
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time < b.time; });
  lines_.clear();
  names_.clear();
  for (const Found& f : found) {
    lines_.push_back(f.name + " - " + DateTimeText(f.time) + f.tail);
    names_.push_back(f.name);
  }
  if (lines_.empty()) {
    lines_.emplace_back(kNoChangesToUndo);
    names_.emplace_back();
  }
}

UndoStore::ReportFacts UndoStore::ReportOf(const std::string& undoName) {
  ReportFacts facts;
  const std::string path = FolderOf(undoName) + undoName + kReportExtension;
  if (!fs_.FileExists(path)) return facts;  // older records have none
  ReadReport report;
  try {
    // Whole: the undo sections are at its end.
    report = ReadChangeReport(fs_.ReadWhole(path));
  } catch (const std::exception&) {
    return facts;  // the entry is listed all the same, timed by its files
  }
  if (const std::string mode = report.Field("Mode"); !mode.empty()) {
    const RunMode m = ModeNamed(mode).value_or(RunMode::MapOnly);
    facts.summary = " - " + RunSummary(m, report.Field("Find"), report.Field("Replace"));
  }
  facts.started = UtcStampTicks(report.Field(kStartedUtcRow));
  // The last undo counts; one made by an earlier build keeps no stamp.
  for (const auto& [row, value] : report.undo) {
    if (row == kUndoRow) {
      facts.undone = true;
      facts.undoneAt.reset();
    } else if (row == kUndoUtcRow) {
      facts.undoneAt = UtcStampTicks(value);
    }
  }
  return facts;
}

std::string UndoStore::NowText() { return LocalTimeText(platform_.LocalNow()); }

std::string UndoStore::NowUtcStamp() { return UtcStampText(platform_.UtcNow()); }

void UndoStore::AppendUndoSection(const std::string& undoName, const std::vector<std::string>& restored,
                                  const std::vector<std::string>& notRestored) {
  const std::string path = FolderOf(undoName) + undoName + kReportExtension;
  if (!fs_.FileExists(path)) return;
  fs_.ReplaceWhole(path, fs_.ReadWhole(path) + UndoSectionText(NowText(), NowUtcStamp(), restored, notRestored));
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

void UndoStore::DeleteEntry(const std::string& undoName) {
  if (UndoRecordNumber(undoName + ".zip") < 0) return;  // only our own records are ever deleted
  RunLockScope locked(lock_);
  const std::string folder = FolderOf(undoName);
  std::vector<std::string> kept;
  for (const char* ext : kRecordExtensions) {
    const std::string path = folder + undoName + ext;
    if (fs_.FileExists(path) && !fs_.Remove(path) && fs_.FileExists(path)) kept.push_back(path);
  }
  if (kept.empty()) return;
  std::string message = "Not every record of " + undoName + " could be deleted (in use by another program?):";
  for (const std::string& path : kept) message += "\n" + path;
  throw Error(message);
}

RestoreResult UndoStore::RestoreFiles(const std::string& undoName, const RestorePlace& placeOf,
                                      const RestoreGuard& guard, const RestoreCheck& check) {
  const std::string archive = FolderOf(undoName) + undoName + ".zip";
  if (!fs_.FileExists(archive)) return {};
  return RestoreArchive(fs_, platform_, archive, placeOf, guard, check);
}
