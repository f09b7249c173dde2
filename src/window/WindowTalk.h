#pragma once
// The window's own messages and questions: through the dialogs port by
// kind, else as the run's plain messages (and every question is Yes).
#include <string>

#include "core/Ui.h"
#include "window/PageParts.h"
#include "window/WindowPorts.h"

class WindowTalk {
 public:
  WindowTalk(Ui* const& ui, WindowDialogs* const& dialogs) : ui_(ui), dialogs_(dialogs) {}
  void ShowMessage(const std::string& text, const std::string& caption = kAppTitle,
                   MessageKind kind = MessageKind::Information) const {
    if (dialogs_)
      dialogs_->Tell(text, caption, kind);
    else if (ui_)
      ui_->ShowMessage(text, caption);
  }
  bool Confirm(const std::string& text, const std::string& caption) const {
    return !dialogs_ || dialogs_->Confirm(text, caption);
  }
  std::unique_ptr<UndoProgress> ShowUndoProgress() const { return dialogs_ ? dialogs_->ShowUndoProgress() : nullptr; }
  // A page's check refused: its message, and the field to correct.
  void Refuse(const Refusal& refusal, Field& focusField) const {
    focusField = refusal.field;
    ShowMessage(refusal.text, refusal.caption, refusal.kind);
  }

 private:
  Ui* const& ui_;
  WindowDialogs* const& dialogs_;
};
