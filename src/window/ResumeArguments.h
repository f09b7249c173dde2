#pragma once
// "Restart as administrator": the page on screen and its fields as the
// command line of the elevated copy, which takes the page over.
#include <string>
#include <vector>

#include "window/WizardPages.h"

// The first argument of an elevated copy that takes over the page.
inline constexpr const char* kResumeSwitch = "/resume";

// The current page and its fields as the arguments of a restarted copy,
// beginning with kResumeSwitch.
std::vector<std::string> ResumeArguments(const WizardPages& pages);
// Puts the page and fields back (after Start); false when the arguments are
// no resume arguments or name no page.
bool ApplyResumeArguments(WizardPages& pages, const std::vector<std::string>& arguments);

// A command line's parameters: each argument quoted so that
// CommandLineToArgvW gives it back unchanged.
std::string JoinArguments(const std::vector<std::string>& arguments);
