#pragma once
// The Targets page (what to search through) and the Drives page (where).
#include "window/win32/PageView.h"

class TargetsView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Created() override;
  void Started() override;
  void Laid(int dpi) override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  bool Notify(const NMHDR& n, LRESULT& result) override;
  // The drive list's selection into the model (before any page turn).
  void ReadDriveSelection();

 private:
  LRESULT DriveListDraw(NMLVCUSTOMDRAW& cd);
  bool filling_ = false;  // the drive list is being filled: its changes are not the user's
};
