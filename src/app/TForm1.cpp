#include "app/TForm1.h"

#include "app/HelpLinks.h"
#include "app/Progress.h"
#include "app/Settings.h"
#include "core/Drives.h"
#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/Ui.h"

namespace {
constexpr const char* kNotEnoughInformation = "Not enough information to proceed";
constexpr const char* kTextboxEmpty =
    "The \"Find\" and/or the \"Replace With\" textboxes are empty.  Please type in what you want to find and what you "
    "want to replace it with.";
constexpr const char* kEmptyEntry = "You must enter both a first and a second drive letter.";
constexpr const char* kClickNext = "Click on the Next button to Continue";
constexpr const char* kClickMoveFiles = "Click on the \"Move Files\" button to start Moving Files";

// The text of an undo list line before its first " - ".
std::string EntryName(const std::string& line) {
  const std::size_t dash = line.find(" - ");
  return dash == std::string::npos ? line : line.substr(0, dash);
}
}  // namespace

TForm1::TForm1(TForm1Ports ports, std::string programFolder) : ports_(std::move(ports)) {
  ctx.programFolder = std::move(programFolder);
  ctx.ui = ports_.ui;
  ctx.OsGeneration = OsGeneration;
  Label18 = Label21 = kClickMoveFiles;
  Label13 = "Press the Next button to Continue";
}

void TForm1::ShowMessage(const std::string& text, const std::string& caption) {
  if (ports_.ui) ports_.ui->ShowMessage(text, caption);
}

void TForm1::FormShow(const std::string& firstArgument) {
  HelpFile = ctx.programFolder + kHelpHlp;
  // The box is read back, so "Skip Introduction" lasts from one start to the next.
  const Settings settings = ReadSettings(*ports_.fs, ctx.programFolder);
  suiCheckBox2 = settings.SkipStartPage;

  CurrentPage = suiCheckBox2 ? Page::pnlFront : Page::pnlBegin;
  Timer1Enabled = CurrentPage == Page::pnlBegin;
  Label71Visible = CurrentPage == Page::pnlFront;
  HideDescriptions();
  FillDriveList();
  OsGeneration = OsGenerationOf(ports_.GetOSInfo ? ports_.GetOSInfo() : OsVersion{});
  ctx.OsGeneration = OsGeneration;
  if (!firstArgument.empty())
    OpenMoveParam(firstArgument);
  else
    TurnPage(Sender::btnStartOver);

  suiComboBox1 = settings.DeleteOlderThan;
  ports_.undo->SetAgeIndex(suiComboBox1);
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}

bool TForm1::FormCloseQuery() {
  if (ctx.running) return false;
  try {
    WriteSettings(*ports_.fs, ctx.programFolder, {suiComboBox1, suiCheckBox2});
  } catch (const Error& e) {
    ShowMessage(e.what());
    return false;
  }
  return true;
}

void TForm1::FillDriveList() {
  ctx.drives.clear();
  for (const DriveInfo& d : ports_.drives->ListDrives()) ctx.drives.push_back({d.displayName, d.root, d.fixed});
}

void TForm1::HideDescriptions() { tpnlMoveVisible = tpnlSwitchVisible = tpnlFindVisible = false; }

void TForm1::RefreshUndoList() {
  ListBox1 = ports_.undo->Lines();
  if (ListBox1.empty()) ListBox1.push_back(kNoChangesToUndo);
  ListBox1Index = -1;
}

void TForm1::OpenMoveParam(const std::string& path) {
  const ItemPath item = SplitItemPath(path);
  Label14 = item.folder;
  Label28 = item.name;
  tpnlMoveVisible = true;
  ctx.request.Mode = 'M';
  TurnPage(Sender::pnlMoveParam);
}

void TForm1::TurnPage(Sender sender) {
  // The window takes no input while a run is on: a second run must not start
  // inside the first one's message pumping.
  if (ctx.running) return;
  const bool advancedWasVisible = suiCheckBox1Visible;
  suiCheckBox1Visible = false;
  ctx.request.Cancelled = false;
  Page next = Page::None;

  // Whatever happens below (a message, a failing run), the visible page is
  // settled before leaving.
  // A page that stays (a check refused, a run failed) keeps its "Show
  // Advanced Map Options" box, so the user can still reach it.
  struct Settle {
    TForm1& f;
    Page& next;
    bool advancedWasVisible;
    ~Settle() {
      if (next == Page::None) f.suiCheckBox1Visible = advancedWasVisible;
      f.Label71Visible = next == Page::pnlFront;
      if (next != Page::None && next != f.CurrentPage) f.CurrentPage = next;
      f.Timer1Enabled = f.CurrentPage == Page::pnlBegin || f.CurrentPage == Page::pnlBegin2;
    }
  } settle{*this, next, advancedWasVisible};

  switch (sender) {
    case Sender::btnBeginNext: next = Page::pnlBegin2; break;
    case Sender::btnBegin2Next: next = Page::pnlBegin3; break;
    case Sender::btnBegin2Back: next = Page::pnlBegin; break;
    case Sender::btnBegin3Next: next = Page::pnlFront; break;
    case Sender::btnBegin3Back: next = Page::pnlBegin2; break;
    case Sender::btnUndo:
      next = Page::pnlUndo;
      HideDescriptions();
      break;
    case Sender::btnMoveDrive:
      next = Page::pnlMoveStart;
      tpnlMoveVisible = suiCheckBox1Visible = true;
      ctx.request.Mode = 'M';
      break;
    case Sender::btnSwitchDrive:
      next = Page::pnlSwitchStart;
      tpnlSwitchVisible = true;
      ctx.request.Mode = 'S';
      break;
    case Sender::btnFindReplace:
      next = Page::pnlFindStart;
      tpnlFindVisible = suiCheckBox1Visible = true;
      ctx.request.Mode = 'F';
      break;
    case Sender::ShellTreeView1:
      next = Page::pnlMoveStart2;
      suiCheckBox1Visible = true;
      break;
    case Sender::pnlMoveParam:
      next = Page::pnlMoveParam;
      tpnlMoveVisible = suiCheckBox1Visible = true;
      ctx.request.Mode = 'M';
      break;
    case Sender::btnMoveStartNext:
    case Sender::btnMoveParamNext: next = MoveStart(sender); break;
    case Sender::btnMoveStartBack:
    case Sender::btnMoveParamBack:
    case Sender::btnToFront:
    case Sender::btnFindStartBack:
    case Sender::btnSwitchStartBack:
      next = Page::pnlFront;
      HideDescriptions();
      break;
    case Sender::btnFindStartNext: next = FindStart(); break;
    case Sender::btnSwitchStartNext: next = SwitchStart(); break;
    case Sender::btnTargetBack:
      if (ctx.request.Mode == 'S') {
        next = Page::pnlSwitchStart;
      } else {
        next = ctx.request.Mode == 'M' ? Page::pnlMoveStart2 : Page::pnlFindStart;
        suiCheckBox1Visible = true;
      }
      break;
    case Sender::btnTargetNext: next = ctx.targets.HasFileTargets() ? Page::pnlDrives : RunAndEndPage(); break;
    case Sender::btnDrivesNext: next = RunAndEndPage(); break;
    case Sender::btnDrivesBack: next = Page::pnlTargets; break;
    case Sender::btnFinish:
    case Sender::btnFinish2: Terminated = true; break;
    case Sender::btnStartOver:
    case Sender::btnStartOver2:
      next = suiCheckBox2 ? Page::pnlFront : Page::pnlBegin;
      HideDescriptions();
      break;
    case Sender::btnFront:
      next = Page::pnlBegin;
      HideDescriptions();
      break;
  }
  if (next == Page::pnlFinish || next == Page::pnlCancelFinish) SetEndPageLines();
}

Page TForm1::MoveStart(Sender sender) {
  if (sender == Sender::btnMoveParamNext) {
    Label10 = Label14;
    Label15 = Label28;
    Label16 = Edit1;
  }
  if (Label10.empty() || Label15.empty() || Label16.empty()) {
    ShowMessage(kNotEnoughInformation);
    return Page::None;
  }
  ctx.request.FindText = AddSlash(Label10) + Label15;
  ctx.request.ReplaceText = AddSlash(Label16) + Label15;
  // The trees' selection is the view's; it clears it when the page turns.
  return suiCheckBox1 ? Page::pnlTargets : RunAndEndPage();
}

Page TForm1::FindStart() {
  if (Edit5.empty() || Edit6.empty()) {
    ShowMessage(kTextboxEmpty, "Textbox Empty");
    return Page::None;
  }
  const VerifySwitches& v = ctx.verify;
  ctx.verify.chReplaceAll = !(v.suiCheckBox3 || v.suiCheckBox4 || v.suiCheckBox5);
  ctx.request.FindText = Edit5;
  ctx.request.ReplaceText = Edit6;
  return suiCheckBox1 ? Page::pnlTargets : RunAndEndPage();
}

Page TForm1::SwitchStart() {
  if (Edit3.empty() || Edit4.empty()) {
    ShowMessage(kEmptyEntry, "Empty Entry");
    return Page::None;
  }
  ctx.request.FindText = Edit3 + ":\\";
  ctx.request.ReplaceText = Edit4 + ":\\";
  return Page::pnlTargets;
}

Page TForm1::RunAndEndPage() {
  try {
    MappingRun(ctx, ports_.parts).StartSearch();
  } catch (...) {
    RefreshUndoList();
    throw;
  }
  RefreshUndoList();
  return ctx.request.Cancelled ? Page::pnlCancelFinish : Page::pnlFinish;
}

void TForm1::SetEndPageLines() {
  const EndPage page = EndPageOf(ctx);
  if (page.finished) {
    Label27 = page.title;
    Label41 = page.moveLine;
    Label41Visible = !page.moveLine.empty();
    Label39 = page.countLine;
  } else {
    Label68 = page.title;
    Label70 = page.moveLine;
    Label70Visible = !page.moveLine.empty();
    Label69 = page.countLine;
  }
}

void TForm1::ToDragDrop(const std::string& source, const std::string& destination) {
  const ItemPath item = SplitItemPath(source);
  Label15 = item.name;
  Label10 = item.folder;
  Label16 = AddSlash(destination);
  if (!Label15.empty()) {
    Label9 = ports_.fs->FolderExists(Label10 + Label15) ? "and all files and folders in it will be moved from"
                                                         : "will be moved from";
    Label12 = "to";
  } else {
    Label9.clear();
    Label10 = AddSlash(Label10);
    Label12 = "and all files and folders in it will be moved to";
  }
  TurnPage(Sender::ShellTreeView1);
}

std::vector<TreeEntry> TForm1::ShellTreeChildren(TreeSide side, const NodeChain& node) {
  return TreeChildren(side, node, *ports_.drives, *ports_.fs);
}

bool TForm1::ToDragOver(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target) {
  return ports_.driveTypes && AcceptsDrop(from, over, dragged, target, *ports_.driveTypes);
}

void TForm1::ToDragDrop(TreeSide from, const NodeChain& dragged, const NodeChain& target) {
  // Only where the drag was shown as accepted: from the left tree, between drives that can take a move.
  if (!ToDragOver(from, TreeSide::MoveTo, dragged, &target)) return;
  ToDragDrop(NodePath(dragged), AddSlash(NodePath(target)));
}

void TForm1::GoToWebsite(const std::string& address) {
  if (!ports_.shell) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenWithShell(address));
  if (!error.empty()) ShowMessage(error, kShellExecuteError);
}

void TForm1::ShowHelpTopic(const std::string& topic) {
  if (!ports_.help) return;
  if (!ports_.help->HtmlHelpTopic(ctx.programFolder + kHelpChm, topic))
    ports_.help->WinHelpTopic(ctx.programFolder + kHelpHlp, topic);
}

void TForm1::TransparentButton2Click() {
  if (!ports_.help) return;
  if (UsesHtmlHelp(OsGeneration))
    ShowHelpTopic(kIntroductionTopic);
  else
    ports_.help->WinHelpContents(HelpFile);
}

// The links open pages of the program's own help, whatever the Windows
// generation: the pages are only shipped in the HTML form.
void TForm1::Label65Click() { ShowHelpTopic(kIntroductionTopic); }
void TForm1::Label66Click() { ShowHelpTopic(kQuestionsTopic); }

void TForm1::suiCheckBox1Click(bool checked) {
  suiCheckBox1 = checked;
  if (checked) {
    btnMoveStartNext = btnMoveParamNext = btnFindStartNext = {"Next", Glyph::Forward};
    Label18 = Label21 = kClickNext;
  } else {
    btnMoveStartNext = btnMoveParamNext = {"Move Files", Glyph::Start};
    btnFindStartNext = {"Start Map", Glyph::Start};
    Label18 = Label21 = kClickMoveFiles;
  }
}

void TForm1::TargetChecksClick() {
  if (ctx.targets.HasFileTargets()) {
    btnTargetNext = {"Next", Glyph::Forward};
    Label13 = "Press the Next button to Continue";
  } else {
    btnTargetNext = {"Start", Glyph::Start};
    Label13 = "Press the Start button to Begin";
  }
}

void TForm1::Button1Click() {
  const std::string start = ports_.fs->FolderExists(Label14) ? Label14 : std::string();
  if (auto chosen = ports_.picker->PickFolder("Select Destination", start)) Edit1 = *chosen;
}

void TForm1::Button2Click() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) Edit5 = *chosen;
}

void TForm1::Button3Click() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) Edit6 = *chosen;
}

void TForm1::Timer1Timer() {
  // The picture travels right in a shallow arc and starts again.
  auto step = [](ImagePos& p, int limit, int turn, ImagePos start) {
    if (p.left >= limit) {
      p = start;
      return;
    }
    p.left += 5;
    p.top += p.left < turn ? -2 : 2;
  };
  if (CurrentPage == Page::pnlBegin) step(Image14, 210, 149, {78, 104});
  if (CurrentPage == Page::pnlBegin2) step(Image12, 178, 117, {46, 104});
}

std::string TForm1::SelectedUndoName(const char* emptyListMessage) {
  const bool empty = ListBox1.empty() || ListBox1.front() == kNoChangesToUndo;
  if (empty || ListBox1Index < 0 || ListBox1Index >= int(ListBox1.size())) {
    ShowMessage(empty ? emptyListMessage : kPleaseSelectAnItem);
    return "";
  }
  return EntryName(ListBox1[std::size_t(ListBox1Index)]);
}

void TForm1::suiButton1Click() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToUndo);
  if (name.empty()) return;
  // The move back pumps messages: until it is done the window takes no input
  // that could delete the entry under it, close the window or start a run.
  struct Busy {
    bool& running;
    ~Busy() { running = false; }
  } busy{ctx.running = true};
  const std::string message = ports_.undoRun->UndoEntry(name);
  ctx.running = false;
  ShowMessage(message);
}

void TForm1::suiButton2Click() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToDelete);
  if (name.empty()) return;
  ports_.undo->DeleteEntry(name);
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}

void TForm1::suiComboBox1Change(int index) {
  if (ctx.running) return;
  suiComboBox1 = index;
  ports_.undo->SetAgeIndex(index);
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}
