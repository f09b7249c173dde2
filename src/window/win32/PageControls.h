#pragma once
// The main window's controls as a table: each page view lists its own, in
// Tab order; the window makes, lays out, colours and shows them by kind.
#include <functional>
#include <string>
#include <vector>

#include "core/win32/WinApi.h"
#include "window/Pages.h"
//
#include <commctrl.h>

// Path and BoldPath: read-only wrapping fields, so a long path is read whole and can be selected.
// Details: a list's pane with the selected row whole, read-only, scrolled and reached by Tab.
enum class Kind { Text, Bold, Heading, Title, Small, Button, DefButton, Flat, Check, Edit, ReadOnly, Letter, List, Combo, Drives, Tree, Link, Path, BoldPath, Review, Report, Details };
enum class Zone { Page, Strip, Band };

// One control. Coordinates are 96-DPI pixels of the window's client area;
// where a text carries "&", that is its mnemonic.
struct PageControl {
  int id;
  Page page;  // Page::None: not tied to a page (then `shownWhen` decides; shown without it)
  Kind kind;
  std::string text;
  int x, y, w, h;
  Zone zone = Zone::Page;
  std::function<bool()> shownWhen = nullptr;
  HWND hwnd = nullptr;
  const char* hint = nullptr;  // tooltip
  const char* face = nullptr;  // what a flat (owner-drawn) button shows; its window text is its name
  // Makes a control the window cannot make by its kind (the review lists).
  std::function<HWND(HWND parent)> make = nullptr;
};
using PageControls = std::vector<PageControl>;

// Control ids beyond the page-turning senders (which use kSenderId + sender).
inline constexpr int kSenderId = 1000;
inline int SenderControlId(Sender s) { return kSenderId + int(s); }
inline bool IsSender(int id) { return id >= kSenderId && id <= kSenderId + int(kLastSender); }
// Fixed texts get ids from kStaticFirst on, in table order.
inline constexpr int kAuto = 0;

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
  kUndoStatus,  // the selected entry whole, and its last undo's account
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
  kReviewDetails,  // the row with the focus, whole
  kReportDetails,
  kTickAll,
  kUntickAll,
  kMaximiseButton,
  kVersionLine,
  kTargetsInEffect,  // what a run will search, under the button row while the Targets page is hidden
  kMoveDescription,  // first of three lines per description panel
  kSwitchDescription = kMoveDescription + 3,
  kMapOnlyDescription = kSwitchDescription + 3,
  kStaticFirst = kMapOnlyDescription + 3,  // fixed texts from here on
};

// The bottom row of the pages: where Back and Next (or Start) sit.
struct ButtonRow {
  static constexpr int bottom = 366, backX = 300, nextX = 392, bw = 84, bh = 28;
};
// The pages' own room is kPagesH high with the button row at its foot; below
// it the window keeps a strip for the line that says what a run will search.
inline constexpr int kButtonRowEnd = ButtonRow::bottom + ButtonRow::bh;
inline constexpr int kPagesH = 403, kLineBelowRowsH = 32;

// A button's or a link's click, as WM_COMMAND tells it.
inline bool Clicked(int code) { return code == BN_CLICKED || code == STN_CLICKED; }
void SetCheck(HWND h, bool on);
bool Checked(HWND h);
bool WindowClassIs(HWND h, const wchar_t* name);
