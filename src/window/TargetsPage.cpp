#include "window/TargetsPage.h"

void TargetsPage::Follow(const Targets& targets) {
  if (targets.HasFileTargets()) {
    next = {"&Next", Glyph::Forward};
    hint = "Press the Next button to Continue";
  } else {
    next = {"&Start", Glyph::Start};
    hint = "Press the Start button to Begin";
  }
}
