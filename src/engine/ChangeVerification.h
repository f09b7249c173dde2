#pragma once
// The "Entry Found" question that every walk asks before a change when the
// user wants to confirm each one, and the "Do Not Stop and Verify" rule.
#include "engine/RunContext.h"
#include "core/Ui.h"

enum class WalkKind { Registry, Files };

// On while the run stops and verifies, in Map Only and Move and Map; never
// in Switch Drives nor in a preview. Read afresh for every occurrence.
bool VerificationOn(const RunContext& ctx);

// Asks the question and applies the answer's side effects: Cancel sets
// cancelled; the dialog's "Do Not Stop and Verify" box ends the asking for
// the rest of the run. The file walks also stop the progress timer while
// the question is up.
Answer OfferChange(RunContext& ctx, const Question& question, WalkKind kind);
