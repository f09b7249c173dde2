#include "window/win32/ConfirmChangeDialog.h"

#include <algorithm>

#include "core/ScopeExit.h"
#include "core/Unicode.h"

namespace {
constexpr const wchar_t* kClass = L"ConfirmChangeDialog";
constexpr int kReplace = IDOK;  // Enter
constexpr int kSkip = 5;
constexpr int kCancel = IDCANCEL;  // Esc and the close box
constexpr int kBox = 20;

// The text as a multi-line edit control shows it (every line end CR LF), and
// where a byte offset of the UTF-8 text lands in it.
std::wstring EditText(const std::string& utf8) {
  const std::u16string wide = Utf16FromUtf8(utf8);
  std::wstring out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const wchar_t c = wchar_t(wide[i]);
    // Between the strings of a list: shown as a mark of one character, as
    // the change report shows it, so that offsets still land right.
    if (c == L'\0') {
      out += L'\x2400';
      continue;
    }
    if (c == L'\n' && (i == 0 || wide[i - 1] != u'\r')) out += L'\r';
    out += c;
    if (c == L'\r' && (i + 1 >= wide.size() || wide[i + 1] != u'\n')) out += L'\n';
  }
  return out;
}

// Shows the text and selects the marked part (kept visible while the focus
// is elsewhere), scrolled into view.
void ShowMarked(HWND edit, const std::string& text, std::size_t mark, std::size_t length) {
  SetWindowTextW(edit, EditText(text).c_str());
  mark = std::min(mark, text.size());
  length = std::min(length, text.size() - mark);
  const std::size_t start = EditText(text.substr(0, mark)).size();
  const std::size_t end = start + EditText(text.substr(mark, length)).size();
  SendMessageW(edit, EM_SETSEL, WPARAM(end), LPARAM(end));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
  SendMessageW(edit, EM_SETSEL, WPARAM(start), LPARAM(end));
  SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}
}  // namespace

ConfirmChangeDialog::~ConfirmChangeDialog() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void ConfirmChangeDialog::Create() {
  static const bool registered = RegisterDialogClass(kClass, Proc);
  (void)registered;
  // Owned by the window it asks for (set in Ask): in front of it, not of other programs.
  hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, L"Entry Found", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                          0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  const char* captions[4] = {"Key:", "Value", "Change String From:", "To:"};
  HWND* fields[4] = {&keyText_, &valueText_, &fromText_, &toText_};
  for (int i = 0; i < 4; ++i) {
    captions_[i] = MakeChild(hwnd_, L"STATIC", captions[i], WS_VISIBLE | SS_NOPREFIX, 10 + i);
    // Key and value are one line cut at the edge; the texts wrap and scroll,
    // whatever their length, with the found part selected.
    if (i < 2)
      *fields[i] = MakeChild(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_ENDELLIPSIS, 30 + i);
    else
      *fields[i] = MakeChild(hwnd_, L"EDIT", "",
                             WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                                 ES_NOHIDESEL,
                             30 + i, WS_EX_CLIENTEDGE);
  }
  doNotVerifyBox_ = MakeChild(hwnd_, L"BUTTON", "&Do the remaining changes without asking", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kBox);
  replaceButton_ = MakeChild(hwnd_, L"BUTTON", "&Replace", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kReplace);
  skipButton_ = MakeChild(hwnd_, L"BUTTON", "&Skip", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kSkip);
  cancelButton_ = MakeChild(hwnd_, L"BUTTON", "&Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kCancel);
  dpi_ = DpiOf(hwnd_);
  Layout();
}

void ConfirmChangeDialog::Layout() {
  fonts_.Create(dpi_);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  // 608 by 354 is the outer size; the client is what the frame leaves.
  SizeAndCentre(hwnd_, 608 - (frame.right - frame.left), 354 - (frame.bottom - frame.top), dpi_);
  auto place = [this](HWND h, int x, int y, int w, int hh, HFONT f) {
    MoveWindow(h, Scale(x, dpi_), Scale(y, dpi_), Scale(w, dpi_), Scale(hh, dpi_), TRUE);
    SendMessageW(h, WM_SETFONT, WPARAM(f), TRUE);
  };
  place(captions_[0], 14, 14, 130, 18, fonts_.bold.get());
  place(keyText_, 150, 14, 436, 18, fonts_.normal.get());
  place(captions_[1], 14, 38, 130, 18, fonts_.bold.get());
  place(valueText_, 150, 38, 436, 18, fonts_.normal.get());
  place(captions_[2], 14, 68, 300, 18, fonts_.bold.get());
  place(fromText_, 24, 88, 562, 72, fonts_.normal.get());
  place(captions_[3], 14, 168, 300, 18, fonts_.bold.get());
  place(toText_, 24, 188, 562, 72, fonts_.normal.get());
  place(doNotVerifyBox_, 14, 280, 220, 22, fonts_.normal.get());
  place(replaceButton_, 284, 276, 96, 28, fonts_.normal.get());
  place(skipButton_, 388, 276, 96, 28, fonts_.normal.get());
  place(cancelButton_, 492, 276, 96, 28, fonts_.normal.get());
}

Answer ConfirmChangeDialog::Ask(const Question& q, bool& doNotStopAndVerify, HWND owner) {
  if (!hwnd_) Create();
  SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, LONG_PTR(owner));
  SetText(keyText_, q.key);
  SetText(valueText_, q.value);
  ShowMarked(fromText_, q.from, q.fromMark, q.fromMarkLength);
  ShowMarked(toText_, q.to, q.toMark, q.toMarkLength);
  SendMessageW(doNotVerifyBox_, BM_SETCHECK, doNotStopAndVerify ? BST_CHECKED : BST_UNCHECKED, 0);
  result_ = 0;
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  const ScopeExit ownerBack{[&] {
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    if (owner) SetForegroundWindow(owner);
  }};
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  SetFocus(replaceButton_);
  SendMessageW(hwnd_, DM_SETDEFID, kReplace, 0);
  MSG msg;
  bool quit = false;
  while (result_ == 0) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      result_ = kCancel;
      break;
    }
    if (IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  doNotStopAndVerify = SendMessageW(doNotVerifyBox_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (quit) PostQuitMessage(int(msg.wParam));
  return result_ == kReplace ? Answer::Replace : result_ == kSkip ? Answer::Skip : Answer::Cancel;
}

LRESULT CALLBACK ConfirmChangeDialog::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = ViewOfWindow<ConfirmChangeDialog>(h, msg, lp);
  switch (msg) {
    case WM_COMMAND:
      if (self && HIWORD(wp) == BN_CLICKED && (LOWORD(wp) == kReplace || LOWORD(wp) == kSkip || LOWORD(wp) == kCancel))
        self->result_ = LOWORD(wp);
      return 0;
    case DM_GETDEFID: return MAKELRESULT(kReplace, DC_HASDEFID);
    case WM_CLOSE:
      if (self) self->result_ = kCancel;
      return 0;
    case WM_DPICHANGED:
      if (self) {
        self->dpi_ = HIWORD(wp);
        self->Layout();
      }
      return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}
