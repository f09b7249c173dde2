#pragma once
// The question of programs and services running from an item to be moved,
// as a task dialog: "Retry", "Stop the services, move, and start them
// again" (only while no program runs) and "Cancel".
#include "core/win32/WinApi.h"
#include "window/ItemInUsePage.h"

// Button IDs of the dialog (also what TDM_CLICK_BUTTON takes).
inline constexpr int kInUseRetryId = 1101;
inline constexpr int kInUseStopId = 1102;

InUseAnswer ShowItemInUse(HWND owner, const ItemInUsePage& page);
