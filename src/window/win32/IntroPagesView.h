#pragma once
// The three introduction pages and the front page: the travelling picture,
// the help links, "Skip Introduction" and the choice of mode.
#include "core/win32/GdiOwned.h"
#include "window/win32/PageView.h"

class IntroPagesView : public PageView {
 public:
  IntroPagesView(Wizard& wizard, PageHost& host);
  void AddControls(PageControls& controls) override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  void Paint(HDC dc, int dpi) override;

 private:
  // The system's folder, document and blank icons (shell32.dll's 3, 4 and 0).
  static constexpr int kPictureIcons[3] = {3, 4, 0};
  OwnedIcon pictures_[3];
};
