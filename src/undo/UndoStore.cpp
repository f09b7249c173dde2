#include "undo/UndoStore.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "core/Text.h"
#include "undo/CivilTime.h"

namespace {
constexpr const char* kRecordExtensions[] = {".bat", ".reg", ".zip"};
constexpr int kLastUndoNumber = 99999;

struct Found {
  std::string name;
  FileTicks time;
};
}  // namespace

int UndoRecordNumber(const std::string& fileName) {
  if (fileName.size() != 13 || !EqualNoCaseAZ(fileName.substr(0, 4), "Undo") || fileName[9] != '.') return -1;
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

int UndoStore::FillUndoBox(bool nextNumber) {
  AgeCleanup();
  if (nextNumber) return NextFreeNumber();
  Rebuild();
  return 0;
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
      const std::string path = folder_ + name + ext;
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
  for (const DirEntry& e : fs_.ListFolder(folder_ + "Undo*")) {
    const int n = UndoRecordNumber(e.name);
    if (n >= 0) taken.insert(n);
  }
  // The listing narrows the search; each candidate is still checked by name,
  // so a listing that fails never hands out a number in use.
  for (int n = 0; n <= kLastUndoNumber; ++n) {
    if (taken.count(n)) continue;
    const std::string base = folder_ + "Undo" + ZeroPad5(n);
    if (fs_.AttributesOf(base + ".zip") || fs_.AttributesOf(base + ".reg") || fs_.AttributesOf(base + ".bat")) continue;
    return n;
  }
  return -1;
}

void UndoStore::Rebuild() {
  // One entry per undo number, timed by the first of its files the listing
  // returns; names that merely begin with "Undo" are no records.
  std::vector<Found> found;
  std::set<int> seen;
  for (const DirEntry& e : fs_.ListFolder(folder_ + "Undo*")) {
    const int n = UndoRecordNumber(e.name);
    if (n < 0 || e.IsFolder() || !seen.insert(n).second) continue;
    found.push_back({"Undo" + ZeroPad5(n), e.lastWrite});
  }
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time < b.time; });
  lines_.clear();
  names_.clear();
  for (const Found& f : found) {
    lines_.push_back(f.name + " - " + DateTimeText(f.time));
    names_.push_back(f.name);
  }
  if (lines_.empty()) {
    lines_.emplace_back(kNoChangesToUndo);
    names_.emplace_back();
  }
}

std::string UndoStore::DateTimeText(FileTicks utc) {
  const FileTicks local = platform_.ToLocal(utc);
  std::string text = platform_.ShortDate(local);
  if (local % kTicksPerDay / 10'000 != 0) {  // left out at exactly midnight
    text += ' ';
    text += platform_.LongTime(local);
  }
  return text;
}

void UndoStore::DeleteEntry(const std::string& undoName) {
  if (UndoRecordNumber(undoName + ".zip") < 0) return;  // only our own records are ever deleted
  for (const char* ext : kRecordExtensions)
    if (fs_.FileExists(folder_ + undoName + ext)) fs_.Remove(folder_ + undoName + ext);
}

RestoreResult UndoStore::RestoreFiles(const std::string& undoName, const RestorePlace& placeOf) {
  const std::string archive = folder_ + undoName + ".zip";
  if (!fs_.FileExists(archive)) return {};
  return RestoreArchive(fs_, platform_, archive, placeOf);
}
