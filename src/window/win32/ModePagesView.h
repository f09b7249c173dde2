#pragma once
// The pages of the two advanced modes: Switch Drives (two drive letters)
// and Map Only (what to find and what to put in its place).
#include "window/win32/PageView.h"

class ModePagesView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Created() override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  HWND FieldControl(Field field) const override;
};
