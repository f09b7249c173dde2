#include "engine/ChangeVerification.h"

bool VerificationOn(const RunContext& ctx) {
  if (ctx.preview) return false;
  const VerifySwitches& v = ctx.verify;
  switch (ctx.request.Mode) {
    case RunMode::MapOnly: return v.mapOnly;
    case RunMode::MoveAndMap: return v.moveGiven || v.moveConfirm;
    default: return false;
  }
}

Answer OfferChange(RunContext& ctx, const Question& question, WalkKind kind) {
  Ui& ui = *ctx.ui;
  if (kind == WalkKind::Files) ui.StopProgressTimer();
  ui.SetCursor(Cursor::Normal);
  const Answer answer = ui.Ask(question, ctx.verify.replaceAll);
  VerifySwitches& v = ctx.verify;
  if (kind == WalkKind::Files) {
    ui.StartProgressTimer();
    ui.SetCursor(Cursor::Busy);
    v.moveGiven = v.mapOnly = v.moveConfirm = !v.replaceAll;
  } else if (v.replaceAll) {
    v.moveGiven = v.mapOnly = v.moveConfirm = false;
  }
  if (answer == Answer::Cancel) ctx.request.Cancelled = true;
  return answer;
}
