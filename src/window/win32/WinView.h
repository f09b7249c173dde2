#pragma once
// Small helpers the window program's windows share: the system's message
// font at the window's DPI, pixel scaling, centring and child controls.
#include <string>
#include <vector>

#include "core/win32/GdiOwned.h"
#include "core/win32/WinApi.h"

struct ViewFonts {
  OwnedFont normal;
  OwnedFont bold;
  OwnedFont heading;  // page headings
  OwnedFont title;    // the large "Ostrivane"
  OwnedFont link;     // underlined
  // Anew at that DPI; the fonts made before are deleted.
  void Create(int dpi);
};

int DpiOf(HWND hwnd);  // the window's DPI, 96 when the system cannot tell
inline int Scale(int px, int dpi) { return MulDiv(px, dpi, 96); }
// Sizes the window to that client size (96-DPI pixels) and centres it on its monitor.
void SizeAndCentre(HWND hwnd, int clientWidth, int clientHeight, int dpi);
// Controls are made with the wide functions, so they hold any text.
HWND MakeChild(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id, DWORD exStyle = 0);
// A caption's words as a static control shows them: "&" marks the next
// letter and "&&" shows one "&".
std::wstring CaptionWords(const std::string& caption);
// The width of a caption's one line in that font.
int CaptionWidth(HWND control, HFONT font, const std::string& caption);
// A window's text as UTF-8, and set from UTF-8.
std::string WindowText(HWND hwnd);
void SetText(HWND hwnd, const std::string& text);
// The object a window procedure serves: CreateWindowExW's last argument, kept
// in the window's user data from WM_NCCREATE on (nullptr before it).
template <class View>
View* ViewOfWindow(HWND h, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) SetWindowLongPtrW(h, GWLP_USERDATA, LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  return reinterpret_cast<View*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}
// Registers a window class with the dialog background and arrow cursor.
bool RegisterDialogClass(const wchar_t* name, WNDPROC proc);
void SetTextIfChanged(HWND hwnd, const std::string& text);
// A text's "\n" as "\r\n": a multi-line edit control breaks lines there only.
std::string EditLines(const std::string& text);
void ShowIfChanged(HWND hwnd, bool visible);

// A task dialog: its texts, its buttons (id and label, in order) and which
// of them is the default and which are shown disabled.
struct TaskDialogTexts {
  std::string title, heading, text;
  const wchar_t* icon = nullptr;  // TD_WARNING_ICON, TD_SHIELD_ICON ...
};
struct TaskDialogButton {
  int id;
  std::string label;
  bool elevationShield = false;  // the button starts an elevated copy
};
// The button pressed (IDCANCEL for Esc or the close box); IDCANCEL also when
// the dialog cannot be shown.
int ShowTaskDialog(HWND owner, const TaskDialogTexts& texts, const std::vector<TaskDialogButton>& buttons,
                   int defaultId, const std::vector<int>& disabledIds = {});
