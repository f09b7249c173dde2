#pragma once
// The rights warning as a task dialog: "Restart as administrator" (with the
// shield), "Continue with what I can change" and "Back".
#include <string>
#include <vector>

#include "core/win32/WinApi.h"
#include "window/RightsWarningPage.h"

// Button IDs of the dialog (also what TDM_CLICK_BUTTON takes).
inline constexpr int kRightsRestartId = 1001;
inline constexpr int kRightsContinueId = 1002;

RightsChoice ShowRightsWarning(HWND owner, const RightsWarningPage& page);

// Starts this program again through the shell's "runas" verb (the system
// asks for consent or credentials) with the given arguments; false when it
// did not start (refused, cancelled).
bool RestartElevated(HWND owner, const std::vector<std::string>& arguments);
