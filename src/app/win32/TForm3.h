#pragma once
// "Mapping...": the modeless progress dialog of a run, always on top. Its
// 200 ms timer refreshes it from the run's state; Cancel (also Enter and
// Esc) sets the run's Cancelled flag.
#include "app/MappingRequest.h"
#include "app/win32/WinView.h"

class TForm3 {
 public:
  TForm3() = default;
  void Bind(RunContext& ctx) { ctx_ = &ctx; }
  ~TForm3();
  void Show(HWND owner);
  void Close();
  void StartTimer();
  void StopTimer();
  HWND hwnd() const { return hwnd_; }
  HWND cancelButton() const { return suiButton1_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK CancelProc(HWND, UINT, WPARAM, LPARAM);
  void Create();
  void Layout();
  void Refresh();

  RunContext* ctx_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND Animate1_ = nullptr, Label3_ = nullptr, Label2_ = nullptr, bar_ = nullptr, suiButton1_ = nullptr,
       Label1_ = nullptr;
  WNDPROC buttonProc_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
};
