#pragma once
// "Mapping...": the modeless progress dialog of a run, owned by the main
// window (in front of it, not of other programs). Its 200 ms timer refreshes
// it from the run's state, the bar by work done where there is a measure,
// and the taskbar button's progress with it. Cancel (also Esc; Enter is no
// answer, it has no default button) sets the run's cancelled flag. An undo
// shows its progress here too, without Cancel: it goes to its end.
#include <cstdint>
#include <string>

#include "engine/ProgressDisplay.h"
#include "core/win32/Owned.h"
#include "engine/Findings.h"
#include "window/WorkMeter.h"
#include "window/win32/WinView.h"

struct ITaskbarList3;

class ProgressDialog {
 public:
  ProgressDialog();
  void Bind(Findings& findings) { findings_ = &findings; }
  void BindWork(const WorkMeter& work) { work_ = &work; }
  ~ProgressDialog();
  // It owns its window, fonts and module: a copy would free them twice.
  ProgressDialog(const ProgressDialog&) = delete;
  ProgressDialog& operator=(const ProgressDialog&) = delete;
  void Show(HWND owner);
  // "Undoing...": `shown` alone, as the undo sets it; Cancel is greyed.
  void ShowUndo(HWND owner);
  void Close();
  void StartTimer();
  void StopTimer();
  HWND hwnd() const { return hwnd_; }
  HWND cancelButton() const { return cancelButton_; }
  int BarPosition() const;
  // What the dialog shows: set by the run through the window's Ui, cleared
  // each time the dialog is shown.
  ProgressDisplay shown;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK CancelProc(HWND, UINT, WPARAM, LPARAM);
  void Create();
  void Layout();
  void Refresh();
  void Open(HWND owner, const std::string& title, bool cancellable);
  void Cancel();

  void TaskbarProgress(int position, bool on);

  Findings* findings_ = nullptr;
  bool undoing_ = false;  // shows an undo, which has no findings and no cancel
  const WorkMeter* work_ = nullptr;
  HWND owner_ = nullptr;
  ComRef<ITaskbarList3> taskbar_;
  std::uint64_t shownAt_ = 0;  // tick count when the run's dialog came up
  HWND hwnd_ = nullptr;
  HWND animation_ = nullptr, phaseText_ = nullptr, locationText_ = nullptr, bar_ = nullptr, cancelButton_ = nullptr,
       countText_ = nullptr, timeText_ = nullptr;
  WNDPROC buttonProc_ = nullptr;
  ViewFonts fonts_;
  OwnedModule shell32_;  // the file-copy animation's source
  int dpi_ = 96;
};
