#include "undo/UndoExecution.h"

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "engine/MappingRun.h"
#include "core/Error.h"
#include "core/Ini.h"
#include "core/Unicode.h"
#include "core/Text.h"
#include "regmap/RegImport.h"

namespace {
// Nothing else changes the records or the places they name meanwhile.
class LockScope {
 public:
  explicit LockScope(RunLock* lock) : lock_(lock) {
    if (lock_ && !lock_->TryAcquire()) throw Error(kRunInProgressMessage);
  }
  ~LockScope() {
    if (lock_) lock_->Release();
  }

 private:
  RunLock* lock_;
};

constexpr std::size_t kUndoneLinesShown = 20;

// path is `from` itself or lies below it, across case.
bool IsWithin(const std::string& path, const std::string& from) {
  const std::size_t head = FoldPrefixLength(path, from);
  if (head == kNotFound) return false;
  return path.size() == head || path[head] == '\\' || from.back() == '\\';
}
}  // namespace

std::string UndoExecution::UndoEntry(const std::string& name) {
  LockScope locked(lock_);
  const std::string base = store_.FolderOf(name) + name;
  std::vector<std::string> problems;

  // Where the run put the item ("To"), where it was ("From") and the
  // highest folder the move made for it.
  std::string from, to, created, phase;
  const std::string record = base + ".bat";
  if (fs_.FileExists(record)) {
    try {
      // Records of earlier builds hold their paths in the ANSI code page.
      std::string text = fs_.ReadWhole(record);
      if (!IsValidUtf8(text)) text = ansi_.ToUtf8(text);
      const IniText ini(text);
      to = ini.ReadString(kMoveSection, kMoveTo, "");
      from = ini.ReadString(kMoveSection, kMoveFrom, "");
      created = ini.ReadString(kMoveSection, kMoveCreated, "");
      phase = ini.ReadString(kMoveSection, kMovePhase, "");
    } catch (const Error& e) {
      problems.push_back("The move record " + record + " cannot be read: " + e.what());
    }
  }
  const bool moveBack = !from.empty() && !to.empty();
  const std::string home = moveBack ? ArrivalOf(to, from) : "";
  // Stopped part way with the item still at home: what arrived is settled
  // piece by piece below rather than moved back over it.
  const bool interrupted = moveBack && EqualFold(phase, kPhaseMoving) && fs_.AttributesOf(from);
  const bool itemThere = moveBack && !interrupted && fs_.AttributesOf(to);
  // An item that is back home already (an entry undone before) takes its
  // files there rather than to a new folder at the place it left.
  const bool alreadyHome = moveBack && !itemThere && fs_.AttributesOf(home);
  // Moved on by hand: its files must not build a stub of it at its old new
  // place, which the move back would then carry home as if it were the item.
  const bool missing = moveBack && !itemThere && !alreadyHome && !interrupted;
  if (missing) problems.push_back(Format1(kDoesNotExist, to));

  int restored = 0;
  std::vector<std::string> undone;
  std::vector<std::string> notes;  // said whatever else happened
  try {
    RestorePlace placeOf;
    if (alreadyHome || missing)
      placeOf = [&](const std::string& p) -> std::optional<std::string> {
        if (!IsWithin(p, to)) return p;
        if (missing) return std::nullopt;
        return home + p.substr(to.size());
      };
    RestoreGuard guard;
    if (guard_) guard = [this](const std::string& target) { return guard_->RestoreRefusal(target); };
    RestoreResult r = store_.RestoreFiles(name, placeOf, guard);
    restored = r.restored;
    if (r.leftOut > 0)
      problems.push_back(std::to_string(r.leftOut) + " backed-up file(s) from inside " + to + " were not restored.");
    problems.insert(problems.end(), r.refusals.begin(), r.refusals.end());
    for (const std::string& p : r.written) undone.push_back(p + " was restored.");
    // Where a run was stopped mid-write, its temporary file may still lie
    // beside the file it was replacing; one held open stays.
    std::set<std::string> folders;
    for (const std::string& p : r.written) folders.insert(SplitItemPath(p).folder);
    for (const std::string& folder : folders)
      for (const DirEntry& e : fs_.ListFolder(AddSlash(folder) + std::string(kReplaceTempPrefix) + "*"))
        if (!e.IsFolder() && IsReplaceTempName(e.name) && fs_.Remove(AddSlash(folder) + e.name))
          notes.push_back(AddSlash(folder) + e.name +
                          ", a temporary file left by an interrupted Ostrivane run, was removed.");
    // An archive without a single entry (a run stopped before its first
    // backup was whole) has nothing to give back: no failure, since the
    // change that backup was for never happened.
  } catch (const Error& e) {
    problems.push_back("The file backups in " + base + ".zip cannot be read: " + e.what());
  }

  if (interrupted) {
    if (const std::string why = guard_ ? guard_->MoveRefusal(to) : ""; !why.empty())
      problems.push_back(why);
    else
      mover_.SettleInterruptedMove(to, from, undone, problems);
  } else if (itemThere) {
    const std::string why = mover_.MoveBack(to, from);
    if (why.empty())
      undone.push_back(to + " was moved back to " + from + ".");
    else
      problems.push_back(to + " was not moved back to " + from + ": " + why);
  }
  // Only what the run made, and only once it holds nothing again.
  if (moveBack && !created.empty()) RemoveCreatedFolders(fs_, TargetFolderOf(from, to), created);

  const std::string backup = base + ".reg";
  if (fs_.FileExists(backup)) {
    try {
      const RegImportResult r = ImportRegFile(fs_, registry_, backup, ansi_);
      if (!r.failed.empty())
        problems.push_back(std::to_string(r.failed.size()) + " line(s) of " + backup +
                           " could not be imported; the first, line " + std::to_string(r.failed.front().number) +
                           ": " + r.failed.front().reason);
      if (r.values + r.keys > 0) undone.push_back("The registry backup " + backup + " was imported.");
      if (r.environmentTouched && environment_) environment_->EnvironmentChanged();
    } catch (const Error& e) {
      problems.push_back("The registry backup " + backup + " could not be imported: " + e.what());
    }
  }

  // The entry's change report keeps what this undo did, in full.
  try {
    store_.AppendUndoSection(name, undone, problems);
  } catch (const std::exception& e) {
    problems.push_back("The change report " + base + ".log could not be added to: " + e.what());
  }

  std::string message = std::to_string(restored) + kUndoCompleted;
  if (!problems.empty()) {
    message += std::string("\n") + kUndoIncomplete;
    for (const std::string& p : problems) message += "\n" + p;
    // Beside what failed, the user needs to know what did come back.
    if (!undone.empty()) {
      message += std::string("\n") + kUndoDone;
      const std::size_t shown = std::min(undone.size(), kUndoneLinesShown);
      for (std::size_t i = 0; i < shown; ++i) message += "\n" + undone[i];
      if (undone.size() > shown) message += "\n... and " + std::to_string(undone.size() - shown) + " more.";
    }
  }
  for (const std::string& note : notes) message += "\n" + note;
  return message;
}
