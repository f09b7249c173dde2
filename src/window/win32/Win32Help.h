#pragma once
// The help viewer (HTML Help from the system folder's hhctrl.ocx, loaded on
// first use) and the shell's open verb, owned by the main window.
#include "window/WindowPorts.h"
#include "core/win32/Owned.h"
#include "core/win32/WinApi.h"

class Win32Help : public HelpViewer, public ShellOpener {
 public:
  // Closes the help windows; before OLE is shut down, at the program's end.
  void CloseAll();
  void SetOwner(HWND owner) { owner_ = owner; }
  bool HtmlHelpTopic(const std::string& chmPath, const std::string& topic) override;
  long OpenWithShell(const std::string& target) override;
  long OpenInNotepad(const std::string& file) override;

 private:
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  HWND owner_ = nullptr;
  OwnedModule hhctrl_;
  HtmlHelpFn htmlHelp_ = nullptr;
  bool loadTried_ = false;
};
