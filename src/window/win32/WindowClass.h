#pragma once
// The main window's class name. A second start finds the running copy by it,
// also a copy of an earlier version, so it never changes.
inline constexpr const wchar_t* kMainWindowClass = L"Wizard";

