#include "window/Wizard.h"

#include "window/HelpLinks.h"
#include "engine/Progress.h"
#include "window/Settings.h"
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

Wizard::Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder)
    : ports_(std::move(ports)), helpFolder_(programFolder) {
  ctx.programFolder = recordsFolder.empty() ? std::move(programFolder) : std::move(recordsFolder);
  ctx.ui = ports_.ui;
  ctx.OsGeneration = OsGeneration;
  moveConfirmHint = moveGivenHint = kClickMoveFiles;
  targetsHint = "Press the Next button to Continue";
}

void Wizard::ShowMessage(const std::string& text, const std::string& caption) {
  if (ports_.ui) ports_.ui->ShowMessage(text, caption);
}

void Wizard::Start(const std::string& firstArgument) {
  HelpFile = helpFolder_ + kHelpHlp;
  // The box is read back, so "Skip Introduction" lasts from one start to the next.
  const Settings settings = ReadSettings(*ports_.fs, ctx.programFolder);
  skipIntroduction = settings.SkipStartPage;
  ctx.targets.configFiles = settings.ConfigurationFiles;

  CurrentPage = skipIntroduction ? Page::Front : Page::Intro1;
  introAnimationOn = CurrentPage == Page::Intro1;
  versionLineVisible = CurrentPage == Page::Front;
  HideDescriptions();
  FillDriveList();
  OsGeneration = OsGenerationOf(ports_.GetOSInfo ? ports_.GetOSInfo() : OsVersion{});
  ctx.OsGeneration = OsGeneration;
  if (!firstArgument.empty())
    OpenMoveGiven(firstArgument);
  else
    TurnPage(Sender::GoToStart);

  undoAgeIndex = settings.DeleteOlderThan;
  ports_.undo->SetAgeIndex(undoAgeIndex);
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}

bool Wizard::MayClose() {
  if (ctx.running) return false;
  try {
    WriteSettings(*ports_.fs, ctx.programFolder, {undoAgeIndex, skipIntroduction, ctx.targets.configFiles});
  } catch (const Error& e) {
    ShowMessage(e.what());
    return false;
  }
  return true;
}

void Wizard::FillDriveList() {
  ctx.drives.clear();
  for (const DriveInfo& d : ports_.drives->ListDrives()) ctx.drives.push_back({d.displayName, d.root, d.fixed});
}

void Wizard::HideDescriptions() { moveDescriptionVisible = switchDescriptionVisible = mapOnlyDescriptionVisible = false; }

void Wizard::RefreshUndoList() {
  undoLines = ports_.undo->Lines();
  if (undoLines.empty()) undoLines.push_back(kNoChangesToUndo);
  undoSelection = -1;
}

void Wizard::OpenMoveGiven(const std::string& path) {
  const ItemPath item = SplitItemPath(path);
  givenSourceFolder = item.folder;
  givenItemName = item.name;
  moveDescriptionVisible = true;
  ctx.request.Mode = 'M';
  TurnPage(Sender::PathGiven);
}

void Wizard::TurnPage(Sender sender) {
  // The window takes no input while a run is on: a second run must not start
  // inside the first one's message pumping.
  if (ctx.running) return;
  const bool advancedWasVisible = showAdvancedVisible;
  showAdvancedVisible = false;
  ctx.request.Cancelled = false;
  Page next = Page::None;

  // Whatever happens below (a message, a failing run), the visible page is
  // settled before leaving.
  // A page that stays (a check refused, a run failed) keeps its "Show
  // Advanced Map Options" box, so the user can still reach it.
  struct Settle {
    Wizard& f;
    Page& next;
    bool advancedWasVisible;
    ~Settle() {
      if (next == Page::None) f.showAdvancedVisible = advancedWasVisible;
      f.versionLineVisible = next == Page::Front;
      if (next != Page::None && next != f.CurrentPage) f.CurrentPage = next;
      f.introAnimationOn = f.CurrentPage == Page::Intro1 || f.CurrentPage == Page::Intro2;
    }
  } settle{*this, next, advancedWasVisible};

  switch (sender) {
    case Sender::Intro1Next: next = Page::Intro2; break;
    case Sender::Intro2Next: next = Page::Intro3; break;
    case Sender::Intro2Back: next = Page::Intro1; break;
    case Sender::Intro3Next: next = Page::Front; break;
    case Sender::Intro3Back: next = Page::Intro2; break;
    case Sender::TitleUndo:
      next = Page::Undo;
      HideDescriptions();
      break;
    case Sender::MoveAndMap:
      next = Page::MoveTrees;
      moveDescriptionVisible = showAdvancedVisible = true;
      ctx.request.Mode = 'M';
      break;
    case Sender::SwitchDrives:
      next = Page::SwitchDrives;
      switchDescriptionVisible = true;
      ctx.request.Mode = 'S';
      break;
    case Sender::MapOnly:
      next = Page::MapOnly;
      mapOnlyDescriptionVisible = showAdvancedVisible = true;
      ctx.request.Mode = 'F';
      break;
    case Sender::TreeDrop:
      next = Page::MoveConfirm;
      showAdvancedVisible = true;
      break;
    case Sender::PathGiven:
      next = Page::MoveGiven;
      moveDescriptionVisible = showAdvancedVisible = true;
      ctx.request.Mode = 'M';
      break;
    case Sender::MoveConfirmNext:
    case Sender::MoveGivenNext: next = MoveStart(sender); break;
    case Sender::MoveConfirmBack:
    case Sender::MoveGivenBack:
    case Sender::UndoBack:
    case Sender::MapOnlyBack:
    case Sender::SwitchBack:
      next = Page::Front;
      HideDescriptions();
      break;
    case Sender::MapOnlyNext: next = FindStart(); break;
    case Sender::SwitchNext: next = SwitchStart(); break;
    case Sender::TargetsBack:
      if (ctx.request.Mode == 'S') {
        next = Page::SwitchDrives;
      } else {
        next = ctx.request.Mode == 'M' ? Page::MoveConfirm : Page::MapOnly;
        showAdvancedVisible = true;
      }
      break;
    case Sender::TargetsNext: next = ctx.targets.HasFileTargets() ? Page::Drives : RunAndEndPage(); break;
    case Sender::DrivesStart: next = RunAndEndPage(); break;
    case Sender::DrivesBack: next = Page::Targets; break;
    case Sender::Exit:
    case Sender::ExitCancelled: Terminated = true; break;
    case Sender::GoToStart:
    case Sender::GoToStartCancelled:
      next = skipIntroduction ? Page::Front : Page::Intro1;
      HideDescriptions();
      break;
    case Sender::TitleFront:
      next = Page::Intro1;
      HideDescriptions();
      break;
  }
  if (next == Page::Finished || next == Page::Cancelled) SetEndPageLines();
}

Page Wizard::MoveStart(Sender sender) {
  if (sender == Sender::MoveGivenNext) {
    confirmSourceFolder = givenSourceFolder;
    confirmItemName = givenItemName;
    confirmDestination = givenDestination;
  }
  if (confirmSourceFolder.empty() || confirmItemName.empty() || confirmDestination.empty()) {
    ShowMessage(kNotEnoughInformation);
    return Page::None;
  }
  ctx.request.FindText = AddSlash(confirmSourceFolder) + confirmItemName;
  ctx.request.ReplaceText = AddSlash(confirmDestination) + confirmItemName;
  // The trees' selection is the view's; it clears it when the page turns.
  return showAdvanced ? Page::Targets : RunAndEndPage();
}

Page Wizard::FindStart() {
  if (findWhat.empty() || replaceWith.empty()) {
    ShowMessage(kTextboxEmpty, "Textbox Empty");
    return Page::None;
  }
  const VerifySwitches& v = ctx.verify;
  ctx.verify.replaceAll = !(v.moveGiven || v.mapOnly || v.moveConfirm);
  ctx.request.FindText = findWhat;
  ctx.request.ReplaceText = replaceWith;
  if (const std::string refusal = RequestRefusal(ctx.request); !refusal.empty()) {
    ShowMessage(refusal);
    return Page::None;
  }
  return showAdvanced ? Page::Targets : RunAndEndPage();
}

Page Wizard::SwitchStart() {
  if (firstDrive.empty() || secondDrive.empty()) {
    ShowMessage(kEmptyEntry, "Empty Entry");
    return Page::None;
  }
  ctx.request.FindText = firstDrive + ":\\";
  ctx.request.ReplaceText = secondDrive + ":\\";
  return Page::Targets;
}

bool Wizard::RightsAllowRun() {
  if (!ports_.rights || !ports_.askRights) return true;
  const RightsCheck check = CheckRights(ctx, *ports_.rights);
  if (!check.NeedsMore()) return true;
  switch (ports_.askRights(RightsWarningPageOf(check))) {
    case RightsChoice::Restart:
      // The elevated copy takes over this page; this one ends.
      if (ports_.restartElevated && ports_.restartElevated(ResumeArguments(*this))) Terminated = true;
      return false;
    case RightsChoice::Continue: return !check.recordsBlocked;
    case RightsChoice::Back: break;
  }
  return false;
}

Page Wizard::RunAndEndPage() {
  if (!RightsAllowRun()) return Page::None;
  try {
    MappingRun(ctx, ports_.parts).StartSearch();
  } catch (...) {
    RefreshUndoList();
    throw;
  }
  RefreshUndoList();
  return ctx.request.Cancelled ? Page::Cancelled : Page::Finished;
}

void Wizard::SetEndPageLines() {
  const EndPage page = EndPageOf(ctx);
  passedOverLine = page.passedOverLine;
  if (page.finished) {
    finishedTitle = page.title;
    finishedMoveLine = page.moveLine;
    finishedMoveLineVisible = !page.moveLine.empty();
    finishedCount = page.countLine;
  } else {
    cancelledTitle = page.title;
    cancelledMoveLine = page.moveLine;
    cancelledMoveLineVisible = !page.moveLine.empty();
    cancelledCount = page.countLine;
  }
}

void Wizard::DropOnMoveTo(const std::string& source, const std::string& destination) {
  const ItemPath item = SplitItemPath(source);
  confirmItemName = item.name;
  confirmSourceFolder = item.folder;
  confirmDestination = AddSlash(destination);
  if (!confirmItemName.empty()) {
    confirmFromLine = ports_.fs->FolderExists(confirmSourceFolder + confirmItemName) ? "and all files and folders in it will be moved from"
                                                         : "will be moved from";
    confirmToLine = "to";
  } else {
    confirmFromLine.clear();
    confirmSourceFolder = AddSlash(confirmSourceFolder);
    confirmToLine = "and all files and folders in it will be moved to";
  }
  TurnPage(Sender::TreeDrop);
}

std::vector<TreeEntry> Wizard::TreeChildrenOf(TreeSide side, const NodeChain& node) {
  return TreeChildren(side, node, *ports_.drives, *ports_.fs);
}

bool Wizard::MayDropOnMoveTo(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target) {
  return ports_.driveTypes && AcceptsDrop(from, over, dragged, target, *ports_.driveTypes);
}

void Wizard::DropOnMoveTo(TreeSide from, const NodeChain& dragged, const NodeChain& target) {
  // Only where the drag was shown as accepted: from the left tree, between drives that can take a move.
  if (!MayDropOnMoveTo(from, TreeSide::MoveTo, dragged, &target)) return;
  DropOnMoveTo(NodePath(dragged), AddSlash(NodePath(target)));
}

void Wizard::GoToWebsite(const std::string& address) {
  if (!ports_.shell) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenWithShell(address));
  if (!error.empty()) ShowMessage(error, kShellExecuteError);
}

void Wizard::ShowHelpTopic(const std::string& topic) {
  if (!ports_.help) return;
  if (!ports_.help->HtmlHelpTopic(helpFolder_ + kHelpChm, topic))
    ports_.help->WinHelpTopic(helpFolder_ + kHelpHlp, topic);
}

void Wizard::HelpButtonClick() {
  if (!ports_.help) return;
  if (UsesHtmlHelp(OsGeneration))
    ShowHelpTopic(kIntroductionTopic);
  else
    ports_.help->WinHelpContents(HelpFile);
}

// The links open pages of the program's own help, whatever the Windows
// generation: the pages are only shipped in the HTML form.
void Wizard::MoreInformationClick() { ShowHelpTopic(kIntroductionTopic); }
void Wizard::AskQuestionsClick() { ShowHelpTopic(kQuestionsTopic); }

void Wizard::ShowAdvancedClick(bool checked) {
  showAdvanced = checked;
  if (checked) {
    moveConfirmStart = moveGivenStart = mapOnlyStart = {"Next", Glyph::Forward};
    moveConfirmHint = moveGivenHint = kClickNext;
  } else {
    moveConfirmStart = moveGivenStart = {"Move Files", Glyph::Start};
    mapOnlyStart = {"Start Map", Glyph::Start};
    moveConfirmHint = moveGivenHint = kClickMoveFiles;
  }
}

void Wizard::TargetChecksClick() {
  if (ctx.targets.HasFileTargets()) {
    targetsNext = {"Next", Glyph::Forward};
    targetsHint = "Press the Next button to Continue";
  } else {
    targetsNext = {"Start", Glyph::Start};
    targetsHint = "Press the Start button to Begin";
  }
}

void Wizard::BrowseDestinationClick() {
  const std::string start = ports_.fs->FolderExists(givenSourceFolder) ? givenSourceFolder : std::string();
  if (auto chosen = ports_.picker->PickFolder("Select Destination", start)) givenDestination = *chosen;
}

void Wizard::BrowseFindWhatClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) findWhat = *chosen;
}

void Wizard::BrowseReplaceWithClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) replaceWith = *chosen;
}

void Wizard::AnimateIntroPicture() {
  // The picture travels right in a shallow arc and starts again.
  auto step = [](PicturePos& p, int limit, int turn, PicturePos start) {
    if (p.left >= limit) {
      p = start;
      return;
    }
    p.left += 5;
    p.top += p.left < turn ? -2 : 2;
  };
  if (CurrentPage == Page::Intro1) step(intro1Picture, 210, 149, {78, 104});
  if (CurrentPage == Page::Intro2) step(intro2Picture, 178, 117, {46, 104});
}

std::string Wizard::SelectedUndoName(const char* emptyListMessage) {
  const bool empty = undoLines.empty() || undoLines.front() == kNoChangesToUndo;
  if (empty || undoSelection < 0 || undoSelection >= int(undoLines.size())) {
    ShowMessage(empty ? emptyListMessage : kPleaseSelectAnItem);
    return "";
  }
  return EntryName(undoLines[std::size_t(undoSelection)]);
}

void Wizard::UndoChangesClick() {
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

void Wizard::DeleteUndoClick() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToDelete);
  if (name.empty()) return;
  try {
    ports_.undo->DeleteEntry(name);
  } catch (const Error& e) {
    ShowMessage(e.what());
  }
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}

void Wizard::UndoAgeChange(int index) {
  if (ctx.running) return;
  undoAgeIndex = index;
  ports_.undo->SetAgeIndex(index);
  ports_.undo->FillUndoBox(false);
  RefreshUndoList();
}

void Wizard::ShowPassedOverClick() {
  // A message box grows with its text: a long list is cut, and says so.
  const std::string text = PassedOverList(ctx, 30);
  if (!text.empty()) ShowMessage(text, "Places that could not be changed");
}
