#pragma once
// The main window: one borderless window that owns the page views, makes
// and lays out their controls, and routes the window's messages to them.
// Every control event goes to a model handler through its page's view,
// after which the views show the model again. The window holds no decisions.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/win32/GdiOwned.h"
#include "window/Wizard.h"
#include "window/win32/FolderTree.h"
#include "window/win32/PageControls.h"
#include "window/win32/PageView.h"
#include "window/win32/WinView.h"

class Win32WindowUi;
class ChromeView;
class MovePagesView;
class TargetsView;
class ReviewPagesView;

class MainWindow : public PageHost {
 public:
  MainWindow(Wizard& wizard, Win32WindowUi& ui);
  ~MainWindow() override;
  // It owns its window and fonts: a copy would free them twice.
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  // Creates the window (class kMainWindowClass), runs Start and shows it.
  void Create(const std::string& firstArgument, int showCommand);
  HWND hwnd() const override { return hwnd_; }
  // The control with that id (ids are public for tests and the screenshot tool).
  HWND Control(int id) const override;
  // The control that stands for a page-turning sender.
  HWND SenderButton(Sender s) const;
  // Every control of every page, in Tab order (for tests: the mnemonics).
  const PageControls& Controls() const { return controls_; }
  // Handles dialog keys (Tab, Enter, Esc, mnemonics) for the window.
  bool PreTranslate(MSG& msg);
  // Turns the page as a click of the sender would (for the screenshot tool).
  void Press(Sender s);
  // Its messages, questions and progress dialog (for the screenshot tool).
  Win32WindowUi& Dialogs() { return ui_; }
  // Called when the window is gone (closed or "Exit").
  std::function<void()> onDestroyed;
  // Sees every message first; true when it handled it, with the result.
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> onMessage;
  void Show();  // the model's state, on screen
  // The move page's trees ("Move From..." and "Move To...").
  FolderTree& Tree(TreeSide side);
  // A drag of the left tree's selected node over, and dropped onto, a node of
  // the right tree (null: no node there). The mouse handlers end here.
  bool DragOver(HTREEITEM target);
  void DragDrop(HTREEITEM target);

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  void MakeControls();
  void MakeBrushes();  // in the system's colours of the moment
  void ColoursChanged(UINT msg, WPARAM wp, LPARAM lp);  // WM_SYSCOLORCHANGE, WM_THEMECHANGED
  // Sized for the page on screen (unless maximised), then PlaceControls.
  void Layout();
  // The controls where the client size puts them.
  void PlaceControls();
  void Resized(WPARAM how);  // WM_SIZE
  void LeastSize(MINMAXINFO& info) const;  // WM_GETMINMAXINFO
  // The client size a page needs (96-DPI pixels): the size the user left the
  // window at for that kind of page; else the lists of the review and report
  // pages get the room the screen has, every other page the fixed size.
  SIZE ClientSizeFor(Page page) const;
  void Command(int id, int code);
  void Guarded(const std::function<void()>& action) override;
  void ShowModel(bool turned) override;
  void Paint(HDC dc);
  void PaintOffScreen();  // WM_PAINT
  void AnimateIntroPicture();  // a tick of the introduction's timer
  void DragByStrip(LPARAM lp);  // a mouse button down: on the title strip, it drags the window
  bool ShowLinkCursor(HWND control);  // the hand cursor over a link; false for other controls
  void DrawOwnerButton(const DRAWITEMSTRUCT& d);
  LRESULT ControlColour(HDC dc, HWND control);
  int DefaultId() const;
  // As in a dialog box: a focused push button looks like the default (Enter
  // presses it); with the focus elsewhere, the page's default button does.
  void ShowDefaultButton();
  void GiveDefaultLook(int id);  // that button alone looks like the default
  int BackId() const;
  bool Visible(const PageControl& control) const;
  HWND FirstField() const;
  // After a turn: the field a refused check names, else on a new page its first field.
  void PlaceFocus(bool pageChanged);
  void NextControl(WPARAM wp, LPARAM lp);

  Wizard& wizard_;
  Win32WindowUi& ui_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
  SIZE client_{0, 0};  // the client size laid out, 96-DPI pixels
  bool syncing_ = false;
  bool laying_ = false;  // sizing the window itself: not the user's size
  Page shownPage_ = Page::None;
  OwnedBrush pageBrush_, stripBrush_, bandBrush_;
  // The views, in Tab order of their controls; the three the window speaks to itself.
  std::vector<std::unique_ptr<PageView>> views_;
  ChromeView* chrome_ = nullptr;
  MovePagesView* movePages_ = nullptr;
  TargetsView* targets_ = nullptr;
  ReviewPagesView* reviewPages_ = nullptr;
  PageControls controls_;
};
