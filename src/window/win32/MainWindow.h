#pragma once
// The Win32 view of the main window: one borderless window whose controls
// show the page model's state; every control event goes to a model handler,
// after which the view shows the model again. The view holds no decisions.
#include <functional>
#include <string>
#include <vector>

#include "window/Wizard.h"
#include "window/win32/FolderTree.h"
#include "window/win32/ReviewListView.h"
#include "window/win32/WinView.h"
//
#include <commctrl.h>

class Win32WindowUi;

class MainWindow {
 public:
  MainWindow(Wizard& wizard, Win32WindowUi& ui);
  ~MainWindow();
  // It owns its window and fonts: a copy would free them twice.
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  // Creates the window (class kMainWindowClass), runs Start and shows it.
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
  HWND FirstField() const;
  HWND FieldControl(Field field) const;
  // After a turn: the field a refused check names, else on a new page its first field.
  void PlaceFocus(bool pageChanged);
  void MoveSelectedPair();  // "Move to..." on the move page's trees
  void NextControl(WPARAM wp, LPARAM lp);
  LRESULT DriveListDraw(NMLVCUSTOMDRAW& cd);

  Wizard& wizard_;
  Win32WindowUi& ui_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  std::vector<Item>* items_ = nullptr;
  ViewFonts fonts_;
  int dpi_ = 96;
  bool syncing_ = false;
  Page shownPage_ = Page::None;
  HBRUSH pageBrush_ = nullptr, stripBrush_ = nullptr, bandBrush_ = nullptr;
  HICON pictures_[3] = {};
  std::vector<std::string> shownUndoLines_;
  FolderTree left_{wizard_, TreeSide::MoveFrom};
  FolderTree right_{wizard_, TreeSide::MoveTo};
  ReviewListView reviewView_;  // the review page's list: boxes to tick
  ReviewListView reportView_;  // the report page's list: read-only
  bool dragging_ = false;
  HTREEITEM dropTarget_ = nullptr;  // the accepted node under the mouse
};

// Control ids beyond the page-turning senders (which use kSenderId + sender).
inline constexpr int kSenderId = 1000;
enum ControlId : int {
  kExitButton = 2000,  // "X"
  kHelpButton,          // "?"
  kMinimiseButton,      // "_"
  kMoveSelectedPair,    // "Move to..." on the trees page
  kHandOverNotice,      // the end pages' line about an item handed over during the run
  kTitleStripName,
  kShowAdvanced,  // Show Advanced Map Options
  kSkipIntroduction,  // Skip Introduction
  kVerifyMoveGiven,
  kVerifyMapOnly,
  kVerifyMoveConfirm,
  kRegistryTarget,
  kSettingsTarget,
  kShortcutsTarget,
  kAllFilesTarget,
  kConfigurationFilesTarget,
  kGivenDestination,
  kFirstDrive,
  kSecondDrive,
  kFindWhat,
  kReplaceWith,
  kBrowseDestination,
  kBrowseFindWhat,
  kBrowseReplaceWith,
  kUndoChanges,  // Undo Changes
  kDeleteUndo,  // Delete
  kRefreshTrees,  // Refresh
  kUndoList,
  kUndoAge,
  kDriveList,
  kMoveFromTree,
  kMoveToTree,
  kMoreInformationLink,
  kAskQuestionsLink,
  kConfirmFromLine,
  kConfirmSourceFolder,
  kConfirmToLine,
  kConfirmItemName,
  kConfirmDestination,
  kMoveConfirmHint,
  kGivenSourceFolder,
  kGivenItemName,
  kMoveGivenHint,
  kTargetsHint,
  kFinishedTitle,
  kFinishedMoveLine,
  kFinishedCount,
  kCancelledTitle,
  kCancelledMoveLine,
  kCancelledCount,
  kPassedOverLine,  // both end pages
  kShowPassedOver,
  kShowChangesMoveConfirm,  // "Show changes before they are made", one box per mode page
  kShowChangesMoveGiven,
  kShowChangesMapOnly,
  kShowChangesSwitch,
  kReviewList,
  kReviewLine,  // the review page's count of ticked changes, or that there is nothing to apply
  kReportTitle,
  kReportLine,
  kReportList,
  kOpenReportAsText,
  kVersionLine,
  kMoveDescription,  // first of three lines per description panel
  kSwitchDescription = kMoveDescription + 3,
  kMapOnlyDescription = kSwitchDescription + 3,
  kStaticFirst = kMapOnlyDescription + 3,  // fixed texts from here on
};
