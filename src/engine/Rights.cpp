#include "engine/Rights.h"

#include "core/Text.h"

namespace {
// The folder an item lives in, with its "\"; empty for a drive's root.
std::string ParentFolder(const std::string& path) { return SplitItemPath(RemoveSlash(path)).folder; }

bool OnSelectedDrive(const RunChoices& choices, const std::string& folder) {
  for (const DriveRow& d : choices.drives)
    if (d.selected && !d.root.empty() && !folder.empty() && UpperAZ(d.root[0]) == UpperAZ(folder[0])) return true;
  return false;
}
}  // namespace

RightsCheck CheckRights(const RunChoices& choices, bool preview, RightsPort& port) {
  RightsCheck check;
  if (preview || port.Elevated()) return check;

  // The records folder itself: one a user made would be the user's to change.
  if (!port.FolderExists(choices.recordsFolder) || !port.CanWriteFolder(choices.recordsFolder)) {
    check.recordsBlocked = true;
    check.lacking.push_back("the undo records folder " + RemoveSlash(choices.recordsFolder));
  }
  if (choices.targets.registry && !port.CanWriteMachineRegistry())
    check.lacking.push_back("registry values under HKEY_LOCAL_MACHINE");
  if (choices.request.Mode == RunMode::MoveAndMap) {
    const std::string from = ParentFolder(choices.request.FindText);
    const std::string to = ParentFolder(choices.request.ReplaceText);
    if (!from.empty() && !port.CanWriteFolder(from))
      check.lacking.push_back("the item's folder " + RemoveSlash(from) + " (for the move)");
    if (!to.empty() && !EqualFold(from, to) && !port.CanWriteFolder(to))
      check.lacking.push_back("the destination folder " + RemoveSlash(to) + " (for the move)");
  }
  if (choices.targets.HasFileTargets())
    for (const std::string& folder : port.ProtectedFolders())
      if (OnSelectedDrive(choices, folder) && !port.CanWriteFolder(folder))
        check.lacking.push_back("files under " + RemoveSlash(folder));
  return check;
}

std::string RightsWarningText(const RightsCheck& check) {
  std::string text = "This run needs administrator rights to change:\n";
  for (const std::string& line : check.lacking) text += "  - " + line + "\n";
  if (check.recordsBlocked)
    text += "Without them nothing can be changed: the undo records, written before every change, cannot be kept.\n";
  else
    text += "Without them, what is there is passed over and named at the end.\n";
  return text;
}
