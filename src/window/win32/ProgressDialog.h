#pragma once
// "Mapping...": the modeless progress dialog of a run, always on top. Its
// 200 ms timer refreshes it from the run's state; Cancel (also Enter and
// Esc) sets the run's Cancelled flag.
#include "engine/MappingRequest.h"
#include "window/win32/WinView.h"

class ProgressDialog {
 public:
  ProgressDialog() = default;
  void Bind(RunContext& ctx) { ctx_ = &ctx; }
  ~ProgressDialog();
  void Show(HWND owner);
  void Close();
  void StartTimer();
  void StopTimer();
  HWND hwnd() const { return hwnd_; }
  HWND cancelButton() const { return cancelButton_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK CancelProc(HWND, UINT, WPARAM, LPARAM);
  void Create();
  void Layout();
  void Refresh();

  RunContext* ctx_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND animation_ = nullptr, phaseText_ = nullptr, locationText_ = nullptr, bar_ = nullptr, cancelButton_ = nullptr,
       countText_ = nullptr;
  WNDPROC buttonProc_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
};
