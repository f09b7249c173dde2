#pragma once
// What a start button sets going: the rights check, the run and its end
// page, or a search and its review, and the review's apply; the progress
// measure of each mode and the "Show changes before they are made" choice.
#include "engine/ChangeList.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"
#include "window/Pages.h"
#include "window/WorkMeter.h"

struct WizardPages;
struct WizardPorts;
class UndoController;
struct ReviewPage;

class RunController {
 public:
  RunController(const WizardPorts& ports, WizardPages& pages, UndoController& undoing);

  WorkMeter work;                      // the run's items visited, for the progress bar
  long itemsOfLastRun[3] = {0, 0, 0};  // by ModeIndex, kept in the settings file

  // The run a start button begins: a preview and the review page when the
  // box asks for it, else the run itself.
  Page RunOrReview();
  Page PreviewAndReview();
  Page ApplyReview();
  Page RunAndEndPage();
  // The "Show changes before they are made" box of a mode's page;
  // ShowChangesFirst is the mode at hand's.
  void ShowChangesFirstClick(RunMode mode, bool checked);
  bool ShowChangesFirst() const;

 private:
  // Asks when the run needs rights the program lacks; false: no run.
  bool RightsAllowRun();
  // The run of the choices as they stand; with `reviewed`, the apply of a review's list.
  Page RunAndEndPage(ChangeSelection* reviewed);

  const WizardPorts& ports_;
  WizardPages& pages_;
  UndoController& undoing_;
  // The pages' parts a run reads and fills.
  RunChoices& choices;
  Findings& lastRun;
  bool& running;
  ReviewPage& review;
  Page& CurrentPage;
  bool& Terminated;
};
