#include "undo/MoveDir.h"

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

void FolderMove::Show(const std::string& text) {
  if (ctx_.ui) ctx_.ui->ShowMessage(text, kAppTitle);
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

bool FolderMove::MoveDir(const std::string& source, const std::string& destination) {
  if (!fs_.AttributesOf(source)) {
    Show(Format1(kDoesNotExist, source));
    return false;
  }
  if (ctx_.request.UndoName.empty()) throw Error("A move needs the run's undo name for its record.");

  // The record goes to disk first: whatever stops the move part way, the
  // undo still knows where the item went.
  const std::string record = ctx_.programFolder + ctx_.request.UndoName + ".bat";
  std::optional<std::string> before;
  if (fs_.FileExists(record)) before = fs_.ReadWhole(record);
  IniText ini(before.value_or(""));
  ini.Write(kMoveSection, kMoveTo, destination);
  ini.Write(kMoveSection, kMoveFrom, source);
  fs_.ReplaceWhole(record, ini.Save());

  const MoveOutcome out = MoveItemInto(fs_, shell_, silent_, source, destination);
  if (out.moved) return true;
  // Nothing to undo after a failed move, so the record goes again; but what
  // arrived of a move stopped part way can still be moved back.
  if (!out.partly) {
    if (before)
      fs_.ReplaceWhole(record, *before);
    else
      fs_.Remove(record);
  }
  if (!out.shownByShell) Show(out.why);
  return false;
}

std::string FolderMove::MoveBack(const std::string& source, const std::string& destination) {
  return MoveItemInto(fs_, shell_, silent_, source, destination).why;
}
