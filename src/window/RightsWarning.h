#pragma once
// The window's warning before a run that needs rights the program lacks:
// what it says and offers, and how "Restart as administrator" carries the
// page and its fields over to the elevated copy.
#include <string>
#include <vector>

#include "engine/Rights.h"

class Wizard;

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

// The first argument of an elevated copy that takes over the page.
inline constexpr const char* kResumeSwitch = "/resume";

// The current page and its fields as the arguments of a restarted copy,
// beginning with kResumeSwitch.
std::vector<std::string> ResumeArguments(const Wizard& wizard);
// Puts the page and fields back (after Start); false when the arguments are
// no resume arguments or name no page.
bool ApplyResumeArguments(Wizard& wizard, const std::vector<std::string>& arguments);

// A command line's parameters: each argument quoted so that
// CommandLineToArgvW gives it back unchanged.
std::string JoinArguments(const std::vector<std::string>& arguments);
