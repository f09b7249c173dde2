#pragma once
// The window's warning before a run that needs rights the program lacks:
// what it says and offers ("Restart as administrator" carries the page over
// with ResumeArguments).
#include <string>
#include <vector>

#include "engine/Rights.h"


enum class RightsChoice {
  Restart,   // "Restart as administrator"
  Continue,  // "Continue with what I can change"
  Back,      // neither: stay on the page
};

struct RightsWarningPage {
  std::string title = "Administrator rights needed";
  std::string heading = "Ostrivane cannot change everything this run needs";
  std::string text;  // the lacking places, one a line
  std::string restartLabel = "Restart as administrator";
  std::string continueLabel = "Continue with what I can change";
  std::string backLabel = "Back";
  // Without a records folder it can write, nothing may be changed at all.
  bool continueEnabled = true;
};

RightsWarningPage RightsWarningPageOf(const RightsCheck& check);

