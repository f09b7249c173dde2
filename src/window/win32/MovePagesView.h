#pragma once
// The move pages: the two folder trees an item is dragged between (or
// paired with the keyboard), MoveConfirm (what a drop will move) and
// MoveGiven (an item from the command line and its destination).
#include "window/win32/FolderTree.h"
#include "window/win32/PageView.h"

class MovePagesView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Created() override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  bool Notify(const NMHDR& n, LRESULT& result) override;
  HWND FieldControl(Field field) const override;
  void Turned(Sender sender) override;

  FolderTree& Tree(TreeSide side) { return side == TreeSide::MoveFrom ? left_ : right_; }
  // A drag of the left tree's selected node over, and dropped onto, a node of
  // the right tree (null: no node there). The mouse handlers end here.
  bool DragOver(HTREEITEM target);
  void DragDrop(HTREEITEM target);
  // The window's mouse and key messages while a drag is on; true when taken.
  bool DragMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Esc: a drag on ends without a drop; false when there was none.
  bool CancelDrag();

 private:
  void BeginDrag(HTREEITEM item);
  void EndDrag(bool drop);
  void MoveSelectedPair();  // "Move to..." on the trees

  FolderTree left_{wizard_, TreeSide::MoveFrom};
  FolderTree right_{wizard_, TreeSide::MoveTo};
  bool dragging_ = false;
  HTREEITEM dropTarget_ = nullptr;  // the accepted node under the mouse
};
