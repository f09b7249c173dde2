#pragma once
// The main window's pages and the controls that turn them.
#include <string_view>

enum class Page {
  None,
  pnlBegin,
  pnlBegin2,
  pnlBegin3,
  pnlFront,
  pnlMoveStart,
  pnlMoveStart2,
  pnlMoveParam,
  pnlSwitchStart,
  pnlFindStart,
  pnlTargets,
  pnlDrives,
  pnlFinish,
  pnlCancelFinish,
  pnlUndo,
};
inline constexpr int kPageCount = int(Page::pnlUndo) + 1;

// Every control (or page, or tree) that TurnPage decides by.
enum class Sender {
  btnBeginNext,
  btnBegin2Next,
  btnBegin2Back,
  btnBegin3Next,
  btnBegin3Back,
  btnUndo,
  btnMoveDrive,
  btnSwitchDrive,
  btnFindReplace,
  ShellTreeView1,  // an item was dropped onto the right tree
  pnlMoveParam,    // a path came from the command line
  btnMoveStartNext,
  btnMoveParamNext,
  btnMoveStartBack,
  btnMoveParamBack,
  btnToFront,
  btnFindStartBack,
  btnFindStartNext,
  btnSwitchStartNext,
  btnSwitchStartBack,
  btnTargetBack,
  btnTargetNext,
  btnDrivesNext,
  btnDrivesBack,
  btnFinish,
  btnFinish2,
  btnStartOver,
  btnStartOver2,
  btnFront,
};

std::string_view PageName(Page page);
// The page with that name ("pnlTargets"); Page::None when there is none.
Page PageNamed(std::string_view name);
