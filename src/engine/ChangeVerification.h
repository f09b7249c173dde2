#pragma once
// The "Entry Found" question that every walk asks before a change when the
// user wants to confirm each one, and the "Do Not Stop and Verify" rule.
#include "engine/RunPass.h"
#include "core/Ui.h"

enum class WalkKind { Registry, Files };

// Whether the run under way still asks before each change: as its settings
// chose at the start, until the user ticks "Do Not Stop and Verify".
class StopAndVerify {
 public:
  explicit StopAndVerify(bool asking) : asking_(asking) {}
  bool Asking() const { return asking_; }
  void StopAsking() { asking_ = false; }

 private:
  bool asking_;
};

// On while the run stops and verifies, in Map Only and Move and Map; never
// in Switch Drives nor in a preview or a search. Read afresh for every occurrence.
bool VerificationOn(const RunPass& run);

// Asks the question and applies the answer's side effects: Cancel sets
// cancelled; the dialog's "Do Not Stop and Verify" box ends the asking for
// the rest of the run. The file walks also stop the progress timer while
// the question is up.
Answer OfferChange(RunPass& run, const Question& question, WalkKind kind);
