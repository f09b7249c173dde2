#include "window/win32/ReviewListView.h"

#include <commctrl.h>

#include "core/Unicode.h"

namespace {
constexpr ReviewColumn kColumns[] = {ReviewColumn::Where, ReviewColumn::Old, ReviewColumn::New, ReviewColumn::Outcome};
constexpr const wchar_t* kHeadings[] = {L"Where", L"Old", L"New", L"Outcome"};
constexpr int kWidths[] = {260, 220, 220, 160};
}  // namespace

void ReviewListView::Create(HWND parent, int id, bool withBoxes) {
  withBoxes_ = withBoxes;
  columns_ = withBoxes ? 3 : 4;
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0,
                          0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               (withBoxes ? LVS_EX_CHECKBOXES : 0) | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
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
}

void ReviewListView::Place(int x, int y, int width, int height) { MoveWindow(hwnd_, x, y, width, height, TRUE); }

void ReviewListView::Show(ReviewList& list) {
  list_ = &list;
  // Only the number of rows: each row's texts are asked for when shown.
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, WPARAM(list.size()), LVSICF_NOSCROLL);
  InvalidateRect(hwnd_, nullptr, TRUE);
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
        const std::u16string text = Utf16FromUtf8(list_->CellText(row, kColumns[item.iSubItem]));
        cell_.assign(text.begin(), text.end());
        // Line ends would show as boxes in one row.
        for (wchar_t& c : cell_)
          if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
        item.pszText = cell_.data();
      }
      if ((item.mask & LVIF_STATE) && withBoxes_) {
        item.stateMask |= LVIS_STATEIMAGEMASK;
        // No box (image 0) where there is nothing to tick.
        item.state = list_->Tickable(row) ? INDEXTOSTATEIMAGEMASK(list_->Ticked(row) ? 2 : 1) : 0;
      }
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
