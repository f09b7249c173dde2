#pragma once
// "Entry Found": the modal question a walk asks before each change when the
// user wants to confirm. One instance for the program's life; its "Do Not
// Stop and Verify" box keeps its state between questions and runs.
#include "window/win32/WinView.h"
#include "core/Ui.h"

class ConfirmChangeDialog {
 public:
  ConfirmChangeDialog() = default;
  ~ConfirmChangeDialog();
  // Shows the question modally over `owner` (disabled meanwhile).
  Answer Ask(const Question& q, bool& doNotStopAndVerify, HWND owner);
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  void Create();
  void Layout();

  HWND hwnd_ = nullptr;
  HWND captions_[4] = {};
  HWND keyText_ = nullptr, valueText_ = nullptr, fromText_ = nullptr, toText_ = nullptr;
  HWND replaceButton_ = nullptr, skipButton_ = nullptr, cancelButton_ = nullptr, doNotVerifyBox_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
  int result_ = 0;  // 0 while the question is open
};
