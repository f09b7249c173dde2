// Before the Windows headers, whose GDI EndPage would hide the end-page type.
#include "engine/Progress.h"
//
#include "window/win32/ProgressDialog.h"

#include <commctrl.h>
#include <shobjidl.h>

#include "core/win32/SystemLibrary.h"

namespace {
constexpr int kCancelId = IDCANCEL;
constexpr UINT_PTR kRefreshTimer = 2;
constexpr const wchar_t* kClass = L"ProgressDialog";
}  // namespace

// Out of line: the taskbar interface is complete only here.
ProgressDialog::ProgressDialog() = default;

ProgressDialog::~ProgressDialog() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void ProgressDialog::Create() {
  static const bool registered = RegisterDialogClass(kClass, Proc);
  (void)registered;
  // A dialog frame without title-bar buttons: closing is Cancel's job.
  // Owned by the main window: above it, but not above other programs.
  hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, L"Mapping...", WS_POPUP | WS_CAPTION, 0, 0, 0, 0, owner_, nullptr,
                          GetModuleHandleW(nullptr), this);
  animation_ = MakeChild(hwnd_, ANIMATE_CLASSW, "", WS_VISIBLE | ACS_CENTER | ACS_TRANSPARENT, 100);
  phaseText_ = MakeChild(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_ENDELLIPSIS, 101);
  locationText_ = MakeChild(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX | SS_PATHELLIPSIS, 102);
  bar_ = MakeChild(hwnd_, PROGRESS_CLASSW, "", WS_VISIBLE, 103);
  // Not a default button: an Enter meant for another window must not cancel the run.
  cancelButton_ = MakeChild(hwnd_, L"BUTTON", "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kCancelId);
  countText_ = MakeChild(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX, 104);
  timeText_ = MakeChild(hwnd_, L"STATIC", "", WS_VISIBLE | SS_NOPREFIX, 105);
  SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
  // The system's file-copy animation, where the shell carries one.
  // The module stays loaded while the animation plays from it.
  shell32_.reset(LoadSystemLibrary(L"shell32.dll", LOAD_LIBRARY_AS_DATAFILE));
  if (shell32_ && !SendMessageW(animation_, ACM_OPENW, WPARAM(shell32_.get()), LPARAM(MAKEINTRESOURCEW(161))))
    ShowWindow(animation_, SW_HIDE);
  // The run pumps messages without a dialog manager, so the button itself
  // answers Esc.
  SetWindowLongPtrW(cancelButton_, GWLP_USERDATA, LONG_PTR(this));
  buttonProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(cancelButton_, GWLP_WNDPROC, LONG_PTR(CancelProc)));
  dpi_ = DpiOf(hwnd_);
  Layout();
}

void ProgressDialog::Layout() {
  fonts_.Create(dpi_);
  SizeAndCentre(hwnd_, 373, 154, dpi_);
  auto place = [this](HWND h, int x, int y, int w, int hh) {
    MoveWindow(h, Scale(x, dpi_), Scale(y, dpi_), Scale(w, dpi_), Scale(hh, dpi_), TRUE);
    SendMessageW(h, WM_SETFONT, WPARAM(fonts_.normal.get()), TRUE);
  };
  place(animation_, 8, 4, 357, 40);
  place(phaseText_, 12, 46, 349, 16);
  place(locationText_, 12, 64, 349, 16);
  place(bar_, 12, 88, 270, 18);
  place(cancelButton_, 290, 84, 71, 26);
  place(countText_, 12, 114, 349, 16);
  place(timeText_, 12, 132, 349, 16);
}

void ProgressDialog::Show(HWND owner) {
  undoing_ = false;
  Open(owner, ProgressTitle(findings_ && findings_->preview), true);
}

void ProgressDialog::ShowUndo(HWND owner) {
  undoing_ = true;
  Open(owner, "Undoing...", false);
  StartTimer();
}

void ProgressDialog::Open(HWND owner, const std::string& title, bool cancellable) {
  owner_ = owner;
  shown = ProgressDisplay{};
  if (!hwnd_) Create();
  SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, LONG_PTR(owner));
  SetTextIfChanged(hwnd_, title);
  EnableWindow(cancelButton_, cancellable);
  shownAt_ = GetTickCount64();
  if (!taskbar_ &&
      SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, taskbar_.OutVoid())))
    if (FAILED(taskbar_->HrInit())) taskbar_.reset();
  SendMessageW(bar_, PBM_SETPOS, 0, 0);
  Refresh();
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (cancellable) SetFocus(cancelButton_);
  SendMessageW(animation_, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
}

void ProgressDialog::Close() {
  if (!hwnd_) return;
  if (undoing_) StopTimer();
  TaskbarProgress(0, false);
  SendMessageW(animation_, ACM_STOP, 0, 0);
  ShowWindow(hwnd_, SW_HIDE);
}

void ProgressDialog::StartTimer() {
  if (hwnd_) SetTimer(hwnd_, kRefreshTimer, 200, nullptr);
}

void ProgressDialog::StopTimer() {
  if (hwnd_) KillTimer(hwnd_, kRefreshTimer);
}

void ProgressDialog::Refresh() {
  SetTextIfChanged(phaseText_, shown.phase);
  SetTextIfChanged(locationText_, shown.location);
  SetTextIfChanged(countText_, shown.count);
  const std::string elapsed = ElapsedText(static_cast<long long>((GetTickCount64() - shownAt_) / 1000));
  SetTextIfChanged(timeText_, shown.paceText.empty() ? elapsed : elapsed + "    " + shown.paceText);
  const int byWork = work_ ? work_->Percent() : -1;
  const int position = byWork >= 0 && !shown.byChanges && !undoing_ ? byWork : shown.position;
  SendMessageW(bar_, PBM_SETPOS, WPARAM(position), 0);
  TaskbarProgress(position, true);
}

void ProgressDialog::Cancel() {
  if (!undoing_ && findings_) findings_->tally.cancelled = true;
}

int ProgressDialog::BarPosition() const { return int(SendMessageW(bar_, PBM_GETPOS, 0, 0)); }

void ProgressDialog::TaskbarProgress(int position, bool on) {
  if (!taskbar_ || !owner_) return;
  if (!on) {
    taskbar_->SetProgressState(owner_, TBPF_NOPROGRESS);
    return;
  }
  taskbar_->SetProgressState(owner_, TBPF_NORMAL);
  taskbar_->SetProgressValue(owner_, ULONGLONG(position), 100);
}

LRESULT CALLBACK ProgressDialog::CancelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<ProgressDialog*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS | DLGC_UNDEFPUSHBUTTON;
  if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
    self->Cancel();
    return 0;
  }
  if (msg == WM_KEYDOWN && wp == VK_RETURN) return 0;
  if (msg == WM_CHAR && (wp == '\r' || wp == 27)) return 0;
  return CallWindowProcW(self->buttonProc_, h, msg, wp, lp);
}

LRESULT CALLBACK ProgressDialog::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = ViewOfWindow<ProgressDialog>(h, msg, lp);
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == kCancelId && self) self->Cancel();
      return 0;
    case WM_TIMER:
      if (wp == kRefreshTimer && self) {
        // An undo sets what is shown as it goes.
        if (!self->undoing_) {
          if (self->work_) self->shown.walked = self->work_->Done();
          RefreshProgress(self->shown, *self->findings_, static_cast<std::int64_t>(GetTickCount64()));
        }
        self->Refresh();
      }
      return 0;
    case WM_CLOSE:
      if (self) self->Cancel();
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
