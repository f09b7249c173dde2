#include "window/MoveSelection.h"

#include <algorithm>

#include "core/Drives.h"
#include "core/FileSystem.h"
#include "core/Text.h"

namespace {
// The drive in a display text: the two characters that end at its last ":".
std::string DriveIn(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return "";
  return colon == 0 ? text.substr(0, 1) : text.substr(colon - 1, 2);
}

bool LessNoCase(const TreeEntry& a, const TreeEntry& b) { return FoldKey(a.text) < FoldKey(b.text); }

// A drive's node must lead back to its root: a display name that does not
// end in the drive (an odd label, or no name at all) gets it added.
std::string DriveText(const DriveInfo& d) {
  const std::string drive = d.root.substr(0, 2);
  if (!d.displayName.empty() && EqualNoCaseAZ(DriveIn(d.displayName), drive)) return d.displayName;
  return d.displayName.empty() ? drive : d.displayName + " (" + drive + ")";
}
}  // namespace

std::string NodePath(const NodeChain& upward) {
  std::string path;
  for (const std::string& text : upward) {
    if (text.find(':') != std::string::npos) return DriveIn(text) + path;
    path = "\\" + text + path;
  }
  return path;
}

std::string NodeDrive(const NodeChain& upward) {
  for (const std::string& text : upward)
    if (text.find(':') != std::string::npos) return DriveIn(text);
  return "";
}

bool AcceptsDrop(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target,
                 DriveTypeSource& types) {
  if (from != TreeSide::MoveFrom || over != TreeSide::MoveTo || !target) return false;
  for (const std::string& drive : {NodeDrive(dragged), NodeDrive(*target)}) {
    if (drive.empty()) return false;
    const int type = types.DriveTypeOf(drive);
    if (type < 1 || type > 4) return false;
  }
  return true;
}

bool FolderShowsAnything(TreeSide side, const NodeChain& folder, FileSystem& fs) {
  // The left tree shows files too, so there any entry counts; a folder that
  // cannot be read keeps its button.
  return fs.HoldsAny(NodePath(folder), side != TreeSide::MoveFrom) != FolderHolds::Nothing;
}

std::vector<TreeEntry> TreeChildren(TreeSide side, const NodeChain& node, DriveSource& drives, FileSystem& fs) {
  std::vector<TreeEntry> out;
  if (node.empty()) return {{kMyComputer, true, true}};
  if (node.size() == 1) {
    for (const DriveInfo& d : drives.ListDrives()) out.push_back({DriveText(d), true, true});
    return out;
  }
  const std::string folder = AddSlash(NodePath(node));
  std::vector<TreeEntry> files;
  for (const DirEntry& e : fs.ListFolder(folder + "*")) {
    if (e.name == "." || e.name == ".." || e.name.empty()) continue;
    if (e.IsFolder())
      out.push_back({e.name, true, true});
    else if (side == TreeSide::MoveFrom)
      files.push_back({e.name, false, false});
  }
  std::sort(out.begin(), out.end(), LessNoCase);
  std::sort(files.begin(), files.end(), LessNoCase);
  out.insert(out.end(), files.begin(), files.end());
  return out;
}
