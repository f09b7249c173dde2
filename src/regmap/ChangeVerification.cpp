#include "regmap/ChangeVerification.h"

bool VerificationOn(const RunContext& ctx) {
  if (ctx.preview) return false;
  const VerifySwitches& v = ctx.verify;
  switch (ctx.request.Mode) {
    case 'F': return v.suiCheckBox4;
    case 'M': return v.suiCheckBox3 || v.suiCheckBox5;
    default: return false;
  }
}

Answer OfferChange(RunContext& ctx, const Question& question, WalkKind kind) {
  Ui& ui = *ctx.ui;
  if (kind == WalkKind::Files) ui.StopProgressTimer();
  ui.SetCursor(Cursor::Normal);
  const Answer answer = ui.Ask(question, ctx.verify.chReplaceAll);
  VerifySwitches& v = ctx.verify;
  if (kind == WalkKind::Files) {
    ui.StartProgressTimer();
    ui.SetCursor(Cursor::Busy);
    v.suiCheckBox3 = v.suiCheckBox4 = v.suiCheckBox5 = !v.chReplaceAll;
  } else if (v.chReplaceAll) {
    v.suiCheckBox3 = v.suiCheckBox4 = v.suiCheckBox5 = false;
  }
  if (answer == Answer::Cancel) ctx.request.Cancelled = true;
  return answer;
}
