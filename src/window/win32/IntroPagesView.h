#pragma once
// The three introduction pages and the front page: the travelling picture,
// the help links, "Skip Introduction" and the choice of mode.
#include "window/win32/PageView.h"

class IntroPagesView : public PageView {
 public:
  IntroPagesView(Wizard& wizard, PageHost& host);
  ~IntroPagesView() override;
  void AddControls(PageControls& controls) override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  void Paint(HDC dc, int dpi) override;

 private:
  HICON pictures_[3] = {};
};
