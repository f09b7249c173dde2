#include "undo/UndoExecution.h"

#include <vector>

#include "engine/MappingRun.h"
#include "core/Error.h"
#include "core/Ini.h"
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

// path is `from` itself or lies below it, across case.
bool IsWithin(const std::string& path, const std::string& from) {
  const std::size_t head = FoldPrefixLength(path, from);
  if (head == kNotFound) return false;
  return path.size() == head || path[head] == '\\' || from.back() == '\\';
}
}  // namespace

std::string UndoExecution::UndoEntry(const std::string& name) {
  LockScope locked(lock_);
  const std::string base = folder_ + name;
  std::vector<std::string> problems;

  // Where the run put the item ("To") and where it was ("From").
  std::string from, to;
  const std::string record = base + ".bat";
  if (fs_.FileExists(record)) {
    try {
      const IniText ini(fs_.ReadWhole(record));
      to = ini.ReadString(kMoveSection, kMoveTo, "");
      from = ini.ReadString(kMoveSection, kMoveFrom, "");
    } catch (const Error& e) {
      problems.push_back("The move record " + record + " cannot be read: " + e.what());
    }
  }
  const bool moveBack = !from.empty() && !to.empty();
  const std::string home = moveBack ? ArrivalOf(to, from) : "";
  // An item that is back home already (an entry undone before) takes its
  // files there rather than to a new folder at the place it left.
  const bool alreadyHome = moveBack && !fs_.AttributesOf(to) && fs_.AttributesOf(home);

  int restored = 0;
  try {
    RestorePlace placeOf;
    if (alreadyHome)
      placeOf = [&](const std::string& p) { return IsWithin(p, to) ? home + p.substr(to.size()) : p; };
    RestoreResult r = store_.RestoreFiles(name, placeOf);
    restored = r.restored;
    problems.insert(problems.end(), r.refusals.begin(), r.refusals.end());
    // A run makes its archive with its first backup: one without a single
    // entry has lost them.
    if (restored == 0 && r.refusals.empty() && fs_.FileExists(base + ".zip"))
      problems.push_back("The file backups in " + base + ".zip cannot be read: no file was found in it.");
  } catch (const Error& e) {
    problems.push_back("The file backups in " + base + ".zip cannot be read: " + e.what());
  }

  if (moveBack && !alreadyHome) {
    const std::string why = mover_.MoveBack(to, from);
    if (!why.empty()) problems.push_back(to + " was not moved back to " + from + ": " + why);
  }

  const std::string backup = base + ".reg";
  if (fs_.FileExists(backup)) {
    try {
      const RegImportResult r = ImportRegFile(fs_, registry_, backup, ansi_);
      if (!r.failed.empty())
        problems.push_back(std::to_string(r.failed.size()) + " line(s) of " + backup +
                           " could not be imported; the first, line " + std::to_string(r.failed.front().number) +
                           ": " + r.failed.front().reason);
    } catch (const Error& e) {
      problems.push_back("The registry backup " + backup + " could not be imported: " + e.what());
    }
  }

  std::string message = std::to_string(restored) + kUndoCompleted;
  if (!problems.empty()) {
    message += std::string("\n") + kUndoIncomplete;
    for (const std::string& p : problems) message += "\n" + p;
  }
  return message;
}
