#pragma once
// The command line of the elevated copy that "Restart as administrator"
// starts; the page and fields it carries are Wizard's ResumeArguments.
#include <string>
#include <vector>

// The first argument of an elevated copy that takes over the page.
inline constexpr const char* kResumeSwitch = "/resume";

// A command line's parameters: each argument quoted so that
// CommandLineToArgvW gives it back unchanged.
std::string JoinArguments(const std::vector<std::string>& arguments);
