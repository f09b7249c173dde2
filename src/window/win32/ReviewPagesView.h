#pragma once
// The review page (the changes a search found, ticked to be applied) and
// the report page (what a run did, read from its change report).
#include "window/win32/PageView.h"
#include "window/win32/ReviewListView.h"

class ReviewPagesView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Laid(int dpi) override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  bool Notify(const NMHDR& n, LRESULT& result) override;
  // The pane that shows that list's focused row whole; null for other controls.
  HWND Details(HWND list) const;

 private:
  void ShowDetails();
  ReviewListView review_;  // boxes to tick
  ReviewListView report_;  // read-only
};
