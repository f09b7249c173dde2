#include "window/win32/PageControls.h"


void SetCheck(HWND h, bool on) {
  if ((SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool WindowClassIs(HWND h, const wchar_t* name) {
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 32);
  return lstrcmpiW(cls, name) == 0;
}
