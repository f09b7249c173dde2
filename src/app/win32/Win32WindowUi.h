#pragma once
// The user-interaction port of the window program: message boxes, the
// "Entry Found" dialog, the progress dialog and the busy cursor.
#include "app/PumpThrottle.h"
#include "app/win32/TForm2.h"
#include "app/win32/TForm3.h"
#include "core/Ui.h"

class Win32WindowUi : public Ui {
 public:
  // The run whose progress the dialog shows.
  void Bind(RunContext& ctx) { form3_.Bind(ctx); }
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

  TForm2& Form2() { return form2_; }
  TForm3& Form3() { return form3_; }

 private:
  HWND owner_ = nullptr;
  PumpThrottle throttle_;
  TForm2 form2_;
  TForm3 form3_;
  bool busy_ = false;
};
