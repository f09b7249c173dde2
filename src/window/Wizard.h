#pragma once
// The main window's page flow and its run, without a window: each page's
// state lives in its own model (WizardPages); the Win32 views render them
// and forward their controls' events to the handlers here.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/Ui.h"
#include "engine/MappingRun.h"
#include "engine/UndoPorts.h"
#include "window/MoveSelection.h"
#include "window/Pages.h"
#include "window/ResumeArguments.h"
#include "window/RightsWarningPage.h"
#include "window/WindowPorts.h"
#include "window/WizardPages.h"
#include "window/WorkMeter.h"

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
  std::optional<RunParts> parts;  // wired before a run; parts->undo is normally the same store as `undo`
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
    ports_.parts.emplace(parts);
    ports_.undo = undo;
    ports_.undoRun = undoRun;
  }

  std::string HelpFile;
  bool Terminated = false;  // "Exit" on an end page: end without the close query
  WorkMeter work;           // the run's items visited, for the progress bar
  long itemsOfLastRun[3] = {0, 0, 0};  // by ModeIndex, kept in the settings file

  // --- Handlers ----------------------------------------------------------
  void Start(const std::string& firstArgument);
  // False keeps the window open (a run is on, or the settings file could not
  // be written).
  bool MayClose();
  // Turns the page; a failing run leaves through here (Error) after the page
  // state is settled, for the application's error report.
  void TurnPage(Sender sender);
  // A path from the command line or a second start: the page that moves it.
  void OpenMoveGiven(const std::string& path);
  // A drop of the left tree's item (source path) onto a folder of the right tree.
  void DropOnMoveTo(const std::string& source, const std::string& destination);
  // The move page's trees: what a node lists when expanded, whether a drag
  // may drop over a node, and the drop itself (dragged: the left tree's
  // selected node; target: the right tree's node under the mouse).
  std::vector<TreeEntry> TreeChildrenOf(TreeSide side, const NodeChain& node);
  bool TreeFolderShowsAnything(TreeSide side, const NodeChain& folder);
  bool MayDropOnMoveTo(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target);
  void DropOnMoveTo(TreeSide from, const NodeChain& dragged, const NodeChain& target);

  // Help and links.
  void GoToWebsite(const std::string& address);
  void HelpButtonClick();       // "?"
  void MoreInformationClick();  // "Click Here for more Information"
  void AskQuestionsClick();     // "Click Here to Ask Questions"

  void ShowAdvancedClick(bool checked);
  void TargetChecksClick();       // after one of the target boxes changed
  void BrowseDestinationClick();  // "Browse" for the destination
  void BrowseFindWhatClick();     // "..." beside "Find what:"
  void BrowseReplaceWithClick();  // "..." beside "Replace with:"
  void AnimateIntroPicture();     // the introduction pages' moving picture
  void UndoChangesClick();        // "Undo Changes"
  void DeleteUndoClick();         // "Delete"
  void UndoAgeChange(int index);
  void ShowPassedOverClick();  // "Show" beside the end page's passed-over line
  // The "Show changes before they are made" box of a mode's page;
  // ShowChangesFirst is the mode at hand's.
  void ShowChangesFirstClick(RunMode mode, bool checked);
  bool ShowChangesFirst() const;
  void OpenReportAsTextClick();  // "Open as text" on the report page
  void VerifyClick(bool checked);
  // The keyboard's way to a move: the left tree's selected node onto the
  // right tree's selected node (null: none selected).
  void MoveSelectedPair(const NodeChain* dragged, const NodeChain* target);
  // A second start's path that came while a run was on; offered, not opened.
  void OfferHandOver(const std::string& path);
  // A second start's "-d" that came while a run was on: asked once the end page is up.
  void CloseAskedDuringRun();
  // F1: the help topic of the page on screen.
  void HelpForCurrentPage();
  static std::string HelpTopicOf(Page page);

 private:
  Page RunAndEndPage();
  // The run a start button begins: a preview and the review page when the
  // box asks for it, else the run itself.
  Page RunOrReview();
  Page PreviewAndReview();
  Page ApplyReview();
  Page ReviewBack();
  Page OpenReport(const std::string& name, Page cameFrom);
  Page MoveStart(Sender sender);
  Page FindStart();
  Page SwitchStart();
  // A page's check refused: its message, and the field to correct.
  void Refuse(const Refusal& refusal);
  void HideDescriptions();
  void RefreshUndoList();
  void FillDriveList();
  void ShowMessage(const std::string& text, const std::string& caption = kAppTitle,
                   MessageKind kind = MessageKind::Information);
  bool Confirm(const std::string& text, const std::string& caption);
  void ShowDescriptionOf(RunMode mode);
  void ShowHelpTopic(const std::string& topic);
  // The name of the selected undo entry; empty after showing why there is none.
  std::string SelectedUndoName(const char* emptyListMessage);

  // Asks when the run needs rights the program lacks; false: no run.
  bool RightsAllowRun();

  WizardPorts ports_;
  std::string helpFolder_;  // where the help file is: beside the program
};
