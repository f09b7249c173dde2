#include "window/win32/MovePagesView.h"

#include "window/Settings.h"

void MovePagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // MoveTrees
      {kAuto, P::MoveTrees, K::Text, "Drag an item from the left box onto the folder it goes to in the right box, or select both and click \"Move to...\".  All files and folders in the item are moved and mapped.", 16, 92, 456, 34},
      {kAuto, P::MoveTrees, K::Bold, "Move &From...", 16, 130, 200, 18},
      {kMoveFromTree, P::MoveTrees, K::Tree, "Move From...", 16, 148, 224, 208},
      {kAuto, P::MoveTrees, K::Bold, "Move &To...", 248, 130, 140, 18},
      {kMoveToTree, P::MoveTrees, K::Tree, "Move To...", 248, 148, 224, 208},
      {kRefreshTrees, P::MoveTrees, K::Button, "&Refresh", 392, 122, 80, 24},
      {SenderControlId(Sender::MoveTreesBack), P::MoveTrees, K::Button, "&Back", B::backX - 16, B::bottom, B::bw, B::bh},
      {kMoveSelectedPair, P::MoveTrees, K::DefButton, "Mo&ve to...", B::nextX - 16, B::bottom, B::bw + 16, B::bh},
      // MoveConfirm
      // Room for a path of 260 characters in each path field.
      {kConfirmItemName, P::MoveConfirm, K::BoldPath, "", 24, 92, 440, 32},
      {kConfirmFromLine, P::MoveConfirm, K::Text, "", 24, 124, 440, 16},
      {kConfirmSourceFolder, P::MoveConfirm, K::BoldPath, "", 24, 140, 440, 62},
      {kConfirmToLine, P::MoveConfirm, K::Text, "", 24, 202, 440, 16},
      {kConfirmDestination, P::MoveConfirm, K::BoldPath, "", 24, 218, 440, 62},
      {kAuto, P::MoveConfirm, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 280, 440, 30},
      {kMoveConfirmHint, P::MoveConfirm, K::Text, "", 24, 310, 440, 16},
      {kVerifyMoveConfirm, P::MoveConfirm, K::Check, "Stop and &Verify each Mapping Change", 24, 326, 300, 20},
      {kShowChangesMoveConfirm, P::MoveConfirm, K::Check, "Show &changes before they are made", 24, 346, 260, 20},
      {SenderControlId(Sender::MoveConfirmBack), P::MoveConfirm, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::MoveConfirmNext), P::MoveConfirm, K::DefButton, "", B::nextX, B::bottom, B::bw, B::bh},
      // MoveGiven
      {kGivenItemName, P::MoveGiven, K::BoldPath, "", 24, 92, 440, 32},
      {kAuto, P::MoveGiven, K::Text, "and all files and folders in it will be moved from", 24, 124, 440, 16},
      {kGivenSourceFolder, P::MoveGiven, K::BoldPath, "", 24, 140, 440, 62},
      {kAuto, P::MoveGiven, K::Text, "&to", 24, 204, 440, 16},
      {kGivenDestination, P::MoveGiven, K::Edit, "", 24, 222, 344, 24},
      {kBrowseDestination, P::MoveGiven, K::Button, "Bro&wse", 376, 221, 88, 26},
      {kAuto, P::MoveGiven, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 254, 440, 30},
      {kMoveGivenHint, P::MoveGiven, K::Text, "", 24, 286, 440, 16},
      {kVerifyMoveGiven, P::MoveGiven, K::Check, "Stop and &Verify each Mapping Change", 24, 306, 300, 22},
      {kShowChangesMoveGiven, P::MoveGiven, K::Check, "Show &changes before they are made", 24, 330, 300, 22},
      {SenderControlId(Sender::MoveGivenBack), P::MoveGiven, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::MoveGivenNext), P::MoveGiven, K::DefButton, "", B::nextX, B::bottom, B::bw, B::bh},
  });
}

void MovePagesView::Created() {
  left_.Attach(Control(kMoveFromTree));
  right_.Attach(Control(kMoveToTree));
}

void MovePagesView::Refresh(bool) {
  const MovePages& move = wizard_.move;
  Text(kConfirmItemName, move.confirmItemName);
  Text(kConfirmFromLine, move.confirmFromLine);
  Text(kConfirmSourceFolder, move.confirmSourceFolder);
  Text(kConfirmToLine, move.confirmToLine);
  Text(kConfirmDestination, move.confirmDestination);
  Text(kMoveConfirmHint, move.confirmHint);
  Text(kGivenItemName, move.givenItemName);
  Text(kGivenSourceFolder, move.givenSourceFolder);
  Text(kMoveGivenHint, move.givenHint);
  Text(kGivenDestination, move.givenDestination);
  Text(SenderControlId(Sender::MoveConfirmNext), move.confirmStart.caption);
  Text(SenderControlId(Sender::MoveGivenNext), move.givenStart.caption);
  for (int box : {kVerifyMoveGiven, kVerifyMoveConfirm}) SetCheck(Control(box), wizard_.StopAndVerify());
  const bool showChanges = wizard_.showChangesFirst[ModeIndex(RunMode::MoveAndMap)];
  SetCheck(Control(kShowChangesMoveConfirm), showChanges);
  SetCheck(Control(kShowChangesMoveGiven), showChanges);
  // The trees are listed when the move page is first shown, not at start.
  if (wizard_.CurrentPage == Page::MoveTrees && !left_.Loaded()) {
    left_.Reload();
    right_.Reload();
  }
}

bool MovePagesView::Command(int id, int code) {
  if (id == kGivenDestination) {
    if (code == EN_CHANGE) wizard_.move.givenDestination = WindowText(Control(id));
    return true;
  }
  if (!Clicked(code)) return false;
  switch (id) {
    case kVerifyMoveGiven:
    case kVerifyMoveConfirm: wizard_.VerifyClick(Checked(Control(id))); return true;
    case kShowChangesMoveConfirm:
    case kShowChangesMoveGiven: wizard_.run.ShowChangesFirstClick(RunMode::MoveAndMap, Checked(Control(id))); return true;
    case kBrowseDestination: host_.Guarded([&] { wizard_.moving.BrowseDestinationClick(); }); return true;
    case kMoveSelectedPair: MoveSelectedPair(); return true;
    case kRefreshTrees:
      left_.Reload();
      right_.Reload();
      return true;
    default: return false;
  }
}

HWND MovePagesView::FieldControl(Field field) const {
  return field == Field::GivenDestination ? Control(kGivenDestination) : nullptr;
}

void MovePagesView::Turned(Sender s) {
  // A move that got past its checks leaves both trees unselected.
  if ((s == Sender::MoveConfirmNext || s == Sender::MoveGivenNext) && wizard_.move.Complete()) {
    left_.ClearSelection();
    right_.ClearSelection();
  }
}

void MovePagesView::MoveSelectedPair() {
  const HTREEITEM from = left_.Selected(), to = right_.Selected();
  const NodeChain dragged = from ? left_.ChainOf(from) : NodeChain{};
  const NodeChain target = to ? right_.ChainOf(to) : NodeChain{};
  host_.Guarded([&] { wizard_.moving.MoveSelectedPair(from ? &dragged : nullptr, to ? &target : nullptr); });
  host_.ShowModel(true);
}

bool MovePagesView::Notify(const NMHDR& n, LRESULT& result) {
  if (n.idFrom != UINT_PTR(kMoveFromTree) && n.idFrom != UINT_PTR(kMoveToTree)) return false;
  FolderTree& tree = n.idFrom == UINT_PTR(kMoveFromTree) ? left_ : right_;
  const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(n);
  result = 0;
  switch (n.code) {
    case TVN_ITEMEXPANDINGW:
      if (tv.action & TVE_EXPAND) result = tree.Expanding(tv.itemNew.hItem) ? TRUE : FALSE;
      break;
    case TVN_GETDISPINFOW:
      tree.ChildrenAsked(const_cast<NMTVDISPINFOW&>(reinterpret_cast<const NMTVDISPINFOW&>(n)));
      break;
    case TVN_BEGINDRAGW:
      // Items are dragged from the left tree only.
      if (&tree == &left_) BeginDrag(tv.itemNew.hItem);
      break;
  }
  return true;
}

void MovePagesView::BeginDrag(HTREEITEM item) {
  // The item dragged is the left tree's selected node.
  SendMessageW(left_.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
  dragging_ = true;
  dropTarget_ = nullptr;
  SetCapture(host_.hwnd());
  SetFocus(host_.hwnd());  // Esc ends the drag
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_NO)));
}

void MovePagesView::EndDrag(bool drop) {
  dragging_ = false;
  HTREEITEM target = dropTarget_;
  SendMessageW(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  dropTarget_ = nullptr;
  if (GetCapture() == host_.hwnd()) ReleaseCapture();
  if (drop && target) DragDrop(target);
}

bool MovePagesView::CancelDrag() {
  if (!dragging_) return false;
  EndDrag(false);
  return true;
}

bool MovePagesView::DragMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!dragging_) return false;
  switch (msg) {
    case WM_MOUSEMOVE: {
      POINT pt;
      GetCursorPos(&pt);
      const bool accepted = DragOver(right_.ItemAt(pt));
      ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(accepted ? IDC_ARROW : IDC_NO)));
      return true;
    }
    case WM_LBUTTONUP: EndDrag(true); return true;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != host_.hwnd()) EndDrag(false);
      return true;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) EndDrag(false);
      return true;
  }
  return false;
}

bool MovePagesView::DragOver(HTREEITEM target) {
  const NodeChain dragged = left_.ChainOf(left_.Selected());
  const NodeChain under = right_.ChainOf(target);
  const HTREEITEM hilite =
      target && wizard_.moving.MayDropOnMoveTo(TreeSide::MoveFrom, TreeSide::MoveTo, dragged, &under) ? target : nullptr;
  if (hilite != dropTarget_) SendMessageW(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(hilite));
  dropTarget_ = hilite;
  return hilite != nullptr;
}

void MovePagesView::DragDrop(HTREEITEM target) {
  if (!target) return;
  host_.Guarded([&] { wizard_.moving.DropOnMoveTo(TreeSide::MoveFrom, left_.ChainOf(left_.Selected()), right_.ChainOf(target)); });
  host_.ShowModel(false);
}
