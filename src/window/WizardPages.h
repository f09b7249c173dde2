#pragma once
// The state of the main window: the next run's choices, the last run's
// findings, the page on screen, the
// window-wide parts (the band describing the mode at hand, "Show Advanced
// Map Options", the front page's version line) and each page's own model.
// Wizard adds the flow between them, its controllers the run and the undo.
#include "engine/Findings.h"
#include "engine/RunSettings.h"
#include "window/EndPages.h"
#include "window/IntroPages.h"
#include "window/MapOnlyPage.h"
#include "window/MovePages.h"
#include "window/Pages.h"
#include "window/ReportPage.h"
#include "window/ReviewPage.h"
#include "window/SwitchDrivesPage.h"
#include "window/TargetsPage.h"
#include "window/UndoPage.h"

struct WizardPages {
  RunChoices choices;  // the request, targets, drive list and verify boxes
  Findings lastRun;    // what the last run or search found and did
  bool running = false;  // a run or an undo is under way: the window is busy
  Page CurrentPage = Page::None;
  bool Terminated = false;  // "Exit" on an end page: end without the close query

  bool versionLineVisible = false;  // version line of the front page
  bool moveDescriptionVisible = false;
  bool switchDescriptionVisible = false;
  bool mapOnlyDescriptionVisible = false;
  bool showAdvanced = false;  // "Show Advanced Map Options"
  bool showAdvancedVisible = false;
  // "Show changes before they are made", by ModeIndex; kept in the settings file.
  bool showChangesFirst[3] = {true, true, true};
  // The field a refused check points at; the view focuses it and clears this.
  Field focusField = Field::None;

  IntroPages intro;
  MovePages move;
  SwitchDrivesPage switchDrives;
  MapOnlyPage mapOnly;
  TargetsPage targetsPage;
  ReviewPage review;
  ReportPage report;
  EndPages end;
  UndoPage undo;

  // The page the review page came from (where "Back" leads).
  Page ReviewCameFrom() const { return review.cameFrom; }
  // One "Stop and Verify each Mapping Change" choice, whichever page's box shows it.
  bool StopAndVerify() const { return choices.stopAndVerify; }
};
