#pragma once
// The system's folder picker (SHBrowseForFolderW).
#include "window/WindowPorts.h"
#include "core/win32/WinApi.h"

class Win32FolderPicker : public FolderPicker {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  std::optional<std::string> PickFolder(const std::string& title, const std::string& start) override;

 private:
  HWND owner_ = nullptr;
};
