#pragma once
// The review page's list view: a virtual list (LVS_OWNERDATA) over a
// ReviewList, columns Where / Old / New, a check box per entry that can be
// changed, sorting by a click on a column's header. The list view holds no
// rows of its own, so 100,000 entries cost no more to show than ten.
#include "window/ReviewList.h"
#include "window/win32/WinView.h"

class ReviewListView {
 public:
  // Makes the list view as a child of `parent` with the control id `id`.
  // Without boxes it shows a run's report: no ticks, and an Outcome column.
  void Create(HWND parent, int id, bool withBoxes = true);
  HWND hwnd() const { return hwnd_; }
  void Place(int x, int y, int width, int height);
  // Shows the list anew (after Load or a sort), scrolled to its start.
  void Show(ReviewList& list);
  // Columns that share the list's width, so none lies beyond its right edge
  // (a cut cell shows whole in the row's tip).
  void FitColumns();
  // The parent hands on its WM_NOTIFY messages from this list view; true
  // when one was handled (`result` is then the message's result).
  bool OnNotify(const NMHDR& header, LRESULT& result);
  // The row with the keyboard focus; -1 when none.
  int FocusedRow() const;
  // Every row drawn again (after the ticks changed under it).
  void Redraw();

 private:
  void Toggle(int row);
  // The cell's text shortened in its middle to the column's width; column -1: as it is.
  std::wstring Fitted(const std::string& text, int column) const;

  HWND hwnd_ = nullptr;
  ReviewList* list_ = nullptr;
  bool withBoxes_ = true;
  int columns_ = 3;
  std::wstring cell_;  // the text the list view is handed; lives until the next request
};
