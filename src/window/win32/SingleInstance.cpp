#include "window/win32/SingleInstance.h"

#include "window/win32/WindowClass.h"

#include <algorithm>
#include <cstring>

#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"

#include "window/StartUp.h"
#include "window/Wizard.h"

namespace {
// A copy that has just taken the mutex is still making its window.
constexpr int kWindowWaitRounds = 60;
constexpr DWORD kWindowWaitStepMs = 50;

struct GlobalAtomTraits {
  static ATOM Empty() { return 0; }
  static bool Valid(ATOM a) { return a != 0; }
  static bool Free(ATOM a) { return GlobalDeleteAtom(a) == 0; }
};
using OwnedAtom = Owned<ATOM, GlobalAtomTraits>;

// The atom table finds names without regard to case and keeps the first
// spelling: the atom is used only when it gives back exactly this text.
OwnedAtom ExactAtom(const std::wstring& text) {
  OwnedAtom atom(GlobalAddAtomW(text.c_str()));
  if (!atom) return atom;
  std::wstring back(kAtomTextLimit + 1, L'\0');
  const UINT n = GlobalGetAtomNameW(atom.get(), back.data(), int(back.size()));
  if (n != text.size() || back.compare(0, n, text) != 0) atom.reset();
  return atom;
}
}  // namespace

InstanceMutex::InstanceMutex() {
  SetLastError(0);
  handle_.reset(CreateMutexW(nullptr, TRUE, WideText(kInstanceMutexName).c_str()));
  first_ = handle_.ok() && GetLastError() == 0;
}

InstanceMutex::~InstanceMutex() {
  if (handle_.ok() && first_) ReleaseMutex(handle_.get());
}

HWND FindRunningCopy() {
  // From the top, each time after the last window found; this copy's own
  // windows are passed over.
  const DWORD self = GetCurrentProcessId();
  const std::wstring title = WideText(kAppTitle);
  HWND h = nullptr;
  while ((h = FindWindowExW(nullptr, h, kMainWindowClass, title.c_str())) != nullptr) {
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
  // The text travels as UTF-16, so any path arrives whole; the limit of an
  // atom counts UTF-16 units.
  const std::wstring wide = WideText(text);
  if (wide.size() <= kAtomTextLimit) {
    if (const OwnedAtom atom = wide.empty() ? OwnedAtom() : ExactAtom(wide); atom || wide.empty()) {
      SendMessageW(target, kHandOverMessage, wide.size(), atom.get());
      return;
    }
  }
  COPYDATASTRUCT data{};
  data.dwData = kHandOverMessage;
  data.cbData = DWORD(wide.size() * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(wide.data());
  SendMessageW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

bool ReadHandOver(UINT msg, WPARAM wp, LPARAM lp, std::string& text, LRESULT& result) {
  if (msg == kHandOverMessage) {
    // The length comes from another process: never more than an atom holds.
    const std::size_t size = std::min<std::size_t>(wp, kAtomTextLimit) + 1;
    std::wstring buffer(size, L'\0');
    const UINT n = lp ? GlobalGetAtomNameW(ATOM(lp), buffer.data(), int(size)) : 0;
    buffer.resize(std::min<std::size_t>(n, size - 1));
    text = Utf8Text(buffer);
    result = 0;
    return true;
  }
  if (msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (!data || data->dwData != kHandOverMessage) return false;
    // UTF-16 units; an odd last byte is no part of one.
    std::wstring units(data->lpData ? data->cbData / sizeof(wchar_t) : 0, L'\0');
    if (!units.empty()) std::memcpy(units.data(), data->lpData, units.size() * sizeof(wchar_t));
    text = Utf8Text(units);
    result = TRUE;
    return true;
  }
  return false;
}
