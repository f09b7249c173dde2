#pragma once
// The Map Only page: the text to find and the text to put in its place.
#include <string>

#include "engine/MappingRequest.h"
#include "window/PageParts.h"

struct MapOnlyPage {
  MapOnlyPage() { FollowAdvanced(false); }

  std::string findWhat, replaceWith;
  ButtonFace start;

  // "Show Advanced Map Options": "Next" to the targets page, or "Start Map".
  void FollowAdvanced(bool on);
  // The start button's check: both fields filled and put into the request,
  // which the run must accept.
  Check Start(MappingRequest& request) const;
};
