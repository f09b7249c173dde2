#pragma once
// The choice of what to move and where to: the two folder trees of the move
// page ("Move From..." with folders and files, "Move To..." with folders),
// the path a tree node stands for, and whether a drag may be dropped.
// The trees themselves are controls of the window; this is what they show
// and how their nodes are read.
#include <string>
#include <vector>

class DriveSource;
class FileSystem;

enum class TreeSide { None, MoveFrom, MoveTo };

// A node as the display texts from the node itself up to the tree's root.
using NodeChain = std::vector<std::string>;

inline constexpr const char* kMyComputer = "My Computer";

// The path a node stands for: folder names joined by "\" up to the first node
// whose text holds ":", which gives the drive (the two characters ending at
// its last ":"). App under Program Files under "Local Disk (C:)" gives
// C:\Program Files\App; the drive node gives C:. Without a drive above, the
// path begins with "\".
std::string NodePath(const NodeChain& upward);
// The drive (C:) of the node, or "" when no node on the way up has one.
std::string NodeDrive(const NodeChain& upward);

// The system's type of a drive, as GetDriveTypeA numbers it: 0 unknown,
// 1 no root directory, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
class DriveTypeSource {
 public:
  virtual ~DriveTypeSource() = default;
  virtual int DriveTypeOf(const std::string& drive) = 0;  // drive as C:
};

// Whether a drag from one tree, over a node of another, may drop there: only
// from the left tree onto a node of the right one, and only when both nodes
// lie on drives of type 1 to 4. `target` is null when no node is under the mouse.
bool AcceptsDrop(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target,
                 DriveTypeSource& types);

struct TreeEntry {
  std::string text;      // the display text (a file or folder's own name)
  bool mayExpand = false;  // an expand button: the root, a drive, a folder (see FolderShowsAnything)
  bool folder = false;   // a drive, a folder or the root; false for a file
  bool operator==(const TreeEntry&) const = default;
};

// The children a node of a tree gets when it is expanded. The empty chain
// stands above the tree: its one child is "My Computer", whose children are
// the drives by their display names; below a drive, the folder listing, with
// hidden items, folders first, then (left tree only) the files, each group
// sorted by name.
std::vector<TreeEntry> TreeChildren(TreeSide side, const NodeChain& node, DriveSource& drives, FileSystem& fs);
// Whether a folder node holds anything its tree would list, for its expand
// button. Asked only of the folders on screen: each answer reads the disk.
bool FolderShowsAnything(TreeSide side, const NodeChain& folder, FileSystem& fs);
