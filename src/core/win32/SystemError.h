#pragma once
// How an adapter names a failure: what was tried, on which path or key, and
// the system's own words for why, e.g.
//   Cannot write shortcut "D:\l\ro.lnk": Access is denied.
#include <string>
#include <string_view>

#include "core/win32/WinApi.h"

// The system's text for an error code (a Win32 code or an HRESULT), without
// its line end; "Error N." when the system has none.
std::string SystemMessage(DWORD code);

// "<what> \"<place>\": <system message>".
std::string Failure(std::string_view what, std::string_view place, DWORD code);

// Throws Error(Failure(...)); the code defaults to the thread's last error.
[[noreturn]] void ThrowFailure(std::string_view what, std::string_view place, DWORD code = GetLastError());
