#pragma once
// Owners of what drawing borrows or makes: GDI objects, icons, device
// contexts, an object selected into a context and a paint cycle. Each gives
// back or frees its resource once, when it goes out of scope.
#include "core/win32/Owned.h"

// Fonts, brushes, bitmaps.
template <class T>
struct GdiObjectTraits {
  static T Empty() { return nullptr; }
  static bool Valid(T h) { return h != nullptr; }
  static bool Free(T h) { return DeleteObject(h) != 0; }
};
using OwnedFont = Owned<HFONT, GdiObjectTraits<HFONT>>;
using OwnedBrush = Owned<HBRUSH, GdiObjectTraits<HBRUSH>>;
using OwnedBitmap = Owned<HBITMAP, GdiObjectTraits<HBITMAP>>;

struct IconTraits {
  static HICON Empty() { return nullptr; }
  static bool Valid(HICON h) { return h != nullptr; }
  static bool Free(HICON h) { return DestroyIcon(h) != 0; }
};
using OwnedIcon = Owned<HICON, IconTraits>;

// A context made with CreateCompatibleDC.
struct MemoryDcTraits {
  static HDC Empty() { return nullptr; }
  static bool Valid(HDC h) { return h != nullptr; }
  static bool Free(HDC h) { return DeleteDC(h) != 0; }
};
using OwnedMemoryDc = Owned<HDC, MemoryDcTraits>;

// A window's (or, for nullptr, the screen's) context from GetDC, released to it.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a context; the one it replaced goes back in.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), before_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (before_) SelectObject(dc_, before_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ before_;
};

// BeginPaint to EndPaint.
class Painting {
 public:
  explicit Painting(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
  ~Painting() { EndPaint(window_, &ps_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};
