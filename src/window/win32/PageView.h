#pragma once
// One page (or close group of pages) of the main window on screen: its
// controls, what they show of the page model, and its controls' events,
// which go to the model's handlers. A view holds no decisions.
#include <functional>

#include "window/Wizard.h"
#include "window/win32/PageControls.h"
#include "window/win32/WinView.h"

// What a view reaches of the window that holds it.
class PageHost {
 public:
  virtual ~PageHost() = default;
  virtual HWND hwnd() const = 0;
  virtual HWND Control(int id) const = 0;
  // Runs a model handler; a failure goes to the application's error report.
  virtual void Guarded(const std::function<void()>& action) = 0;
  // The model on screen again after a handler; turned: the page may have
  // turned, so the focus is placed anew.
  virtual void ShowModel(bool turned) = 0;
};

class PageView {
 public:
  PageView(Wizard& wizard, PageHost& host) : wizard_(wizard), host_(host) {}
  virtual ~PageView() = default;
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // The view's controls, in Tab order, added to the window's table.
  virtual void AddControls(PageControls& controls) = 0;
  // Once the controls exist (lists get their columns, edits their limits).
  virtual void Created() {}
  // After the model's Start: what it filled in then.
  virtual void Started() {}
  // After a page-turning sender was handled.
  virtual void Turned(Sender sender) { (void)sender; }
  // After the window was laid out at that DPI.
  virtual void Laid(int dpi) { (void)dpi; }
  // The model's state into the controls; pageChanged: the page on screen is new.
  virtual void Refresh(bool pageChanged) = 0;
  // A control's event; true when the view took it.
  virtual bool Command(int id, int code) {
    (void)id;
    (void)code;
    return false;
  }
  virtual bool Notify(const NMHDR& n, LRESULT& result) {
    (void)n;
    (void)result;
    return false;
  }
  // The control of a field a refused check points at; null when not this view's.
  virtual HWND FieldControl(Field field) const {
    (void)field;
    return nullptr;
  }
  // Draws what the view paints on the page itself (behind the controls).
  virtual void Paint(HDC dc, int dpi) {
    (void)dc;
    (void)dpi;
  }

 protected:
  HWND Control(int id) const { return host_.Control(id); }
  void Text(int id, const std::string& s) const;
  Wizard& wizard_;
  PageHost& host_;
};
