#include "window/Wizard.h"

#include <cctype>
#include <tuple>

#include "window/HelpLinks.h"
#include "engine/ChangeReport.h"
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
constexpr const char* kSourceMissing = "%s does not exist.  Please correct.";
constexpr const char* kWholeDrive =
    "A whole drive cannot be moved.  Choose a folder or a file on it; to follow a drive whose letter changed, use "
    "\"Switch Drives\".";
constexpr const char* kSelectPair =
    "Select the item to move in \"Move From...\" and the folder to move it to in \"Move To...\".";
constexpr const char* kNoEntriesToShow = "There are no entries to show.";
constexpr const char* kCannotMoveThere =
    "The selected item cannot be moved to that folder: choose a folder on a drive that can take it.";

// The text of an undo list line before its first " - ".
std::string EntryName(const std::string& line) {
  const std::size_t dash = line.find(" - ");
  return dash == std::string::npos ? line : line.substr(0, dash);
}
}  // namespace

std::string StoppedRunText(const std::string& failure, const RunContext& ctx) {
  const bool moved = ctx.request.Mode == RunMode::MoveAndMap && ctx.moveLines.finishedMoveLineVisible;
  const int links = ctx.tally.linkCount;
  if (!moved && links == 0) return failure + "\n\nThe run stopped before it changed anything.";
  std::string done = moved ? "the item was moved" : "";
  if (links > 0) done += std::string(moved ? " and " : "") + RemappedResultText(links);
  std::string entry = ctx.tally.undoName.empty() ? "" : " (entry " + ctx.tally.undoName + ")";
  return failure + "\n\nThe run stopped part way.  Before it stopped, " + done +
         ".  These changes can be undone from the Undo page" + entry + ".";
}

Wizard::Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder)
    : ports_(std::move(ports)), helpFolder_(programFolder) {
  ctx.programFolder = recordsFolder.empty() ? std::move(programFolder) : std::move(recordsFolder);
  ctx.ui = ports_.ui;
  ctx.OsGeneration = OsGeneration;
  moveConfirmHint = moveGivenHint = kClickMoveFiles;
  targetsHint = "Press the Next button to Continue";
}

void Wizard::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
  if (ports_.dialogs)
    ports_.dialogs->Tell(text, caption, kind);
  else if (ports_.ui)
    ports_.ui->ShowMessage(text, caption);
}

bool Wizard::Confirm(const std::string& text, const std::string& caption) {
  return !ports_.dialogs || ports_.dialogs->Confirm(text, caption);
}

// The band shows the description of the mode at hand, and no other.
void Wizard::ShowDescriptionOf(RunMode mode) {
  HideDescriptions();
  moveDescriptionVisible = mode == RunMode::MoveAndMap;
  switchDescriptionVisible = mode == RunMode::SwitchDrives;
  mapOnlyDescriptionVisible = mode == RunMode::MapOnly;
}

bool Wizard::ItemExists(const std::string& path) { return ports_.fs->AttributesOf(path).has_value(); }

void Wizard::Start(const std::string& firstArgument) {
  // No WinHelp compiler is to be had: every Windows generation gets the HTML help.
  HelpFile = helpFolder_ + kHelpChm;
  // The box is read back, so "Skip Introduction" lasts from one start to the next.
  const Settings settings = ReadSettings(*ports_.fs, ctx.programFolder);
  skipIntroduction = settings.SkipStartPage;
  ctx.targets.configFiles = settings.ConfigurationFiles;
  for (int i = 0; i < 3; ++i) itemsOfLastRun[i] = settings.ItemsOfLastRun[i];
  for (int i = 0; i < 3; ++i) showChangesFirst[i] = settings.ShowChangesFirst[i];

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
  ports_.undo->RebuildList();
  RefreshUndoList();
}

bool Wizard::MayClose() {
  if (ctx.running) return false;
  try {
    Settings s{undoAgeIndex, skipIntroduction, ctx.targets.configFiles};
    for (int i = 0; i < 3; ++i) s.ItemsOfLastRun[i] = itemsOfLastRun[i];
    for (int i = 0; i < 3; ++i) s.ShowChangesFirst[i] = showChangesFirst[i];
    WriteSettings(*ports_.fs, ctx.programFolder, s);
  } catch (const Error& e) {
    ShowMessage(e.what(), kAppTitle, MessageKind::Error);
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

void Wizard::FillGiven(const std::string& path) {
  const ItemPath item = SplitItemPath(path);
  givenSourceFolder = item.folder;
  givenItemName = item.name;
  ctx.request.Mode = RunMode::MoveAndMap;
}

void Wizard::OpenMoveGiven(const std::string& path) {
  FillGiven(path);
  TurnPage(Sender::PathGiven);
}

void Wizard::OfferHandOver(const std::string& path) {
  // The run's result is shown first; the item waits beside it.
  if (CurrentPage == Page::Finished || CurrentPage == Page::Cancelled)
    handOverWaiting = path;
  else
    OpenMoveGiven(path);
}

void Wizard::CloseAskedDuringRun() {
  if (Terminated) return;  // asked and agreed already
  if (Confirm("Another start of Ostrivane asked this window to close.\n\nClose Ostrivane now?", kAppTitle))
    Terminated = true;
}

void Wizard::TurnPage(Sender sender) {
  // The window takes no input while a run is on: a second run must not start
  // inside the first one's message pumping.
  if (ctx.running) return;
  const bool advancedWasVisible = showAdvancedVisible;
  showAdvancedVisible = false;
  ctx.tally.cancelled = false;
  Page next = Page::None;

  // Whatever happens below (a message, a failing run), the visible page is
  // settled before leaving.
  // A page that stays (a check refused, a run failed) keeps its "Show
  // Advanced Map Options" box, so the user can still reach it.
  struct Settle {
    Wizard& wizard;
    Page& next;
    bool advancedWasVisible;
    Page before;
    ~Settle() {
      if (next == Page::None && wizard.CurrentPage == before) wizard.showAdvancedVisible = advancedWasVisible;
      wizard.versionLineVisible = next == Page::Front;
      if (next != Page::None && next != wizard.CurrentPage) wizard.CurrentPage = next;
      // The offer of a handed-over item lasts while its end page is shown,
      // also while the run's report is looked at from there.
      if (wizard.CurrentPage != Page::Finished && wizard.CurrentPage != Page::Cancelled && wizard.CurrentPage != Page::Report)
        wizard.handOverWaiting.clear();
      wizard.introAnimationOn = wizard.CurrentPage == Page::Intro1 || wizard.CurrentPage == Page::Intro2;
      // A long list is not kept once its page is left.
      if (wizard.CurrentPage != Page::Review && wizard.review.size() > 0) wizard.review.Load({});
      if (wizard.CurrentPage != Page::Report && wizard.report.size() > 0) wizard.report.Load({});
    }
  } settle{*this, next, advancedWasVisible, CurrentPage};

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
      showAdvancedVisible = true;
      ctx.request.Mode = RunMode::MoveAndMap;
      ShowDescriptionOf(RunMode::MoveAndMap);
      break;
    case Sender::SwitchDrives:
      next = Page::SwitchDrives;
      ctx.request.Mode = RunMode::SwitchDrives;
      ShowDescriptionOf(RunMode::SwitchDrives);
      break;
    case Sender::MapOnly:
      next = Page::MapOnly;
      showAdvancedVisible = true;
      ctx.request.Mode = RunMode::MapOnly;
      ShowDescriptionOf(RunMode::MapOnly);
      break;
    case Sender::TreeDrop:
      next = Page::MoveConfirm;
      showAdvancedVisible = true;
      break;
    case Sender::PathGiven:
      next = Page::MoveGiven;
      showAdvancedVisible = true;
      ctx.request.Mode = RunMode::MoveAndMap;
      ShowDescriptionOf(RunMode::MoveAndMap);
      break;
    case Sender::HandOverGo:
      if (handOverWaiting.empty()) break;
      FillGiven(handOverWaiting);
      next = Page::MoveGiven;
      showAdvancedVisible = true;
      ShowDescriptionOf(RunMode::MoveAndMap);
      break;
    case Sender::MoveConfirmNext:
    case Sender::MoveGivenNext: next = MoveStart(sender); break;
    case Sender::MoveConfirmBack:
    case Sender::MoveGivenBack:
    case Sender::MoveTreesBack:
    case Sender::UndoBack:
    case Sender::MapOnlyBack:
    case Sender::SwitchBack:
      next = Page::Front;
      HideDescriptions();
      break;
    case Sender::MapOnlyNext: next = FindStart(); break;
    case Sender::SwitchNext: next = SwitchStart(); break;
    case Sender::TargetsBack:
      if (ctx.request.Mode == RunMode::SwitchDrives) {
        next = Page::SwitchDrives;
      } else {
        next = ctx.request.Mode == RunMode::MoveAndMap ? Page::MoveConfirm : Page::MapOnly;
        showAdvancedVisible = true;
      }
      break;
    case Sender::TargetsNext: next = ctx.targets.HasFileTargets() ? Page::Drives : RunOrReview(); break;
    case Sender::DrivesStart: next = RunOrReview(); break;
    case Sender::ReviewApply: next = ApplyReview(); break;
    case Sender::ReviewBack: next = ReviewBack(); break;
    case Sender::ShowChanges: next = OpenReport(ctx.tally.undoName, CurrentPage); break;
    case Sender::UndoDetails:
      if (const std::string name = SelectedUndoName(kNoEntriesToShow); !name.empty()) next = OpenReport(name, Page::Undo);
      break;
    case Sender::ReportBack: next = reportCameFrom_ == Page::None ? Page::Front : reportCameFrom_; break;
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
    // A typed or pasted destination: line breaks and outer blanks are not part of it.
    std::string d = givenDestination;
    std::erase_if(d, [](char c) { return c == '\r' || c == '\n'; });
    confirmDestination = std::string(Trim(d, " "));
  }
  if (confirmSourceFolder.empty() || confirmItemName.empty() || confirmDestination.empty()) {
    if (sender == Sender::MoveGivenNext && confirmDestination.empty()) focusField = Field::GivenDestination;
    ShowMessage(kNotEnoughInformation, kAppTitle, MessageKind::Warning);
    return Page::None;
  }
  // Checked here, so the user corrects it on this page rather than meeting a
  // cancelled run.
  const std::string source = AddSlash(confirmSourceFolder) + confirmItemName;
  if (!ItemExists(source)) {
    ShowMessage(Format1(kSourceMissing, source), kAppTitle, MessageKind::Error);
    return Page::None;
  }
  ctx.request.FindText = source;
  ctx.request.ReplaceText = AddSlash(confirmDestination) + confirmItemName;
  // The trees' selection is the view's; it clears it when the page turns.
  return showAdvanced ? Page::Targets : RunOrReview();
}

Page Wizard::FindStart() {
  if (findWhat.empty() || replaceWith.empty()) {
    focusField = findWhat.empty() ? Field::FindWhat : Field::ReplaceWith;
    ShowMessage(kTextboxEmpty, "Textbox Empty", MessageKind::Warning);
    return Page::None;
  }
  ctx.request.FindText = findWhat;
  ctx.request.ReplaceText = replaceWith;
  if (const std::string refusal = RequestRefusal(ctx.request); !refusal.empty()) {
    ShowMessage(refusal, kAppTitle, MessageKind::Warning);
    return Page::None;
  }
  return showAdvanced ? Page::Targets : RunOrReview();
}

Page Wizard::SwitchStart() {
  if (firstDrive.empty() || secondDrive.empty()) {
    focusField = firstDrive.empty() ? Field::FirstDrive : Field::SecondDrive;
    ShowMessage(kEmptyEntry, "Empty Entry", MessageKind::Warning);
    return Page::None;
  }
  auto isLetter = [](const std::string& s) {
    return s.size() == 1 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
  };
  for (auto [text, field, name] : {std::tuple{&firstDrive, Field::FirstDrive, "first"},
                                   std::tuple{&secondDrive, Field::SecondDrive, "second"}}) {
    if (isLetter(*text)) {
      *text = std::string(1, char(std::toupper(static_cast<unsigned char>((*text)[0]))));
      continue;
    }
    focusField = field;
    ShowMessage(std::string("The ") + name + " \"Drive Letter\" field holds \"" + *text +
                    "\".  Please type a drive letter from A to Z.",
                "Drive Letter", MessageKind::Warning);
    return Page::None;
  }
  if (firstDrive == secondDrive) {
    focusField = Field::SecondDrive;
    ShowMessage("Both \"Drive Letter\" fields hold " + firstDrive +
                    ".  Please type two different drive letters in the first and the second field.",
                "Drive Letter", MessageKind::Warning);
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
  long& last = itemsOfLastRun[ModeIndex(ctx.request.Mode)];
  work.Begin(last);
  try {
    MappingRun(ctx, ports_.parts).Run();
  } catch (const Error& e) {
    RefreshUndoList();
    // A run that stops part way may have changed things already: say which,
    // and where they are undone.
    throw Error(StoppedRunText(e.what(), ctx));
  } catch (...) {
    RefreshUndoList();
    throw;
  }
  RefreshUndoList();
  // Cancelled at the question of what runs from the item: nothing was moved
  // or changed, and the page stays for another try.
  if (ctx.tally.itemInUse) return Page::None;
  // Only a whole run measures the next one.
  if (!ctx.tally.cancelled && work.Done() > 0) last = work.Done();
  return ctx.tally.cancelled ? Page::Cancelled : Page::Finished;
}

Page Wizard::RunOrReview() { return ShowChangesFirst() ? PreviewAndReview() : RunAndEndPage(); }

Page Wizard::PreviewAndReview() {
  // A search that changes nothing: it needs no rights and writes no record.
  struct PreviewScope {
    RunContext& ctx;
    ~PreviewScope() { ctx.preview = false; }
  } scope{ctx};
  ctx.preview = true;
  ctx.selection = nullptr;
  long& last = itemsOfLastRun[ModeIndex(ctx.request.Mode)];
  work.Begin(last);
  try {
    MappingRun(ctx, ports_.parts).Run();
  } catch (const Error& e) {
    throw Error(std::string(e.what()) + "\n\nThe search stopped before the review; nothing was changed.");
  }
  // A cancelled search leaves the page as it was: nothing was changed.
  if (ctx.tally.cancelled) return Page::None;
  if (work.Done() > 0) last = work.Done();
  // Taken, not copied: a search of many places holds its list once.
  review.Load(std::move(ctx.changes));
  ctx.changes.clear();
  reviewKinds = review.CountsPerKind();
  reviewTickable_ = review.TickedCount();
  // A move is applied even where no reference was found; a search that found
  // nothing to change has nothing to apply.
  reviewEmpty = review.TickedCount() == 0 && ctx.request.Mode != RunMode::MoveAndMap;
  reviewCameFrom_ = CurrentPage;
  return Page::Review;
}

std::string Wizard::ReviewLine() const {
  if (review.size() == 0) return "Nothing to change: the search found no reference to " + ctx.request.FindText + ".";
  if (reviewEmpty) return "Nothing to apply: none of the places found can be changed.";
  std::string line =
      std::to_string(review.TickedCount()) + " of " + std::to_string(reviewTickable_) + " changes ticked";
  if (!reviewKinds.empty()) line += " (" + reviewKinds + ")";
  return line + ".";
}

Page Wizard::ApplyReview() {
  if (reviewEmpty || CurrentPage != Page::Review) return Page::None;
  ChangeSelection selection = review.Selection();
  struct SelectionScope {
    RunContext& ctx;
    ~SelectionScope() { ctx.selection = nullptr; }
  } scope{ctx};
  ctx.selection = &selection;
  try {
    return RunAndEndPage();
  } catch (...) {
    // What the run made before it failed is on the undo page; the found
    // list no longer tells what is there.
    CurrentPage = ReviewBack();
    throw;
  }
}

Page Wizard::ReviewBack() {
  const Page page = reviewCameFrom_ == Page::None ? Page::Front : reviewCameFrom_;
  showAdvancedVisible = page == Page::MapOnly || page == Page::MoveConfirm || page == Page::MoveGiven;
  return page;
}

Page Wizard::OpenReport(const std::string& name, Page cameFrom) {
  // An entry listed from an earlier records folder keeps its report there.
  const std::string folder = ports_.undo && !name.empty() ? ports_.undo->FolderOf(name) : "";
  const std::string path = (folder.empty() ? ctx.programFolder : folder) + name + ".log";
  if (name.empty() || !ports_.fs->FileExists(path)) {
    ShowMessage(name.empty() ? std::string("This run has no change report.")
                             : name + " has no change report: it was made by an earlier version of Ostrivane, or its "
                                      "report was deleted.");
    return Page::None;
  }
  ReadReport read;
  try {
    read = ReadChangeReport(ports_.fs->ReadWhole(path));
  } catch (const Error& e) {
    ShowMessage("The change report " + path + " could not be read: " + e.what(), kAppTitle, MessageKind::Error);
    return Page::None;
  }
  report.Load(std::move(read.entries));
  reportPath = path;
  reportTitle = "Changes of " + name;
  // What became of the entries, then what the run was and when: the counts
  // first, so that long paths do not push them out of sight.
  std::size_t byOutcome[5] = {};
  for (std::size_t row = 0; row < report.size(); ++row) ++byOutcome[int(report.At(row).outcome)];
  std::string counts;
  for (int i = 0; i < 5; ++i)
    if (byOutcome[i] > 0)
      counts += (counts.empty() ? "" : ", ") + std::to_string(byOutcome[i]) + " " + OutcomeWord(ChangeOutcome(i));
  reportLine = (counts.empty() ? std::string("No entries") : counts) + ".\r\n" + read.Field("Mode") + ": " +
               read.Field("Find") + " -> " + read.Field("Replace");
  if (const std::string started = read.Field("Started"); !started.empty()) reportLine += ", " + started;
  reportCameFrom_ = cameFrom;
  return Page::Report;
}

void Wizard::OpenReportAsTextClick() {
  if (!ports_.shell || reportPath.empty()) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenWithShell(reportPath));
  if (!error.empty()) ShowMessage(error, kShellExecuteError, MessageKind::Error);
}

void Wizard::ShowChangesFirstClick(RunMode mode, bool checked) { showChangesFirst[ModeIndex(mode)] = checked; }
bool Wizard::ShowChangesFirst() const { return showChangesFirst[ModeIndex(ctx.request.Mode)]; }

void Wizard::SetEndPageLines() {
  const EndPage page = EndPageOf(ctx);
  passedOverLine = page.passedOverLine;
  endNotes = page.notes;
  // The report is written for a run that met anything at all.
  showChangesVisible = ports_.parts.records && !ctx.tally.undoName.empty() && !ctx.changes.empty();
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
  if (item.name.empty()) {
    ShowMessage(kWholeDrive, "Whole Drive", MessageKind::Warning);
    return;
  }
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

void Wizard::MoveSelectedPair(const NodeChain* dragged, const NodeChain* target) {
  if (!dragged || !target || dragged->size() < 2) {
    ShowMessage(kSelectPair, "Move to", MessageKind::Warning);
    return;
  }
  if (dragged->size() == 2) {  // a drive node under "My Computer"
    ShowMessage(kWholeDrive, "Whole Drive", MessageKind::Warning);
    return;
  }
  if (!MayDropOnMoveTo(TreeSide::MoveFrom, TreeSide::MoveTo, *dragged, target)) {
    ShowMessage(kCannotMoveThere, "Move to", MessageKind::Warning);
    return;
  }
  DropOnMoveTo(TreeSide::MoveFrom, *dragged, *target);
}

void Wizard::GoToWebsite(const std::string& address) {
  if (!ports_.shell) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenWithShell(address));
  if (!error.empty()) ShowMessage(error, kShellExecuteError);
}

void Wizard::ShowHelpTopic(const std::string& topic) {
  if (!ports_.help) return;
  // Only the HTML help is shipped (no WinHelp compiler is to be had), so the
  // older generations open it too; where its viewer is missing, say so.
  if (!ports_.help->HtmlHelpTopic(helpFolder_ + kHelpChm, topic))
    ShowMessage("The help " + helpFolder_ + kHelpChm + " could not be opened: the HTML help viewer is missing or "
                "refused it.",
                kAppTitle, MessageKind::Warning);
}

void Wizard::HelpButtonClick() { ShowHelpTopic(kIntroductionTopic); }

std::string Wizard::HelpTopicOf(Page page) {
  switch (page) {
    case Page::MoveTrees:
    case Page::MoveConfirm:
    case Page::MoveGiven: return "MoveAndMap.htm";
    case Page::SwitchDrives: return "SwitchDrives.htm";
    case Page::MapOnly: return "MapOnly.htm";
    case Page::Targets:
    case Page::Drives: return "Targets.htm";
    case Page::Undo: return "Undo.htm";
    case Page::Review:
    case Page::Report: return "Review.htm";
    default: return kIntroductionTopic;
  }
}

void Wizard::HelpForCurrentPage() { ShowHelpTopic(HelpTopicOf(CurrentPage)); }

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
  if (!Confirm("Undo the changes of " + undoLines[std::size_t(undoSelection)] +
                   "?\n\nThe moved item goes back and the changed places get their old texts again.",
               "Undo Changes"))
    return;
  // The move back pumps messages: until it is done the window takes no input
  // that could delete the entry under it, close the window or start a run.
  struct Busy {
    bool& running;
    ~Busy() { running = false; }
  } busy{ctx.running = true};
  const std::string message = ports_.undoRun->UndoEntry(name);
  ShowMessage(message);
  // Places changed after the run were left; the user may still want the
  // run's state before it back there, knowing what that costs. Asked once.
  if (const int changed = ports_.undoRun->PlacesChangedSinceRun(); changed > 0) {
    const std::string places = changed == 1 ? "1 place was" : std::to_string(changed) + " places were";
    if (Confirm(places + " changed after the run and left as they are.\n\nRestore them anyway?  Their later changes "
                         "would be lost.",
                "Undo Changes"))
      ShowMessage(ports_.undoRun->UndoEntry(name, true));
  }
  ctx.running = false;
}

void Wizard::DeleteUndoClick() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToDelete);
  if (name.empty()) return;
  if (!Confirm("Delete the undo entry " + undoLines[std::size_t(undoSelection)] +
                   "?\n\nIts changes can then no longer be undone.",
               "Delete Undo Entry"))
    return;
  try {
    ports_.undo->DeleteEntry(name);
  } catch (const Error& e) {
    ShowMessage(e.what(), kAppTitle, MessageKind::Error);
  }
  ports_.undo->RebuildList();
  RefreshUndoList();
}

void Wizard::UndoAgeChange(int index) {
  if (ctx.running) return;
  const std::vector<std::string> going = ports_.undo->EntriesAgedOut(index);
  if (!going.empty()) {
    std::string list;
    for (const std::string& name : going) list += "\n" + name;
    if (!Confirm("This age limit deletes these undo entries now; their changes can then no longer be undone:\n" + list +
                     "\n\nDelete them?",
                 "Delete Old Undo Entries"))
      return;
  }
  undoAgeIndex = index;
  ports_.undo->SetAgeIndex(index);
  ports_.undo->RebuildList();
  RefreshUndoList();
}

// The move pages' and the Map Only page's boxes show the run's one flag; a
// "Do Not Stop and Verify" during a run clears them too.
void Wizard::VerifyClick(bool checked) { ctx.stopAndVerify = checked; }

bool Wizard::StopAndVerify() const { return ctx.stopAndVerify; }

void Wizard::ShowPassedOverClick() {
  // A message box grows with its text: a long list is cut, and says so.
  const std::string text = PassedOverList(ctx, 30);
  if (!text.empty()) ShowMessage(text, "Places that could not be changed");
}

std::string Wizard::EndNoticeText() const {
  std::string text;
  for (const std::string& note : endNotes) text += (text.empty() ? "" : "\r\n") + note;
  if (!handOverWaiting.empty())
    text += (text.empty() ? "" : "\r\n") + std::string("Another item was handed over while the run was on:\r\n") +
            handOverWaiting;
  return text;
}
