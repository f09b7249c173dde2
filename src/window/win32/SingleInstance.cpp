#include "window/win32/SingleInstance.h"

#include "window/win32/WindowClass.h"

#include <algorithm>

#include "window/StartUp.h"
#include "window/Wizard.h"

namespace {
// A copy that has just taken the mutex is still making its window.
constexpr int kWindowWaitRounds = 60;
constexpr DWORD kWindowWaitStepMs = 50;

// The atom table finds names without regard to case and keeps the first
// spelling: the atom is used only when it gives back exactly this text.
ATOM ExactAtom(const std::string& text) {
  const ATOM atom = GlobalAddAtomA(text.c_str());
  if (!atom) return 0;
  std::string back(kAtomTextLimit + 1, '\0');
  const UINT n = GlobalGetAtomNameA(atom, back.data(), int(back.size()));
  if (back.compare(0, n, text) == 0 && n == text.size()) return atom;
  GlobalDeleteAtom(atom);
  return 0;
}
}  // namespace

InstanceMutex::InstanceMutex() {
  SetLastError(0);
  handle_ = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  first_ = handle_ && GetLastError() == 0;
}

InstanceMutex::~InstanceMutex() {
  if (!handle_) return;
  if (first_) ReleaseMutex(handle_);
  CloseHandle(handle_);
}

HWND FindRunningCopy() {
  // From the top, each time after the last window found; this copy's own
  // windows are passed over.
  const DWORD self = GetCurrentProcessId();
  HWND h = nullptr;
  while ((h = FindWindowExA(nullptr, h, kMainWindowClass, kAppTitle)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != self) return h;
  }
  return nullptr;
}

void HandOverToRunningCopy(const std::string& text) {
  HWND target = FindRunningCopy();
  for (int i = 0; !target && i < kWindowWaitRounds; ++i) {
    Sleep(kWindowWaitStepMs);
    target = FindRunningCopy();
  }
  if (!target) return;
  ShowWindow(target, SW_SHOWNORMAL);
  SetForegroundWindow(target);
  if (text.size() <= kAtomTextLimit) {
    if (const ATOM atom = text.empty() ? 0 : ExactAtom(text); atom || text.empty()) {
      SendMessageA(target, kHandOverMessage, text.size(), atom);
      if (atom) GlobalDeleteAtom(atom);
      return;
    }
  }
  COPYDATASTRUCT data{};
  data.dwData = kHandOverMessage;
  data.cbData = DWORD(text.size());
  data.lpData = const_cast<char*>(text.data());
  SendMessageA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

bool ReadHandOver(UINT msg, WPARAM wp, LPARAM lp, std::string& text, LRESULT& result) {
  if (msg == kHandOverMessage) {
    // The length comes from another process: never more than an atom holds.
    const std::size_t size = std::min<std::size_t>(wp, kAtomTextLimit) + 1;
    std::string buffer(size, '\0');
    const UINT n = lp ? GlobalGetAtomNameA(ATOM(lp), buffer.data(), int(size)) : 0;
    text.assign(buffer.data(), std::min<std::size_t>(n, size - 1));
    result = 0;
    return true;
  }
  if (msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (!data || data->dwData != kHandOverMessage) return false;
    text.assign(data->lpData ? static_cast<const char*>(data->lpData) : "", data->lpData ? data->cbData : 0);
    result = TRUE;
    return true;
  }
  return false;
}
