#pragma once
// The main window a process of the build shows, found by its class and title.
#include "core/win32/WinApi.h"
#include "window/win32/WindowClass.h"

inline HWND MainWindowOf(DWORD pid) {
  HWND h = nullptr;
  while ((h = FindWindowExW(nullptr, h, kMainWindowClass, L"Ostrivane")) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid) return h;
  }
  return nullptr;
}
