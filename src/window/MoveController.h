#pragma once
// What the move pages do: the two trees (what a node lists, where a drag may
// drop), the drop that names a move, the keyboard's way to the same, and the
// destination browsed for.
#include <functional>
#include <string>
#include <vector>

#include "window/MovePages.h"
#include "window/MoveSelection.h"
#include "window/WindowTalk.h"

struct WizardPorts;

class MoveController {
 public:
  // dropped: the flow's turn to the page that confirms a drop.
  MoveController(const WizardPorts& ports, MovePages& move, Field& focusField, const WindowTalk& talk,
                 std::function<void()> dropped);

  // A drop of the left tree's item (source path) onto a folder of the right tree.
  void DropOnMoveTo(const std::string& source, const std::string& destination);
  // The trees: what a node lists when expanded, whether a drag may drop over
  // a node, and the drop itself (dragged: the left tree's selected node;
  // target: the right tree's node under the mouse).
  std::vector<TreeEntry> TreeChildrenOf(TreeSide side, const NodeChain& node);
  bool TreeFolderShowsAnything(TreeSide side, const NodeChain& folder);
  bool MayDropOnMoveTo(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target);
  void DropOnMoveTo(TreeSide from, const NodeChain& dragged, const NodeChain& target);
  // The keyboard's way to a move: the left tree's selected node onto the
  // right tree's selected node (null: none selected).
  void MoveSelectedPair(const NodeChain* dragged, const NodeChain* target);
  void BrowseDestinationClick();  // "Browse" for the destination

 private:
  const WizardPorts& ports_;
  MovePages& move;
  Field& focusField;
  const WindowTalk& talk_;
  std::function<void()> dropped_;
};
