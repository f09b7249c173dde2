#pragma once
// The Targets page: what to search through; its button leads on to the
// drives or starts the run when only the registry is searched.
#include <string>

#include "engine/RunSettings.h"
#include "window/PageParts.h"

struct TargetsPage {
  ButtonFace next{"&Next", Glyph::Forward};
  std::string hint = "Press the Next button to Continue";

  // After one of the target boxes changed.
  void Follow(const Targets& targets);
};

// What a run will search, for the pages that start it while the Targets page
// is hidden: a target unticked there earlier stays off, so it is named with
// the way back to it.
std::string TargetsInEffectLine(const Targets& targets);
