#pragma once
// The Win32 view of the main window: one borderless window whose controls
// show the page model's state; every control event goes to a model handler,
// after which the view shows the model again. The view holds no decisions.
#include <functional>
#include <string>
#include <vector>

#include "app/TForm1.h"
#include "app/win32/FolderTree.h"
#include "app/win32/WinView.h"

class Win32WindowUi;

class MainWindow {
 public:
  MainWindow(TForm1& form, Win32WindowUi& ui);
  ~MainWindow();
  // Creates the window (class "TForm1"), runs FormShow and shows it.
  void Create(const std::string& firstArgument, int showCommand);
  HWND hwnd() const { return hwnd_; }
  // The control with that id (ids are public for tests and the screenshot tool).
  HWND Control(int id) const;
  // The control that stands for a page-turning sender.
  HWND SenderButton(Sender s) const;
  // Handles dialog keys (Tab, Enter, Esc, mnemonics) for the window.
  bool PreTranslate(MSG& msg);
  // Turns the page as a click of the sender would (for the screenshot tool).
  void Press(Sender s);
  // Called when the window is gone (closed or "Exit").
  std::function<void()> onDestroyed;
  // Sees every message first; true when it handled it, with the result.
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> onMessage;
  void Show();  // the model's state, on screen
  // The move page's trees ("Move From..." and "Move To...").
  FolderTree& Tree(TreeSide side) { return side == TreeSide::MoveFrom ? left_ : right_; }
  // A drag of the left tree's selected node over, and dropped onto, a node of
  // the right tree (null: no node there). The mouse handlers end here.
  bool DragOver(HTREEITEM target);
  void DragDrop(HTREEITEM target);

 public:
  struct Item;  // one control of the window (defined with the layout)

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  void MakeControls();
  void Layout();
  void Command(int id, int code, HWND from);
  void Guarded(const std::function<void()>& action);
  void Paint(HDC dc);
  void DrawOwnerButton(const DRAWITEMSTRUCT& d);
  void FillDriveItems();
  void BeginDrag(HTREEITEM item);
  void EndDrag(bool drop);
  LRESULT TreeNotify(const NMHDR& n);
  void ReadDriveSelection();
  int DefaultId() const;
  int BackId() const;
  bool Visible(const Item& item) const;

  TForm1& form_;
  Win32WindowUi& ui_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  std::vector<Item>* items_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
  bool syncing_ = false;
  HBRUSH pageBrush_ = nullptr, stripBrush_ = nullptr, bandBrush_ = nullptr;
  HICON pictures_[3] = {};
  std::vector<std::string> shownUndoLines_;
  FolderTree left_{form_, TreeSide::MoveFrom};
  FolderTree right_{form_, TreeSide::MoveTo};
  bool dragging_ = false;
  HTREEITEM dropTarget_ = nullptr;  // the accepted node under the mouse
};

// Control ids beyond the page-turning senders (which use kSenderId + sender).
inline constexpr int kSenderId = 1000;
enum ControlId : int {
  kTransparentButton1 = 2000,  // "X"
  kTransparentButton2,          // "?"
  kLabel26,
  kSuiCheckBox1,  // Show Advanced Map Options
  kSuiCheckBox2,  // Skip Introduction
  kSuiCheckBox3,
  kSuiCheckBox4,
  kSuiCheckBox5,
  kChbxRegistry,
  kChbxIni,
  kChbxShortcuts,
  kChbxAllFiles,
  kEdit1,
  kEdit3,
  kEdit4,
  kEdit5,
  kEdit6,
  kButton1,
  kButton2,
  kButton3,
  kSuiButton1,  // Undo Changes
  kSuiButton2,  // Delete
  kSuiButton3,  // Refresh
  kListBox1,
  kSuiComboBox1,
  kSuiListView1,
  kShellTreeView1,
  kShellTreeView2,
  kLabel65,
  kLabel66,
  kLabel9,
  kLabel10,
  kLabel12,
  kLabel15,
  kLabel16,
  kLabel18,
  kLabel14,
  kLabel28,
  kLabel21,
  kLabel13,
  kLabel27,
  kLabel41,
  kLabel39,
  kLabel68,
  kLabel70,
  kLabel69,
  kLabel71,
  kTpnlMove,  // first of three lines per description panel
  kTpnlSwitch = kTpnlMove + 3,
  kTpnlFind = kTpnlSwitch + 3,
  kStaticFirst = kTpnlFind + 3,  // fixed texts from here on
};
