#include "window/win32/Win32Help.h"

#include <shellapi.h>

#include <string>

#include "core/win32/SystemLibrary.h"
#include "core/win32/WidePath.h"

namespace {
constexpr UINT kHhDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
constexpr UINT kHhCloseAll = 0x0012;      // HH_CLOSE_ALL
}  // namespace

void Win32Help::CloseAll() {
  if (htmlHelp_) htmlHelp_(nullptr, nullptr, kHhCloseAll, 0);
}

bool Win32Help::HtmlHelpTopic(const std::string& chmPath, const std::string& topic) {
  if (!loadTried_) {
    loadTried_ = true;
    hhctrl_.reset(LoadSystemLibrary(L"hhctrl.ocx"));
    if (hhctrl_) htmlHelp_ = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(hhctrl_.get(), "HtmlHelpW")));
  }
  if (!htmlHelp_) return false;
  const std::wstring target = WideText(chmPath + "::/" + topic);
  return htmlHelp_(owner_, target.c_str(), kHhDisplayTopic, 0) != nullptr;
}

long Win32Help::OpenInNotepad(const std::string& file) {
  const std::wstring quoted = L"\"" + WideText(file) + L"\"";
  const HINSTANCE result = ShellExecuteW(owner_, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL);
  return long(reinterpret_cast<INT_PTR>(result));
}

long Win32Help::OpenWithShell(const std::string& target) {
  const HINSTANCE result = ShellExecuteW(owner_, nullptr, WideText(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return long(reinterpret_cast<INT_PTR>(result));
}
