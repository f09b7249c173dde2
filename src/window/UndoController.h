#pragma once
// What the undo page does: its list read from the undo records, the undo of
// the selected entry, its deletion and the age limit that deletes old ones.
#include <optional>
#include <string>

#include "engine/RunSettings.h"
#include "window/PageParts.h"
#include "window/UndoPage.h"
#include "window/WindowTalk.h"

struct WizardPorts;

class UndoController {
 public:
  // `running` is the window's busy mark: an undo pumps messages as a run does.
  UndoController(const WizardPorts& ports, UndoPage& undo, bool& running, Field& focusField, const WindowTalk& talk);

  // On start: the age limit from the settings, then the list.
  void Begin(int ageIndex);
  void UndoChangesClick();  // "Undo Changes"
  void DeleteUndoClick();   // "Delete"
  void UndoAgeChange(int index);
  void RefreshUndoList();
  // The name of the selected undo entry; none after showing why there is none.
  std::optional<UndoName> SelectedUndoName(const char* emptyListMessage);

 private:
  void ShowMessage(const std::string& text, const std::string& caption = kAppTitle,
                   MessageKind kind = MessageKind::Information) {
    talk_.ShowMessage(text, caption, kind);
  }
  bool Confirm(const std::string& text, const std::string& caption) { return talk_.Confirm(text, caption); }

  const WizardPorts& ports_;
  UndoPage& undo;
  bool& running;
  Field& focusField;
  const WindowTalk& talk_;
};
