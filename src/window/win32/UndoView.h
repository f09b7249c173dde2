#pragma once
// The undo page: the undo entries, Undo Changes, Delete, Details and the age
// limit that deletes old entries.
#include <string>
#include <vector>

#include "window/win32/PageView.h"

class UndoView : public PageView {
 public:
  using PageView::PageView;
  void AddControls(PageControls& controls) override;
  void Created() override;
  void Refresh(bool pageChanged) override;
  bool Command(int id, int code) override;
  HWND FieldControl(Field field) const override;

 private:
  void ShowStatus();  // the pane under the list
  std::vector<std::string> shownLines_;
};
