#include "window/win32/Win32WindowUi.h"

#include "engine/win32/Win32Platform.h"
#include "core/win32/WidePath.h"

void Win32WindowUi::Pump() {
  PumpMessages(throttle_);
  // Dispatched messages may have set the arrow; a run keeps the hourglass.
  if (busy_) ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
}

Answer Win32WindowUi::Ask(const Question& question, bool& doNotStopAndVerify) {
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  const bool wasBusy = busy_;
  busy_ = false;
  // The progress dialog is the window in front during a run.
  HWND owner = progressDialog_.hwnd() && IsWindowVisible(progressDialog_.hwnd()) ? progressDialog_.hwnd() : owner_;
  const Answer a = confirmDialog_.Ask(question, doNotStopAndVerify, owner);
  busy_ = wasBusy;
  return a;
}

void Win32WindowUi::ShowMessage(const std::string& text, const std::string& caption) {
  const UINT icon = caption == kAppTitle ? MB_ICONINFORMATION : MB_ICONWARNING;
  MessageBoxW(owner_, WideText(text).c_str(), WideText(caption).c_str(), MB_OK | icon);
}

void Win32WindowUi::SetCursor(Cursor cursor) {
  busy_ = cursor == Cursor::Busy;
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy_ ? IDC_WAIT : IDC_ARROW)));
}

void Win32WindowUi::ShowProgress() { progressDialog_.Show(owner_); }
void Win32WindowUi::CloseProgress() { progressDialog_.Close(); }
void Win32WindowUi::StartProgressTimer() { progressDialog_.StartTimer(); }
void Win32WindowUi::StopProgressTimer() { progressDialog_.StopTimer(); }
