#pragma once
// What every page shares: the title strip (Front, Undo, Help, Minimise,
// Exit), the band that describes the mode at hand, "Show Advanced Map
// Options" and the front page's version line.
#include "window/win32/PageView.h"

class ChromeView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;  // the strip and the band: first in Tab order
  void AddBottomControls(PageControls& controls);      // bottom left: last in Tab order
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
};
