#include "window/win32/ReviewListView.h"

#include <commctrl.h>

#include <algorithm>

#include "core/Unicode.h"
#include "core/win32/GdiOwned.h"
#include "window/ListText.h"

namespace {
constexpr ReviewColumn kColumns[] = {ReviewColumn::Where, ReviewColumn::Old, ReviewColumn::New, ReviewColumn::Outcome};
constexpr const wchar_t* kHeadings[] = {L"Where", L"Old", L"New", L"Outcome"};
constexpr int kWidths[] = {260, 220, 220, 160};
// The share of the list's width each column gets, in percent: the review's
// three, the report's four (Outcome shown first after the box).
constexpr int kReviewShares[] = {36, 32, 32};
constexpr int kReportShares[] = {30, 28, 28, 14};
}  // namespace

void ReviewListView::Create(HWND parent, int id, bool withBoxes) {
  withBoxes_ = withBoxes;
  columns_ = withBoxes ? 3 : 4;
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0,
                          0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               (withBoxes ? LVS_EX_CHECKBOXES : 0) | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
  // The boxes are the list's too: asked for with the texts.
  if (withBoxes) SendMessageW(hwnd_, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
  const int dpi = DpiOf(parent);
  for (int i = 0; i < columns_; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(kHeadings[i]);
    column.cx = Scale(kWidths[i], dpi);
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column));
  }
  // What became of an entry is read first in a report.
  if (!withBoxes) {
    int order[] = {3, 0, 1, 2};
    SendMessageW(hwnd_, LVM_SETCOLUMNORDERARRAY, 4, LPARAM(order));
  }
}

void ReviewListView::FitColumns() {
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  // Room for a vertical scroll bar, shown or not, so that none comes sideways.
  const int width = rc.right - GetSystemMetrics(SM_CXVSCROLL);
  if (width <= 0) return;
  const int* shares = withBoxes_ ? kReviewShares : kReportShares;
  int given = 0;
  for (int i = 0; i < columns_; ++i) {
    const int cx = i + 1 == columns_ ? width - given : width * shares[i] / 100;
    SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, WPARAM(i), MAKELPARAM(cx, 0));
    given += cx;
  }
}

void ReviewListView::Place(int x, int y, int width, int height) { MoveWindow(hwnd_, x, y, width, height, TRUE); }

void ReviewListView::Show(ReviewList& list) {
  list_ = &list;
  // Only the number of rows: each row's texts are asked for when shown.
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, WPARAM(list.size()), LVSICF_NOSCROLL);
  // A list loaded anew starts at its first row and its left edge, boxes in view.
  const int scrolledX = GetScrollPos(hwnd_, SB_HORZ);
  if (scrolledX > 0) SendMessageW(hwnd_, LVM_SCROLL, WPARAM(-scrolledX), 0);
  if (list.size() > 0) SendMessageW(hwnd_, LVM_ENSUREVISIBLE, 0, FALSE);
  FitColumns();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

int ReviewListView::FocusedRow() const {
  return hwnd_ ? int(SendMessageW(hwnd_, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(LVNI_FOCUSED, 0))) : -1;
}

void ReviewListView::Redraw() {
  if (list_ && list_->size() > 0) SendMessageW(hwnd_, LVM_REDRAWITEMS, 0, LPARAM(list_->size() - 1));
  UpdateWindow(hwnd_);
}

std::wstring ReviewListView::Fitted(const std::string& text, int column) const {
  // The list view cuts a cell at its end; a path keeps its drive and file
  // name instead. The margins are the list view's own at both sides, and
  // the first column's box.
  const int dpi = DpiOf(hwnd_);
  const auto wide = [](std::string_view s) {
    const std::u16string w = Utf16FromUtf8(std::string(s));
    std::wstring out(w.begin(), w.end());
    // Line ends would show as boxes in one row.
    for (wchar_t& c : out)
      if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
    return out;
  };
  if (column < 0) return wide(text);
  int room = int(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, WPARAM(column), 0)) - Scale(14, dpi);
  if (column == 0 && withBoxes_) room -= GetSystemMetrics(SM_CXSMICON) + Scale(4, dpi);
  const WindowDc dc(hwnd_);
  const Selected font(dc.get(), HGDIOBJ(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  const auto fits = [&](std::string_view s) {
    const std::wstring w = wide(s);
    SIZE size{};
    return room > 0 && GetTextExtentPoint32W(dc.get(), w.c_str(), int(w.size()), &size) && size.cx <= room;
  };
  return wide(MiddleShortened(text, fits));
}

void ReviewListView::Toggle(int row) {
  if (!withBoxes_ || !list_ || row < 0 || std::size_t(row) >= list_->size() || !list_->Tickable(std::size_t(row))) return;
  list_->SetTicked(std::size_t(row), !list_->Ticked(std::size_t(row)));
  SendMessageW(hwnd_, LVM_REDRAWITEMS, WPARAM(row), LPARAM(row));
  // The page shows how many are ticked.
  NMHDR changed{hwnd_, UINT_PTR(GetDlgCtrlID(hwnd_)), LVN_ITEMCHANGED};
  NMLISTVIEW note{};
  note.hdr = changed;
  note.iItem = row;
  note.uChanged = LVIF_STATE;
  SendMessageW(GetParent(hwnd_), WM_NOTIFY, changed.idFrom, LPARAM(&note));
}

bool ReviewListView::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != hwnd_ || !list_) return false;
  result = 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
      if (item.iItem < 0 || std::size_t(item.iItem) >= list_->size()) return true;
      const std::size_t row = std::size_t(item.iItem);
      if ((item.mask & LVIF_TEXT) && item.iSubItem >= 0 && item.iSubItem < columns_) {
        // An outcome reads from its start ("passed over: ..."): the list view cuts its end.
        const ReviewColumn column = kColumns[item.iSubItem];
        cell_ = Fitted(list_->CellText(row, column), column == ReviewColumn::Outcome ? -1 : item.iSubItem);
        item.pszText = cell_.data();
      }
      if ((item.mask & LVIF_STATE) && withBoxes_) {
        item.stateMask |= LVIS_STATEIMAGEMASK;
        // No box (image 0) where there is nothing to tick.
        item.state = list_->Tickable(row) ? INDEXTOSTATEIMAGEMASK(list_->Ticked(row) ? 2 : 1) : 0;
      }
      return true;
    }
    case LVN_GETINFOTIPW: {
      // The whole row, since any of its cells may be cut.
      auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(const_cast<NMHDR&>(header));
      if (tip.iItem < 0 || std::size_t(tip.iItem) >= list_->size() || !tip.pszText || tip.cchTextMax <= 0) return true;
      std::string text;
      for (int i = 0; i < columns_; ++i)
        text += (i ? "\n" : "") + std::string(i == 0 ? "Where: " : i == 1 ? "Old: " : i == 2 ? "New: " : "Outcome: ") +
                list_->CellText(std::size_t(tip.iItem), kColumns[i]);
      const std::u16string wide = Utf16FromUtf8(text);
      const std::size_t n = std::min<std::size_t>(wide.size(), std::size_t(tip.cchTextMax) - 1);
      for (std::size_t i = 0; i < n; ++i) tip.pszText[i] = wchar_t(wide[i]);
      tip.pszText[n] = L'\0';
      return true;
    }
    case NM_CLICK: {
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      LVHITTESTINFO hit{};
      hit.pt = click.ptAction;
      SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, LPARAM(&hit));
      if (hit.flags & LVHT_ONITEMSTATEICON) Toggle(hit.iItem);
      return true;
    }
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE) {
        for (int row = int(SendMessageW(hwnd_, LVM_GETNEXTITEM, WPARAM(-1), MAKELPARAM(LVNI_SELECTED, 0))); row >= 0;
             row = int(SendMessageW(hwnd_, LVM_GETNEXTITEM, WPARAM(row), MAKELPARAM(LVNI_SELECTED, 0))))
          Toggle(row);
      }
      return true;
    case LVN_COLUMNCLICK: {
      const int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
      if (column >= 0 && column < columns_) list_->SortBy(kColumns[column]);
      Show(*list_);
      return true;
    }
  }
  return false;
}
