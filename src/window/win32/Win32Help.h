#pragma once
// The help viewers (HTML Help from the system folder's hhctrl.ocx, loaded on
// first use; WinHelp) and the shell's open verb, owned by the main window.
#include "window/WindowPorts.h"
#include "core/win32/WinApi.h"

class Win32Help : public HelpViewer, public ShellOpener {
 public:
  // Closes the help windows; before OLE is shut down, at the program's end.
  void CloseAll();
  void SetOwner(HWND owner) { owner_ = owner; }
  bool HtmlHelpTopic(const std::string& chmPath, const std::string& topic) override;
  void WinHelpTopic(const std::string& hlpPath, const std::string& topic) override;
  void WinHelpContents(const std::string& hlpPath) override;
  long OpenWithShell(const std::string& target) override;
  long OpenInNotepad(const std::string& file) override;

 private:
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  HWND owner_ = nullptr;
  HMODULE hhctrl_ = nullptr;
  HtmlHelpFn htmlHelp_ = nullptr;
  bool loadTried_ = false;
};
