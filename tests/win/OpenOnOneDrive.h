#pragma once
// Opens the real window with only one drive selected, past the introduction
// pages, so that a file walk stays off the prefix's system drive.
#include <string>

#include "window/Wizard.h"
#include "window/win32/MainWindow.h"
//
#include <commctrl.h>

inline void OpenOnOneDrive(MainWindow& window, Wizard& wizard, const std::string& root = "D:\\") {
  window.Create("", SW_SHOW);
  HWND drivesList = window.Control(kDriveList);
  for (std::size_t i = 0; i < wizard.choices.drives.size(); ++i) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = wizard.choices.drives[i].root == root ? LVIS_SELECTED : 0;
    SendMessageW(drivesList, LVM_SETITEMSTATE, WPARAM(i), LPARAM(&state));
  }
  for (Sender s : {Sender::Intro1Next, Sender::Intro2Next, Sender::Intro3Next})
    SendMessageW(window.SenderButton(s), BM_CLICK, 0, 0);
}
