#pragma once
// Accounts by their SID's text form ("S-1-5-21-..."), as the registry's
// per-user hives and the undo store's guard name them.
#include <string>

#include "core/win32/WinApi.h"

// The SID as text; "" when it is no valid SID.
std::string SidText(PSID sid);

// The system account ("LocalSystem"), which deployment tools run jobs as.
inline constexpr const char* kSystemAccountSid = "S-1-5-18";

// The account this process runs as; "" when its token does not say.
std::string ProcessUserSid();
