#pragma once
// The user-interaction port of the window program: message boxes, the
// "Entry Found" dialog, the progress dialog and the busy cursor.
#include "engine/PumpThrottle.h"
#include "window/win32/ConfirmChangeDialog.h"
#include "window/win32/ProgressDialog.h"
#include "core/Ui.h"
#include "window/WindowPorts.h"

// The icon a message box carries for each kind of message.
UINT MessageBoxIconOf(MessageKind kind);

class Win32WindowUi : public Ui, public WindowDialogs {
 public:
  // The run whose progress the dialog shows.
  void Bind(Findings& findings) { progressDialog_.Bind(findings); }
  // Where the walks' items are counted while the progress dialog is up.
  void BindWork(WorkMeter& work) {
    work_ = &work;
    progressDialog_.BindWork(work);
  }
  void SetOwner(HWND owner) { owner_ = owner; }

  void Pump() override;
  Answer Ask(const Question& question, bool& doNotStopAndVerify) override;
  void ShowMessage(const std::string& text, const std::string& caption) override;
  void SetCursor(Cursor cursor) override;
  void ShowProgress() override;
  void CloseProgress() override;
  void StartProgressTimer() override;
  void StopProgressTimer() override;
  void ShowPhase(const std::string& phase) override { progressDialog_.shown.phase = phase; }
  void ShowPlace(const std::string& place) override { progressDialog_.shown.location = place; }
  void BeginStep(int share) override { progressDialog_.shown.BeginStep(share); }
  void ReportPreview(const PreviewItem&) override {}  // the window program never previews
  void Walked(long items) override {
    if (counting_ && work_) work_->Items(items);
  }
  InUseAnswer AskItemInUse(const ItemInUse& inUse) override;
  void Tell(const std::string& text, const std::string& caption, MessageKind kind) override;
  bool Confirm(const std::string& text, const std::string& caption) override;
  // The progress dialog, "Undoing...", until the watcher goes.
  std::unique_ptr<UndoProgress> ShowUndoProgress() override;

  ConfirmChangeDialog& ConfirmDialog() { return confirmDialog_; }
  ProgressDialog& Progress() { return progressDialog_; }

 private:
  HWND owner_ = nullptr;
  PumpThrottle throttle_;
  ConfirmChangeDialog confirmDialog_;
  ProgressDialog progressDialog_;
  bool busy_ = false;
  bool counting_ = false;
  WorkMeter* work_ = nullptr;
};
