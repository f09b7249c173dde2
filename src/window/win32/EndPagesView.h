#pragma once
// The end pages of a run: Finished and Cancelled, with the places passed
// over, the run's notes, an item handed over during the run and the way to
// the run's change report.
#include "window/win32/PageView.h"

class EndPagesView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
};
