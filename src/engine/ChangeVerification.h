#pragma once
// The "Entry Found" question that every walk asks before a change when the
// user wants to confirm each one, and the "Do Not Stop and Verify" rule.
#include "engine/MappingRequest.h"
#include "core/Ui.h"

enum class WalkKind { Registry, Files };

// On in Map Only with mapOnly, in Move and Map with moveGiven or
// moveConfirm; never in Switch Drives nor in a preview. Read afresh for
// every occurrence.
bool VerificationOn(const RunContext& ctx);

// Asks the question and applies the answer's side effects: Cancel sets
// Cancelled; the dialog's box then clears the switches (registry walk) or
// sets each switch to its opposite (file and shortcut walks). The file walks
// also stop the progress timer while the question is up.
Answer OfferChange(RunContext& ctx, const Question& question, WalkKind kind);
