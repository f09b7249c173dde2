#include "window/win32/WinView.h"

#include <commctrl.h>

#include "core/win32/WidePath.h"

namespace {
// The DPI of the screen's context, 96 when it cannot tell.
int ScreenDpi() {
  const WindowDc screen(nullptr);
  const int d = GetDeviceCaps(screen.get(), LOGPIXELSY);
  return d > 0 ? d : 96;
}
}  // namespace

void ViewFonts::Create(int dpi) {
  for (OwnedFont* font : {&normal, &bold, &heading, &title, &link}) font->reset();
  NONCLIENTMETRICSW m{};
  m.cbSize = sizeof m;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
  LOGFONTW f = m.lfMessageFont;
  // The metrics come at the system DPI; the window may be on another monitor.
  const int systemDpi = ScreenDpi();
  f.lfHeight = MulDiv(f.lfHeight == 0 ? -12 : f.lfHeight, dpi, systemDpi);
  const LONG base = f.lfHeight;
  normal.reset(CreateFontIndirectW(&f));
  f.lfWeight = FW_BOLD;
  bold.reset(CreateFontIndirectW(&f));
  f.lfHeight = MulDiv(base, 3, 2);
  heading.reset(CreateFontIndirectW(&f));
  f.lfHeight = MulDiv(base, 5, 2);
  title.reset(CreateFontIndirectW(&f));
  f = m.lfMessageFont;
  f.lfHeight = base;
  f.lfUnderline = TRUE;
  link.reset(CreateFontIndirectW(&f));
}

int DpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (fn && hwnd) {
    const UINT d = fn(hwnd);
    if (d) return int(d);
  }
  return ScreenDpi();
}

void SizeAndCentre(HWND hwnd, int clientWidth, int clientHeight, int dpi) {
  RECT r{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
  AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
  const int w = r.right - r.left, h = r.bottom - r.top;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi);
  const RECT& a = mi.rcWork;
  SetWindowPos(hwnd, nullptr, a.left + (a.right - a.left - w) / 2, a.top + (a.bottom - a.top - h) / 2, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MakeChild(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id, DWORD exStyle) {
  return CreateWindowExW(exStyle, cls, WideText(text).c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

std::wstring CaptionWords(const std::string& caption) {
  std::wstring shown;
  const std::wstring wide = WideText(caption);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'&' && i + 1 < wide.size()) ++i;
    shown += wide[i];
  }
  return shown;
}

int CaptionWidth(HWND control, HFONT font, const std::string& caption) {
  const std::wstring shown = CaptionWords(caption);
  const WindowDc dc(control);
  const Selected inDc(dc.get(), font);
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), shown.c_str(), int(shown.size()), &size);
  return size.cx;
}

std::string WindowText(HWND hwnd) {
  std::wstring s(std::size_t(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  s.resize(std::size_t(GetWindowTextW(hwnd, s.data(), int(s.size()))));
  return Utf8Text(s);
}

void SetText(HWND hwnd, const std::string& text) { SetWindowTextW(hwnd, WideText(text).c_str()); }

void SetTextIfChanged(HWND hwnd, const std::string& text) {
  if (WindowText(hwnd) != text) SetText(hwnd, text);
}

void ShowIfChanged(HWND hwnd, bool visible) {
  if (((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0) != visible) ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool RegisterDialogClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

namespace {
struct TaskDialogState {
  const std::vector<TaskDialogButton>* buttons;
  const std::vector<int>* disabled;
};

HRESULT CALLBACK OnTaskDialogEvent(HWND dialog, UINT event, WPARAM, LPARAM, LONG_PTR data) {
  if (event != TDN_CREATED) return S_OK;
  const auto* state = reinterpret_cast<const TaskDialogState*>(data);
  for (const TaskDialogButton& b : *state->buttons)
    if (b.elevationShield) SendMessageW(dialog, TDM_SET_BUTTON_ELEVATION_REQUIRED_STATE, WPARAM(b.id), TRUE);
  for (int id : *state->disabled) SendMessageW(dialog, TDM_ENABLE_BUTTON, WPARAM(id), FALSE);
  return S_OK;
}
}  // namespace

int ShowTaskDialog(HWND owner, const TaskDialogTexts& texts, const std::vector<TaskDialogButton>& buttons,
                   int defaultId, const std::vector<int>& disabledIds) {
  const std::wstring title = WideText(texts.title), heading = WideText(texts.heading), text = WideText(texts.text);
  std::vector<std::wstring> labels;
  for (const TaskDialogButton& b : buttons) labels.push_back(WideText(b.label));
  std::vector<TASKDIALOG_BUTTON> shown;
  for (std::size_t i = 0; i < buttons.size(); ++i) shown.push_back({buttons[i].id, labels[i].c_str()});
  TaskDialogState state{&buttons, &disabledIds};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = texts.icon;
  config.pszMainInstruction = heading.c_str();
  config.pszContent = text.c_str();
  config.cButtons = UINT(shown.size());
  config.pButtons = shown.data();
  config.nDefaultButton = defaultId;
  config.pfCallback = OnTaskDialogEvent;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&state);
  int pressed = IDCANCEL;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return IDCANCEL;
  return pressed;
}

std::string EditLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
