#pragma once
// The main window's page flow, without a window: each page's state lives in
// its own model (WizardPages), the flow in the tables of PageFlow, the run
// and the undo page's work in their controllers; the Win32 views render the
// models and forward their controls' events to the handlers here.
#include <functional>
#include <string>
#include <vector>

#include "window/HelpController.h"
#include "window/MoveController.h"
#include "window/Pages.h"
#include "window/ResumeArguments.h"
#include "window/RunController.h"
#include "window/UndoController.h"
#include "window/WindowTalk.h"
#include "window/WizardPages.h"
#include "window/WizardPorts.h"

struct TurnRow;

class Wizard : public WizardPages {
 public:
  // The help file is beside the program; the undo records and the settings
  // are in recordsFolder (the program's folder when empty).
  Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder = "");
  // The composition root wires the run's parts once they exist: they are
  // made after the window, in the records folder it chose.
  void Wire(const RunParts& parts, UndoList* undo, UndoExecutor* undoRun) {
    ports_.parts.emplace(parts);
    ports_.undo = undo;
    ports_.undoRun = undoRun;
  }

 private:
  WizardPorts ports_;
  WindowTalk talk_{ports_.ui, ports_.dialogs};

 public:
  UndoController undoing{ports_, undo, running, focusField, talk_};
  RunController run{ports_, *this, undoing};
  HelpController help;
  MoveController moving{ports_, move, focusField, talk_, [this] { TurnPage(Sender::TreeDrop); }};

  // --- The flow ----------------------------------------------------------
  void Start(const std::string& firstArgument);
  // False keeps the window open (a run is on, or the settings file could not
  // be written).
  bool MayClose();
  // Turns the page as the flow table says; a failing run leaves through here
  // (Error) after the page state is settled, for the application's error report.
  void TurnPage(Sender sender);
  // A path from the command line or a second start: the page that moves it.
  void OpenMoveGiven(const std::string& path);
  // A second start's path that came while a run was on; offered, not opened.
  void OfferHandOver(const std::string& path);
  // A second start's "-d" that came while a run was on: asked once the end page is up.
  void CloseAskedDuringRun();

  // The turns that decide where they lead (the flow table's steps); Page::None keeps the page.
  Page MoveStart(Sender sender);
  Page FindStart(Sender);
  Page SwitchStart(Sender);
  Page TargetsBack(Sender);
  Page TargetsNext(Sender);
  Page StartRun(Sender);
  Page ApplyReview(Sender);
  Page ReviewBack(Sender);
  Page ShowChanges(Sender);
  Page UndoDetails(Sender);
  Page ReportBack(Sender);
  Page HandOverGo(Sender);
  Page StartPage(Sender);
  Page Exit(Sender);

  // --- The pages' controls -----------------------------------------------
  void ShowAdvancedClick(bool checked);
  void TargetChecksClick();       // after one of the target boxes changed
  void BrowseFindWhatClick();     // "..." beside "Find what:"
  void BrowseReplaceWithClick();  // "..." beside "Replace with:"
  void AnimateIntroPicture();     // the introduction pages' moving picture
  void ShowPassedOverClick();     // "Show" beside the end page's passed-over line
  void OpenReportAsTextClick();   // "Open as text" on the report page
  void VerifyClick(bool checked);

 private:
  // After a turn that leads somewhere: the mode, the band, the box, an end page filled; then the page settled.
  void Arrive(const TurnRow& turn, Page next);
  void Settle(Page before, Page next, bool advancedWasVisible);
  Page OpenReport(const std::string& name, Page cameFrom);
  void HideDescriptions();
  void FillDriveList();
  void ShowDescriptionOf(RunMode mode);
};
