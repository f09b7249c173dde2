#include "undo/MoveDir.h"

#include <algorithm>

#include "core/Error.h"
#include "core/Ini.h"
#include "core/Text.h"
#include "core/Ui.h"

namespace {

struct MoveOutcome {
  bool moved = false;
  bool partly = false;        // failed, but something arrived at the new place
  std::string why;            // empty when moved
  bool shownByShell = false;  // the shell's own dialogs have told the user already
};
}  // namespace

std::string TargetFolderOf(const std::string& source, const std::string& destination) {
  const ItemPath dest = SplitItemPath(destination);
  if (!EqualFold(SplitItemPath(source).name, dest.name)) return destination;
  // "D:\" keeps its backslash; "D:\Apps\" loses it, as a folder is named.
  return dest.folder.size() <= 3 ? dest.folder : RemoveSlash(dest.folder);
}

std::string ArrivalOf(const std::string& source, const std::string& destination) {
  return AddSlash(TargetFolderOf(source, destination)) + SplitItemPath(source).name;
}

namespace {
// The length of the path's root: "C:\" or "\\server\share\" (never made or removed).
std::size_t RootLength(const std::string& path) {
  if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return 3;
  const std::size_t server = path.find('\\', 2);
  const std::size_t share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
  return share == std::string::npos ? path.size() : share + 1;
}

// The highest folder of the path that is missing, "" when the whole path exists.
std::string HighestMissing(FileSystem& fs, const std::string& folder) {
  std::string missing;
  const std::size_t root = RootLength(folder);
  for (std::string f = RemoveSlash(folder); f.size() > root && !fs.AttributesOf(f);) {
    missing = f;
    f = f.substr(0, f.rfind('\\'));
  }
  return missing;
}

// An empty folder lists only "." and ".."; a listing without "." failed.
bool IsEmptyFolder(FileSystem& fs, const std::string& folder) {
  bool listed = false;
  for (const DirEntry& e : fs.ListFolder(AddSlash(folder) + "*")) {
    if (e.name == ".") listed = true;
    else if (e.name != "..") return false;
  }
  return listed;
}
}  // namespace

std::vector<std::string> RemoveCreatedFolders(FileSystem& fs, const std::string& targetFolder,
                                              const std::string& created) {
  std::vector<std::string> removed;
  const std::string top = RemoveSlash(created);
  std::string folder = RemoveSlash(targetFolder);
  if (top.size() <= RootLength(top)) return removed;
  const std::size_t head = FoldPrefixLength(folder, top);
  if (head == kNotFound || (head != folder.size() && folder[head] != '\\')) return removed;
  // The target folder and each folder above it up to `created`: one per component below it.
  const std::size_t levels = 1 + std::count(folder.begin() + head, folder.end(), '\\');
  for (std::size_t i = 0; i < levels; ++i) {
    if (!fs.FolderExists(folder) || !IsEmptyFolder(fs, folder) || !fs.Remove(folder)) break;
    removed.push_back(folder);
    folder = folder.substr(0, folder.rfind('\\'));
  }
  return removed;
}

void FolderMove::Show(const RunPass& run, const std::string& text) {
  if (run.ui) run.ui->ShowMessage(text, kAppTitle);
}

// Everything of a move but its record. A failure of any kind is an outcome,
// never an exception: the caller decides what the user hears of it.
static MoveOutcome MoveItemInto(FileSystem& fs, ShellMove& shell, bool silent, const std::string& source,
                                const std::string& destination) {
  MoveOutcome out;
  if (!fs.AttributesOf(source)) {
    out.why = Format1(kDoesNotExist, source);
    return out;
  }
  try {
    const std::string target = TargetFolderOf(source, destination);
    const std::string arrival = ArrivalOf(source, destination);
    // Nobody can be asked whether to replace what is there: leave it alone.
    if (silent && fs.AttributesOf(arrival)) {
      out.why = arrival + " already exists.  Nothing was moved.";
      return out;
    }
    // The shell takes a missing target folder as the item's new name, so it
    // is made first.
    if (!fs.FolderExists(target) && !fs.MakeFolders(target)) {
      out.why = "The folder " + target + " cannot be created.";
      return out;
    }
    const bool arrivalBefore = fs.AttributesOf(arrival).has_value();
    const ShellMoveResult r = shell.MoveItem(source, target, silent);
    if (!r.Succeeded()) {
      out.partly = !arrivalBefore && fs.AttributesOf(arrival);
      out.shownByShell = !silent;
      out.why = r.aborted ? "The move of " + source + " to " + target + " was cancelled."
                          : source + " could not be moved to " + target + " (error " + std::to_string(r.code) + ").";
      return out;
    }
    if (!fs.AttributesOf(arrival)) {
      out.why = source + " was not found at " + arrival + " after the move.";
      return out;
    }
  } catch (const std::exception& e) {
    out.why = source + " could not be moved: " + e.what();
    return out;
  }
  out.moved = true;
  return out;
}

bool FolderMove::MoveDir(RunPass& run, const std::string& source, const std::string& destination) {
  if (!fs_.AttributesOf(source)) {
    // The same move asked again: say so, rather than that it failed.
    const std::string arrival = ArrivalOf(source, destination);
    if (fs_.AttributesOf(arrival)) {
      run.findings.tally.alreadyMoved = true;
      Show(run, source + " is not there, and " + arrival + " is: it has been moved already.  Nothing was moved.  "
           "To point what still names " + source + " at its new place, use Map Only.");
      return false;
    }
    Show(run, Format1(kDoesNotExist, source));
    return false;
  }
  if (run.findings.tally.undoName.empty()) throw Error("A move needs the run's undo name for its record.");
  if (guard_)
    if (const std::optional<EngineRefusal> why = guard_->MoveRefusal(source)) throw Refused(*why);

  // The record goes to disk first: whatever stops the move part way, the
  // undo still knows where the item went.
  const std::string record = run.settings.recordsFolder + run.findings.tally.undoName + ".bat";
  std::optional<std::string> before;
  if (fs_.FileExists(record)) before = fs_.ReadWhole(record);
  IniText ini(before.value_or(""));
  ini.Write(kMoveSection, kMoveTo, destination);
  ini.Write(kMoveSection, kMoveFrom, source);
  // The folders the move is about to make are the run's own: its undo takes
  // them away again once they are empty.
  const std::string target = TargetFolderOf(source, destination);
  const std::string created = HighestMissing(fs_, target);
  if (!created.empty() || ini.Read(kMoveSection, kMoveCreated)) ini.Write(kMoveSection, kMoveCreated, created);
  ini.Write(kMoveSection, kMovePhase, kPhaseMoving);
  fs_.ReplaceWhole(record, ini.Save());

  const MoveOutcome out = MoveItemInto(fs_, shell_, silent_, source, destination);
  if (out.moved) {
    ini.Write(kMoveSection, kMovePhase, kPhaseMoved);
    fs_.ReplaceWhole(record, ini.Save());
    return true;
  }
  // Nothing to undo after a failed move, so the record goes again, and the
  // folders made for it; but what arrived of a move stopped part way can
  // still be moved back.
  if (!out.partly) {
    if (!created.empty()) RemoveCreatedFolders(fs_, target, created);
    if (before)
      fs_.ReplaceWhole(record, *before);
    else
      fs_.Remove(record);
  }
  if (!out.shownByShell) Show(run, out.why);
  return false;
}

std::string FolderMove::MoveBack(const std::string& source, const std::string& destination) {
  // A record names the item: a hand-made one must not move what no run may.
  if (guard_)
    if (const std::optional<EngineRefusal> why = guard_->MoveRefusal(source)) return RefusalText(*why);
  return MoveItemInto(fs_, shell_, silent_, source, destination).why;
}

namespace {
// `copy` holds the start of `original` and nothing else but zeros after it
// (a copy stopped part way, its length perhaps set ahead): never another
// file that happens to share the name. False when either cannot be read.
bool IsPartCopy(FileSystem& fs, const std::string& copy, const std::string& original) {
  try {
    auto c = fs.OpenRandom(copy, OpenMode::ReadOnly), o = fs.OpenRandom(original, OpenMode::ReadOnly);
    const std::uint64_t copySize = c->Size(), originalSize = o->Size();
    if (copySize > originalSize) return false;
    constexpr std::size_t kChunk = 1u << 20;
    std::string a, b;
    bool zerosOnly = false;  // past the first byte that differs
    for (std::uint64_t at = 0; at < copySize; at += kChunk) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, copySize - at));
      a.resize(n);
      b.resize(n);
      c->ReadAt(at, a.data(), n);
      o->ReadAt(at, b.data(), n);
      for (std::size_t i = 0; i < n; ++i) {
        if (!zerosOnly && a[i] == b[i]) continue;
        zerosOnly = true;
        if (a[i] != 0) return false;
      }
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}
}  // namespace

bool FolderMove::MoveBack(const std::string& source, const std::string& destination, std::vector<std::string>& done,
                          std::vector<std::string>& problems) {
  const std::string why = MoveBack(source, destination);
  if (why.empty())
    done.push_back(source + " was moved back to " + destination + ".");
  else
    problems.push_back(source + " was not moved back to " + destination + ": " + why);
  return why.empty();
}

// A copy across volumes goes under a temporary name of the program's own
// beside its final one, and takes that name only once whole: one left by a
// kill is a part copy, never anything's only copy.
void FolderMove::RemoveTemporaryCopies(const std::string& folder, bool below, std::vector<std::string>& done,
                                       std::vector<std::string>& problems) {
  for (const DirEntry& e : fs_.ListFolder(AddSlash(folder) + "*")) {
    if (e.IsFolder() && below && e.name != "." && e.name != "..")
      RemoveTemporaryCopies(AddSlash(folder) + e.name, below, done, problems);
    if (e.IsFolder() || !IsReplaceTempName(e.name)) continue;
    const std::string copy = AddSlash(folder) + e.name;
    fs_.SetAttributesOf(copy, 0);
    if (fs_.Remove(copy))
      done.push_back(copy + ", a part copy, was removed.");
    else
      problems.push_back(copy + ", a part copy, could not be removed.");
  }
}

void FolderMove::SettleInterruptedMove(const std::string& arrived, const std::string& home,
                                       std::vector<std::string>& done, std::vector<std::string>& problems) {
  // The item's own part copy lies beside the name it was to take, its
  // files' inside it (in folders that may go home whole).
  if (const std::string folder = SplitItemPath(arrived).folder; !folder.empty())
    RemoveTemporaryCopies(folder, false, done, problems);
  if (fs_.FolderExists(arrived)) RemoveTemporaryCopies(arrived, true, done, problems);
  SettleArrived(arrived, home, done, problems);
}

void FolderMove::SettleArrived(const std::string& arrived, const std::string& home, std::vector<std::string>& done,
                               std::vector<std::string>& problems) {
  const auto there = fs_.AttributesOf(arrived);
  if (!there) return;
  const auto atHome = fs_.AttributesOf(home);
  if (!atHome) {
    // Its original is gone: this is the only copy, and it goes home.
    MoveBack(arrived, home, done, problems);
    return;
  }
  if ((*there & kAttrFolder) && (*atHome & kAttrFolder)) {
    for (const DirEntry& e : fs_.ListFolder(AddSlash(arrived) + "*"))
      if (e.name != "." && e.name != "..")
        SettleArrived(AddSlash(arrived) + e.name, AddSlash(home) + e.name, done, problems);
    if (IsEmptyFolder(fs_, arrived) && fs_.Remove(arrived)) done.push_back(arrived + ", a part copy, was removed.");
    return;
  }
  if ((*there & kAttrFolder) || (*atHome & kAttrFolder)) {
    problems.push_back(arrived + " was left alone: a file and a folder of that name stand at " + home + " and there.");
    return;
  }
  // The original stands whole at home: what arrived is a copy, whole or part.
  if (!IsPartCopy(fs_, arrived, home)) {
    problems.push_back(arrived + " was left alone: it is no copy of " + home + ".");
    return;
  }
  fs_.SetAttributesOf(arrived, 0);
  if (fs_.Remove(arrived))
    done.push_back(arrived + ", a copy of " + home + ", was removed.");
  else
    problems.push_back(arrived + ", a copy of " + home + ", could not be removed.");
}
