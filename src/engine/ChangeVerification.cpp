#include "engine/ChangeVerification.h"

bool VerificationOn(const RunPass& run) {
  if (run.pass.FindsOnly() || !run.asking) return false;
  return run.asking->Asking() && run.settings.request.Mode != RunMode::SwitchDrives;
}

Answer OfferChange(RunPass& run, const Question& question, WalkKind kind) {
  Ui& ui = *run.ui;
  if (kind == WalkKind::Files) ui.StopProgressTimer();
  ui.SetCursor(Cursor::Normal);
  // Asked only while the run stops and verifies: the dialog's box starts clear.
  bool doNotStopAndVerify = false;
  const Answer answer = ui.Ask(question, doNotStopAndVerify);
  if (kind == WalkKind::Files) {
    ui.StartProgressTimer();
    ui.SetCursor(Cursor::Busy);
  }
  if (doNotStopAndVerify && run.asking) run.asking->StopAsking();
  if (answer == Answer::Cancel) run.findings.tally.cancelled = true;
  return answer;
}
