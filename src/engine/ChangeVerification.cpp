#include "engine/ChangeVerification.h"

bool VerificationOn(const RunContext& ctx) {
  if (ctx.FindsOnly()) return false;
  return ctx.stopAndVerify && ctx.request.Mode != RunMode::SwitchDrives;
}

Answer OfferChange(RunContext& ctx, const Question& question, WalkKind kind) {
  Ui& ui = *ctx.ui;
  if (kind == WalkKind::Files) ui.StopProgressTimer();
  ui.SetCursor(Cursor::Normal);
  // Asked only while the run stops and verifies: the dialog's box starts clear.
  bool doNotStopAndVerify = false;
  const Answer answer = ui.Ask(question, doNotStopAndVerify);
  if (kind == WalkKind::Files) {
    ui.StartProgressTimer();
    ui.SetCursor(Cursor::Busy);
  }
  if (doNotStopAndVerify) ctx.stopAndVerify = false;
  if (answer == Answer::Cancel) ctx.tally.cancelled = true;
  return answer;
}
