#pragma once
// The user-interaction port of the window program: message boxes, the
// "Entry Found" dialog, the progress dialog and the busy cursor.
#include "engine/PumpThrottle.h"
#include "window/win32/ConfirmChangeDialog.h"
#include "window/win32/ProgressDialog.h"
#include "core/Ui.h"

class Win32WindowUi : public Ui {
 public:
  // The run whose progress the dialog shows.
  void Bind(RunContext& ctx) { progressDialog_.Bind(ctx); }
  void SetOwner(HWND owner) { owner_ = owner; }

  void Pump() override;
  Answer Ask(const Question& question, bool& doNotStopAndVerify) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void SetCursor(Cursor cursor) override;
  void ShowProgress() override;
  void CloseProgress() override;
  void StartProgressTimer() override;
  void StopProgressTimer() override;
  void ReportPreview(const PreviewItem&) override {}  // the window program never previews

  ConfirmChangeDialog& ConfirmDialog() { return confirmDialog_; }
  ProgressDialog& Progress() { return progressDialog_; }

 private:
  HWND owner_ = nullptr;
  PumpThrottle throttle_;
  ConfirmChangeDialog confirmDialog_;
  ProgressDialog progressDialog_;
  bool busy_ = false;
};
