#pragma once
// The main window's state and page flow, without a window: the Win32 view
// renders these fields and forwards its controls' events to the handlers.
// Fields carry the names of the controls they stand for.
#include <functional>
#include <string>
#include <vector>

#include "app/MappingRun.h"
#include "app/OsGeneration.h"
#include "app/Pages.h"
#include "app/WindowPorts.h"
#include "core/Ui.h"
#include "undo/MoveSelection.h"

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

struct ImagePos {
  int left = 0;
  int top = 0;
};

// Everything the page model reaches outside itself.
struct TForm1Ports {
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
};

class TForm1 {
 public:
  TForm1(TForm1Ports ports, std::string programFolder);
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

  bool Label71Visible = false;  // version line of the front page
  bool tpnlMoveVisible = false;
  bool tpnlSwitchVisible = false;
  bool tpnlFindVisible = false;
  bool suiCheckBox1 = false;  // "Show Advanced Map Options"
  bool suiCheckBox1Visible = false;
  bool suiCheckBox2 = false;  // "Skip Introduction"
  bool Timer1Enabled = false;
  ImagePos Image14{78, 104};
  ImagePos Image12{46, 104};

  // pnlMoveStart2, filled by a drop on the right tree
  std::string Label15, Label9, Label10, Label12, Label16;
  // pnlMoveParam, filled from the command line
  std::string Label28, Label14, Edit1;
  std::string Edit3 = "C", Edit4 = "D";  // pnlSwitchStart
  std::string Edit5, Edit6;              // pnlFindStart

  ButtonFace btnMoveStartNext{"Move Files", Glyph::Start};
  ButtonFace btnMoveParamNext{"Move Files", Glyph::Start};
  ButtonFace btnFindStartNext{"Start Map", Glyph::Start};
  ButtonFace btnTargetNext{"Next", Glyph::Forward};
  std::string Label18, Label21;  // the move pages' "click ..." lines
  std::string Label13;           // the targets page's line

  // End pages
  std::string Label27, Label39, Label41;  // pnlFinish
  bool Label41Visible = false;
  std::string Label68, Label69, Label70;  // pnlCancelFinish
  bool Label70Visible = false;

  // Undo page
  std::vector<std::string> ListBox1{kNoChangesToUndo};
  int ListBox1Index = -1;
  int suiComboBox1 = 1;  // age list index, -1 for none

  // --- Handlers ----------------------------------------------------------
  void FormShow(const std::string& firstArgument);
  // False keeps the window open (a run is on, or the settings file could not
  // be written).
  bool FormCloseQuery();
  // Turns the page; a failing run leaves through here (Error) after the page
  // state is settled, for the application's error report.
  void TurnPage(Sender sender);
  // A path from the command line or a second start: the move-parameter page.
  void OpenMoveParam(const std::string& path);
  // A drop of the left tree's item (source path) onto a folder of the right tree.
  void ToDragDrop(const std::string& source, const std::string& destination);
  // The move page's trees: what a node lists when expanded, whether a drag
  // may drop over a node, and the drop itself (dragged: the left tree's
  // selected node; target: the right tree's node under the mouse).
  std::vector<TreeEntry> ShellTreeChildren(TreeSide side, const NodeChain& node);
  bool ToDragOver(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target);
  void ToDragDrop(TreeSide from, const NodeChain& dragged, const NodeChain& target);

  // Help and links.
  void GoToWebsite(const std::string& address);
  void TransparentButton2Click();  // "?"
  void Label65Click();             // "Click Here for more Information"
  void Label66Click();             // "Click Here to Ask Questions"

  void suiCheckBox1Click(bool checked);
  void TargetChecksClick();  // after one of the four target boxes changed
  void Button1Click();       // "Browse" for the destination
  void Button2Click();       // "..." beside "Find what:"
  void Button3Click();       // "..." beside "Replace with:"
  void Timer1Timer();
  void suiButton1Click();  // "Undo Changes"
  void suiButton2Click();  // "Delete"
  void suiComboBox1Change(int index);

 private:
  Page RunAndEndPage();
  Page MoveStart(Sender sender);
  Page FindStart();
  Page SwitchStart();
  void HideDescriptions();
  void RefreshUndoList();
  void FillDriveList();
  void SetEndPageLines();
  void ShowMessage(const std::string& text, const std::string& caption = kAppTitle);
  void ShowHelpTopic(const std::string& topic);
  // The name of the selected undo entry; empty after showing why there is none.
  std::string SelectedUndoName(const char* emptyListMessage);

  TForm1Ports ports_;
};
