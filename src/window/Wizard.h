#pragma once
// The main window's state and page flow, without a window: the Win32 view
// renders these fields and forwards its controls' events to the handlers.
#include <functional>
#include <string>
#include <vector>

#include "engine/MappingRun.h"
#include "engine/OsGeneration.h"
#include "window/Pages.h"
#include "window/ReviewList.h"
#include "window/RightsWarning.h"
#include "engine/UndoPorts.h"
#include "undo/UndoTexts.h"
#include "window/WindowPorts.h"
#include "window/WorkMeter.h"
#include "core/Ui.h"
#include "window/MoveSelection.h"

class DriveSource;
class FileSystem;
class Ui;


// The pictures a forward button can carry: the arrow of "Next", or the
// picture of the buttons that start a run.
enum class Glyph { Forward, Start };

struct ButtonFace {
  std::string caption;
  Glyph glyph = Glyph::Forward;
  bool operator==(const ButtonFace&) const = default;
};

// The message of a run that failed part way: what it had changed, and that
// the Undo page takes it back.
std::string StoppedRunText(const std::string& failure, const RunContext& ctx);

struct PicturePos {
  int left = 0;
  int top = 0;
};

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

// The fields of the pages the view can put the focus into.
enum class Field { None, GivenDestination, FirstDrive, SecondDrive, FindWhat, ReplaceWith };

class Wizard {
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

  // --- State -------------------------------------------------------------
  RunContext ctx;  // the request, targets, drive list and verify boxes
  Page CurrentPage = Page::None;
  int OsGeneration = 9;
  std::string HelpFile;
  bool Terminated = false;  // "Exit" on an end page: end without the close query
  WorkMeter work;           // the run's items visited, for the progress bar
  long itemsOfLastRun[3] = {0, 0, 0};  // by ModeIndex, kept in the settings file

  bool versionLineVisible = false;  // version line of the front page
  bool moveDescriptionVisible = false;
  bool switchDescriptionVisible = false;
  bool mapOnlyDescriptionVisible = false;
  bool showAdvanced = false;  // "Show Advanced Map Options"
  bool showAdvancedVisible = false;
  bool skipIntroduction = false;  // "Skip Introduction"
  bool introAnimationOn = false;
  PicturePos intro1Picture{78, 104};
  PicturePos intro2Picture{46, 104};

  // MoveConfirm, filled by a drop on the right tree
  std::string confirmItemName, confirmFromLine, confirmSourceFolder, confirmToLine, confirmDestination;
  // MoveGiven, filled from the command line
  std::string givenItemName, givenSourceFolder, givenDestination;
  std::string firstDrive = "C", secondDrive = "D";  // SwitchDrives
  std::string findWhat, replaceWith;                // MapOnly

  ButtonFace moveConfirmStart{"Move Files", Glyph::Start};
  ButtonFace moveGivenStart{"Move Files", Glyph::Start};
  ButtonFace mapOnlyStart{"Start Map", Glyph::Start};
  ButtonFace targetsNext{"Next", Glyph::Forward};
  std::string moveConfirmHint, moveGivenHint;  // the move pages' "click ..." lines
  std::string targetsHint;                     // the targets page's line

  // End pages
  std::string finishedTitle, finishedCount, finishedMoveLine;  // Finished
  bool finishedMoveLineVisible = false;
  std::string cancelledTitle, cancelledCount, cancelledMoveLine;  // Cancelled
  bool cancelledMoveLineVisible = false;
  std::string passedOverLine;  // either end page: "N places could not be changed", or empty
  std::vector<std::string> endNotes;  // either end page: what the run did beside its changes
  // A path handed over while a run was on: offered on the end page ("Go").
  std::string handOverWaiting;
  // The end pages' notice: the run's notes, then the item handed over during
  // the run; CR LF between lines, as a multi-line control shows them. Empty
  // when there is neither.
  std::string EndNoticeText() const;
  // The field a refused check points at; the view focuses it and clears this.
  Field focusField = Field::None;

  bool showChangesVisible = false;  // either end page: the run left a change report

  // "Show changes before they are made", by ModeIndex; kept in the settings file.
  bool showChangesFirst[3] = {true, false, true};

  // Review page: what the search found, ticked to be applied.
  ReviewList review;
  std::string reviewKinds;  // the count per kind, taken once when the list is loaded
  bool reviewEmpty = false;  // the search found nothing: nothing to apply
  // "4 of 5 changes ticked: 2 value data, ..." or that there is nothing to change.
  std::string ReviewLine() const;

  // Report page: the change report of a run (finish page) or of an undo
  // entry (undo page), read from its .log; shown read-only.
  ReviewList report;
  std::string reportTitle, reportLine, reportPath;

  // Undo page
  std::vector<std::string> undoLines{kNoChangesToUndo};
  int undoSelection = -1;
  int undoAgeIndex = 1;  // age list index, -1 for none

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
  // The page the review page came from (where "Back" leads).
  Page ReviewCameFrom() const { return reviewCameFrom_; }
  // One "Stop and Verify each Mapping Change" choice, whichever page's box shows it.
  void VerifyClick(bool checked);
  bool StopAndVerify() const;
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
  void HideDescriptions();
  void RefreshUndoList();
  void FillDriveList();
  void SetEndPageLines();
  void ShowMessage(const std::string& text, const std::string& caption = kAppTitle,
                   MessageKind kind = MessageKind::Information);
  bool Confirm(const std::string& text, const std::string& caption);
  void ShowDescriptionOf(RunMode mode);
  void FillGiven(const std::string& path);
  bool ItemExists(const std::string& path);
  void ShowHelpTopic(const std::string& topic);
  // The name of the selected undo entry; empty after showing why there is none.
  std::string SelectedUndoName(const char* emptyListMessage);

  // Asks when the run needs rights the program lacks; false: no run.
  bool RightsAllowRun();

  WizardPorts ports_;
  std::string helpFolder_;
  Page reviewCameFrom_ = Page::None, reportCameFrom_ = Page::None;
  std::size_t reviewTickable_ = 0;  // entries of the review that carry a box  // where the help file is: beside the program
};

// "Restart as administrator" (in ResumeArguments.cpp):
// The current page and its fields as the arguments of a restarted copy,
// beginning with kResumeSwitch.
std::vector<std::string> ResumeArguments(const Wizard& wizard);
// Puts the page and fields back (after Start); false when the arguments are
// no resume arguments or name no page.
bool ApplyResumeArguments(Wizard& wizard, const std::vector<std::string>& arguments);
