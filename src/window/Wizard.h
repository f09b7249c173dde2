#pragma once
// The main window's page flow, without a window: each page's state lives in
// its own model (WizardPages), the flow in the tables of PageFlow, the run
// and the undo page's work in their controllers; the Win32 views render the
// models and forward their controls' events to the handlers here.
#include <functional>
#include <string>
#include <vector>

#include "core/Ui.h"
#include "engine/MappingRun.h"
#include "engine/OsGeneration.h"
#include "engine/Rights.h"
#include "engine/UndoPorts.h"
#include "window/MoveSelection.h"
#include "window/Pages.h"
#include "window/ResumeArguments.h"
#include "window/RightsWarningPage.h"
#include "window/HelpController.h"
#include "window/PageFlow.h"
#include "window/RunController.h"
#include "window/UndoController.h"
#include "window/WindowPorts.h"
#include "window/WindowTalk.h"
#include "window/WizardPages.h"

class DriveSource;
class FileSystem;
class Ui;

// Everything the page model reaches outside itself.
struct WizardPorts {
  Ui* ui = nullptr;
  FileSystem* fs = nullptr;
  DriveSource* drives = nullptr;
  UndoList* undo = nullptr;
  UndoExecutor* undoRun = nullptr;
  FolderPicker* picker = nullptr;
  RunParts parts;  // parts.undo is normally the same store as `undo`
  std::function<OsVersion()> GetOSInfo;
  DriveTypeSource* driveTypes = nullptr;  // drag acceptance on the move page
  HelpViewer* help = nullptr;
  ShellOpener* shell = nullptr;
  // Before a run: the rights it may lack, the warning that asks what to do,
  // and the restart as administrator with the given arguments (true when
  // the elevated copy was started). Without them no check is made.
  RightsPort* rights = nullptr;
  std::function<RightsChoice(const RightsWarningPage&)> askRights = nullptr;
  std::function<bool(const std::vector<std::string>&)> restartElevated = nullptr;
  WindowDialogs* dialogs = nullptr;  // questions and messages by kind; ui's messages without it
};

class Wizard : public WizardPages {
 public:
  // The help file is beside the program; the undo records and the settings
  // are in recordsFolder (the program's folder when empty).
  Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder = "");
  // The composition root wires the run's parts once they exist: they are
  // built over this window's own RunContext.
  void Wire(const RunParts& parts, UndoList* undo, UndoExecutor* undoRun) {
    ports_.parts = parts;
    ports_.undo = undo;
    ports_.undoRun = undoRun;
  }

 private:
  WizardPorts ports_;
  WindowTalk talk_{ports_.ui, ports_.dialogs};

 public:
  UndoController undoing{ports_, undo, ctx, focusField, talk_};
  RunController run{ports_, *this, undoing};
  HelpController help;

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
  // A drop of the left tree's item (source path) onto a folder of the right tree.
  void DropOnMoveTo(const std::string& source, const std::string& destination);
  // The move page's trees: what a node lists when expanded, whether a drag
  // may drop over a node, and the drop itself (dragged: the left tree's
  // selected node; target: the right tree's node under the mouse).
  std::vector<TreeEntry> TreeChildrenOf(TreeSide side, const NodeChain& node);
  bool TreeFolderShowsAnything(TreeSide side, const NodeChain& folder);
  bool MayDropOnMoveTo(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target);
  void DropOnMoveTo(TreeSide from, const NodeChain& dragged, const NodeChain& target);
  // The keyboard's way to a move: the left tree's selected node onto the
  // right tree's selected node (null: none selected).
  void MoveSelectedPair(const NodeChain* dragged, const NodeChain* target);

  void ShowAdvancedClick(bool checked);
  void TargetChecksClick();       // after one of the target boxes changed
  void BrowseDestinationClick();  // "Browse" for the destination
  void BrowseFindWhatClick();     // "..." beside "Find what:"
  void BrowseReplaceWithClick();  // "..." beside "Replace with:"
  void AnimateIntroPicture();     // the introduction pages' moving picture
  void ShowPassedOverClick();     // "Show" beside the end page's passed-over line
  void OpenReportAsTextClick();   // "Open as text" on the report page
  void VerifyClick(bool checked);

 private:
  // The turn's steps, in order: the way out, the page's own step, the arrival.
  Page Leave(Sender sender);
  void Arrive(const TurnRow& turn, Page next);
  void Settle(Page before, Page next, bool advancedWasVisible);
  Page OpenReport(const std::string& name, Page cameFrom);
  // A page's check refused: its message, and the field to correct.
  void Refuse(const Refusal& refusal);
  void HideDescriptions();
  void FillDriveList();
  void ShowDescriptionOf(RunMode mode);
};
