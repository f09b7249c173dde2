#pragma once
// One folder tree of the move page over a TreeView control: filled from the
// page model's listing of My Computer, one level at a time as nodes expand.
#include "window/Wizard.h"
#include "core/win32/WinApi.h"
//
#include <commctrl.h>

class FolderTree {
 public:
  FolderTree(Wizard& wizard, TreeSide side) : wizard_(wizard), side_(side) {}
  void Attach(HWND tree);
  HWND hwnd() const { return tree_; }
  TreeSide side() const { return side_; }
  // Lists the tree afresh from its root, with My Computer's drives shown.
  void Reload();
  bool Loaded() const { return loaded_; }
  // The node's display texts up to the root.
  NodeChain ChainOf(HTREEITEM item) const;
  HTREEITEM Selected() const;
  // The node under a point of the screen, or null.
  HTREEITEM ItemAt(POINT screen) const;
  // TVN_ITEMEXPANDINGW: lists the node's children the first time it opens.
  // True refuses the expansion (the node turned out to have none).
  bool Expanding(HTREEITEM item);
  // TVN_GETDISPINFOW: whether a folder on screen gets its expand button.
  void ChildrenAsked(NMTVDISPINFOW& info);
  void ClearSelection();
  // The child of a node (null: the root level) with that text, a drive given
  // as C: matching its drive node; null when there is none.
  HTREEITEM Child(HTREEITEM parent, const std::string& text) const;
  void Expand(HTREEITEM item);  // lists the children as a click on the button would

 private:
  void Fill(HTREEITEM parent);
  int IconOf(const TreeEntry& entry, const NodeChain& parentChain) const;

  Wizard& wizard_;
  TreeSide side_;
  HWND tree_ = nullptr;
  bool loaded_ = false;
};
