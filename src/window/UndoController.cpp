#include "window/UndoController.h"

#include "core/Error.h"
#include "core/ScopeExit.h"
#include "engine/UndoWords.h"
#include "window/WizardPorts.h"

UndoController::UndoController(const WizardPorts& ports, UndoPage& undo, bool& running, Field& focusField,
                               const WindowTalk& talk)
    : ports_(ports), undo(undo), running(running), focusField(focusField), talk_(talk) {}

void UndoController::Begin(int ageIndex) {
  undo.ageIndex = ageIndex;
  ports_.undo->SetAgeIndex(undo.ageIndex);
  RefreshUndoList();
}

// Read afresh from the records: a run's line takes its description from the
// change report written at its very end, and an undo marks its entry undone.
void UndoController::RefreshUndoList() {
  ports_.undo->RebuildList();
  undo.Fill(ports_.undo->Entries());
}

std::optional<UndoName> UndoController::SelectedUndoName(const char* emptyListMessage) {
  if (!undo.Selected()) {
    // The list is where the choice is made.
    if (!undo.Empty()) focusField = Field::UndoList;
    ShowMessage(undo.Empty() ? emptyListMessage : kPleaseSelectAnItem);
    return std::nullopt;
  }
  return undo.Selected()->name;
}

void UndoController::UndoChangesClick() {
  if (running) return;
  const std::optional<UndoName> name = SelectedUndoName(kNoItemsToUndo);
  if (!name) return;
  // Only a Move and Map entry has an item to move back.
  const bool moved = undo.Selected()->mode == RunMode::MoveAndMap;
  if (!Confirm("Undo the changes of " + undo.SelectedLine() + "?\n\n" +
                   (moved ? "The moved item goes back and the changed places get their old texts again."
                          : "The changed places get their old texts again."),
               "Undo Changes"))
    return;
  // The move back pumps messages: until it is done the window takes no input
  // that could delete the entry under it, close the window or start a run.
  // Whatever happened, the list then says what the entry is now.
  const ScopeExit busy{[this] {
    running = false;
    // A list that cannot be read again keeps its lines; the undo's own
    // outcome (or failure) is what is reported.
    try {
      RefreshUndoList();
    } catch (const std::exception&) {
    }
  }};
  running = true;
  // The progress goes before the closing message comes.
  const auto undoEntry = [&](bool force) {
    const std::unique_ptr<UndoProgress> progress = talk_.ShowUndoProgress();
    return ports_.undoRun->UndoEntry(*name, force, progress.get());
  };
  const UndoOutcome outcome = undoEntry(false);
  Tell(*name, outcome);
  // Nothing was undone: the item would have gone home while places changed
  // after the run still point at its new place. Forced, they get their state
  // before the run too; asked with No as the default.
  if (outcome.result == UndoResult::HeldBack) {
    if (Confirm("Undo it all the same?\n\nThe places named get their state before the run, and their later changes "
                "are lost.",
                "Undo Changes"))
      Tell(*name, undoEntry(true));
    return;
  }
  // Places changed after the run were left; the user may still want the
  // run's state before it back there, knowing what that costs. Asked once.
  if (const std::size_t changed = outcome.changed.size(); changed > 0) {
    if (Confirm(LeftAfterRunQuestion(changed), "Undo Changes")) Tell(*name, undoEntry(true));
  }
}

std::string LeftAfterRunQuestion(std::size_t changed) {
  return changed == 1 ? "1 place was changed after the run and left as it is.\n\nRestore it anyway?  Its later changes "
                        "would be lost."
                      : std::to_string(changed) + " places were changed after the run and left as they are.\n\nRestore "
                                                  "them anyway?  Their later changes would be lost.";
}

void UndoController::Tell(const UndoName& name, const UndoOutcome& outcome) {
  undo.lastUndone = name;
  undo.lastAccount = UndoMessage(outcome);
  if (outcome.Complete()) {
    ShowMessage(undo.lastAccount);
    return;
  }
  // An undo that left places is a warning; however many they are, the
  // message stays short and the pane under the list names each.
  const std::size_t left = outcome.Left().size();
  const std::string places = left == 1 ? "1 place was" : std::to_string(left) + " places were";
  ShowMessage(std::string(outcome.result == UndoResult::HeldBack ? kUndoHeldBack : kUndoIncomplete) + " " + places +
                  " left as " + (left == 1 ? "it was" : "they were") + ".\n\nThe list under the undo entries names " +
                  (left == 1 ? "it" : "each") + " with why.",
              "Undo Changes", MessageKind::Warning);
}

void UndoController::DeleteUndoClick() {
  if (running) return;
  const std::optional<UndoName> name = SelectedUndoName(kNoItemsToDelete);
  if (!name) return;
  if (!Confirm("Delete the undo entry " + undo.SelectedLine() +
                   "?\n\nIts changes can then no longer be undone.",
               "Delete Undo Entry"))
    return;
  try {
    ports_.undo->DeleteEntry(*name);
  } catch (const Error& e) {
    ShowMessage(e.what(), kAppTitle, MessageKind::Error);
  }
  RefreshUndoList();
}

void UndoController::UndoAgeChange(int index) {
  if (running) return;
  const std::vector<UndoName> going = ports_.undo->EntriesAgedOut(index);
  if (!going.empty()) {
    std::string list;
    for (const UndoName& name : going) list += "\n" + name.Text();
    if (!Confirm("This age limit deletes these undo entries now; their changes can then no longer be undone:\n" + list +
                     "\n\nDelete them?",
                 "Delete Old Undo Entries"))
      return;
  }
  undo.ageIndex = index;
  ports_.undo->SetAgeIndex(index);
  RefreshUndoList();
}
