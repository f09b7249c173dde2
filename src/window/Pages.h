#pragma once
// The main window's pages and the controls that turn them.
enum class Page {
  None,
  Intro1,  // three introduction pages
  Intro2,
  Intro3,
  Front,        // the choice of mode
  MoveTrees,    // drag an item from one tree onto a folder of the other
  MoveConfirm,  // what a drop will move, and where
  MoveGiven,    // an item given on the command line: choose where it goes
  SwitchDrives,
  MapOnly,
  Targets,
  Drives,
  Finished,   // end of a finished run
  Cancelled,  // end of a cancelled or failed run
  Undo,
  Review,  // the changes a search found, before any is made
  Report,  // the change report of a run, read from its .log
};
inline constexpr int kPageCount = int(Page::Report) + 1;

// Every control (or page, or tree) that TurnPage decides by.
enum class Sender {
  Intro1Next,
  Intro2Next,
  Intro2Back,
  Intro3Next,
  Intro3Back,
  TitleUndo,     // the title strip's "Undo"
  MoveAndMap,    // the front page's three modes
  SwitchDrives,
  MapOnly,
  TreeDrop,      // an item was dropped onto the right tree
  PathGiven,     // a path came from the command line or a second start
  MoveConfirmNext,
  MoveGivenNext,
  MoveConfirmBack,
  MoveGivenBack,
  UndoBack,
  MapOnlyBack,
  MapOnlyNext,
  SwitchNext,
  SwitchBack,
  TargetsBack,
  TargetsNext,
  DrivesStart,
  DrivesBack,
  Exit,          // "Exit" on the finished page
  ExitCancelled, // "Exit" on the cancelled page
  GoToStart,
  GoToStartCancelled,
  TitleFront,    // the title strip's "Front"
  MoveTreesBack, // "Back" on the move page's trees
  HandOverGo,    // "Go" beside an item handed over during the run
  ReviewApply,   // "Apply" on the review page
  ReviewBack,
  ShowChanges,   // "Show what changed" on either end page
  UndoDetails,   // "Details" on the undo page
  ReportBack,
  FrontBack,     // "Back" on the front page: to the introduction
};
inline constexpr Sender kLastSender = Sender::FrontBack;
