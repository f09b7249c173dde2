#include "window/Wizard.h"

#include "window/HelpLinks.h"
#include "engine/ChangeReport.h"
#include "engine/Progress.h"
#include "window/Settings.h"
#include "core/ScopeExit.h"
#include "core/Drives.h"
#include "core/PathText.h"
#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/Ui.h"

namespace {
constexpr const char* kSelectPair =
    "Select the item to move in \"Move From...\" and the folder to move it to in \"Move To...\".";
constexpr const char* kNoEntriesToShow = "There are no entries to show.";
constexpr const char* kCannotMoveThere =
    "The selected item cannot be moved to that folder: choose a folder on a drive that can take it.";
}  // namespace

Wizard::Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder)
    : ports_(std::move(ports)), helpFolder_(programFolder) {
  ctx.recordsFolder = recordsFolder.empty() ? std::move(programFolder) : std::move(recordsFolder);
  ctx.ui = ports_.ui;
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

void Wizard::Start(const std::string& firstArgument) {
  // No WinHelp compiler is to be had: every Windows generation gets the HTML help.
  HelpFile = helpFolder_ + kHelpChm;
  // The box is read back, so "Skip Introduction" lasts from one start to the next.
  const Settings settings = ReadSettings(*ports_.fs, ctx.recordsFolder);
  intro.skipIntroduction = settings.SkipStartPage;
  ctx.targets.configFiles = settings.ConfigurationFiles;
  for (int i = 0; i < 3; ++i) itemsOfLastRun[i] = settings.ItemsOfLastRun[i];
  for (int i = 0; i < 3; ++i) showChangesFirst[i] = settings.ShowChangesFirst[i];

  CurrentPage = intro.StartPage();
  intro.animationOn = CurrentPage == Page::Intro1;
  versionLineVisible = CurrentPage == Page::Front;
  HideDescriptions();
  FillDriveList();
  if (!firstArgument.empty())
    OpenMoveGiven(firstArgument);
  else
    TurnPage(Sender::GoToStart);

  undo.ageIndex = settings.DeleteOlderThan;
  ports_.undo->SetAgeIndex(undo.ageIndex);
  RefreshUndoList();
}

bool Wizard::MayClose() {
  if (ctx.running) return false;
  try {
    Settings s{undo.ageIndex, intro.skipIntroduction, ctx.targets.configFiles};
    for (int i = 0; i < 3; ++i) s.ItemsOfLastRun[i] = itemsOfLastRun[i];
    for (int i = 0; i < 3; ++i) s.ShowChangesFirst[i] = showChangesFirst[i];
    WriteSettings(*ports_.fs, ctx.recordsFolder, s);
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

// Read afresh from the records: a run's line takes its description from the
// change report written at its very end, and an undo marks its entry undone.
void Wizard::RefreshUndoList() {
  ports_.undo->RebuildList();
  undo.Fill(ports_.undo->Lines());
}

void Wizard::OpenMoveGiven(const std::string& path) {
  move.Give(path);
  ctx.request.Mode = RunMode::MoveAndMap;
  TurnPage(Sender::PathGiven);
}

void Wizard::OfferHandOver(const std::string& path) {
  // The run's result is shown first; the item waits beside it.
  if (CurrentPage == Page::Finished || CurrentPage == Page::Cancelled)
    end.handOverWaiting = path;
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
        wizard.end.handOverWaiting.clear();
      wizard.intro.animationOn = wizard.CurrentPage == Page::Intro1 || wizard.CurrentPage == Page::Intro2;
      // A long list is not kept once its page is left.
      if (wizard.CurrentPage != Page::Review && wizard.review.list.size() > 0) wizard.review.list.Load({});
      if (wizard.CurrentPage != Page::Report && wizard.report.list.size() > 0) wizard.report.list.Load({});
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
      if (end.handOverWaiting.empty()) break;
      move.Give(end.handOverWaiting);
      ctx.request.Mode = RunMode::MoveAndMap;
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
    case Sender::ReportBack:
      next = report.cameFrom == Page::None ? Page::Front : report.cameFrom;
      if (next == Page::Undo) HideDescriptions();
      break;
    case Sender::DrivesBack: next = Page::Targets; break;
    case Sender::Exit:
    case Sender::ExitCancelled: Terminated = true; break;
    case Sender::GoToStart:
    case Sender::GoToStartCancelled:
      next = intro.StartPage();
      HideDescriptions();
      break;
    case Sender::TitleFront:
      next = Page::Intro1;
      HideDescriptions();
      break;
  }
  // The report is written for a run that met anything at all.
  if (next == Page::Finished || next == Page::Cancelled)
    end.Fill(ctx, !ctx.tally.undoName.empty() && !ctx.changes.empty());
}

void Wizard::Refuse(const Refusal& refusal) {
  focusField = refusal.field;
  ShowMessage(refusal.text, refusal.caption, refusal.kind);
}

Page Wizard::MoveStart(Sender sender) {
  if (const Check refused = move.Start(sender == Sender::MoveGivenNext, *ports_.fs)) {
    Refuse(*refused);
    return Page::None;
  }
  ctx.request.FindText = move.FindText();
  ctx.request.ReplaceText = move.ReplaceText();
  // The trees' selection is the view's; it clears it when the page turns.
  return showAdvanced ? Page::Targets : RunOrReview();
}

Page Wizard::FindStart() {
  if (const Check refused = mapOnly.Start(ctx.request)) {
    Refuse(*refused);
    return Page::None;
  }
  return showAdvanced ? Page::Targets : RunOrReview();
}

Page Wizard::SwitchStart() {
  if (const Check refused = switchDrives.Start()) {
    Refuse(*refused);
    return Page::None;
  }
  std::vector<std::string> roots;
  for (const DriveRow& d : ctx.drives) roots.push_back(d.root);
  if (const std::string question = switchDrives.MissingDriveQuestion(roots);
      !question.empty() && !Confirm(question, "Switch Drives")) {
    focusField = Field::SecondDrive;
    return Page::None;
  }
  ctx.request.FindText = switchDrives.FindText();
  ctx.request.ReplaceText = switchDrives.ReplaceText();
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
    MappingRun(ctx, ports_.parts.value()).Run();
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
  ctx.preview = true;
  const ScopeExit previewed{[this] { ctx.preview = false; }};
  ctx.selection = nullptr;
  long& last = itemsOfLastRun[ModeIndex(ctx.request.Mode)];
  work.Begin(last);
  try {
    MappingRun(ctx, ports_.parts.value()).Run();
  } catch (const Error& e) {
    throw Error(std::string(e.what()) + "\n\nThe search stopped before the review; nothing was changed.");
  }
  // A cancelled search leaves the page as it was: nothing was changed.
  if (ctx.tally.cancelled) return Page::None;
  if (work.Done() > 0) last = work.Done();
  // Taken, not copied: a search of many places holds its list once.
  review.Load(std::move(ctx.changes), ctx.request, CurrentPage);
  ctx.changes.clear();
  return Page::Review;
}

Page Wizard::ApplyReview() {
  if (review.empty || CurrentPage != Page::Review) return Page::None;
  ChangeSelection selection = review.list.Selection();
  ctx.selection = &selection;
  const ScopeExit applied{[this] { ctx.selection = nullptr; }};
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
  const Page page = review.cameFrom == Page::None ? Page::Front : review.cameFrom;
  showAdvancedVisible = page == Page::MapOnly || page == Page::MoveConfirm || page == Page::MoveGiven;
  return page;
}

Page Wizard::OpenReport(const std::string& name, Page cameFrom) {
  // An entry listed from an earlier records folder keeps its report there.
  const std::string folder = ports_.undo && !name.empty() ? ports_.undo->FolderOf(name) : "";
  const std::string path = (folder.empty() ? ctx.recordsFolder : folder) + name + ".log";
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
  report.Load(name, path, std::move(read), cameFrom);
  // From the undo page no mode's description fills the band above the
  // report: the run's own does, until Back.
  if (cameFrom == Page::Undo && report.mode) ShowDescriptionOf(*report.mode);
  return Page::Report;
}

void Wizard::OpenReportAsTextClick() {
  if (!ports_.shell || report.path.empty()) return;
  // A .log may have no program of its own; Notepad opens any text.
  if (ShellExecuteErrorText(ports_.shell->OpenWithShell(report.path)).empty()) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenInNotepad(report.path));
  if (!error.empty())
    ShowMessage(error + "\n\nThe report is the text file " + report.path + "; open it with any text editor.",
                kShellExecuteError, MessageKind::Error);
}

void Wizard::ShowChangesFirstClick(RunMode mode, bool checked) { showChangesFirst[ModeIndex(mode)] = checked; }
bool Wizard::ShowChangesFirst() const { return showChangesFirst[ModeIndex(ctx.request.Mode)]; }

void Wizard::DropOnMoveTo(const std::string& source, const std::string& destination) {
  if (const Check refused = move.Drop(source, destination, *ports_.fs)) {
    Refuse(*refused);
    return;
  }
  TurnPage(Sender::TreeDrop);
}

std::vector<TreeEntry> Wizard::TreeChildrenOf(TreeSide side, const NodeChain& node) {
  return TreeChildren(side, node, *ports_.drives, *ports_.fs);
}

bool Wizard::TreeFolderShowsAnything(TreeSide side, const NodeChain& folder) {
  return FolderShowsAnything(side, folder, *ports_.fs);
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
  move.FollowAdvanced(checked);
  mapOnly.FollowAdvanced(checked);
}

void Wizard::TargetChecksClick() { targetsPage.Follow(ctx.targets); }

void Wizard::BrowseDestinationClick() {
  const std::string start = ports_.fs->FolderExists(move.givenSourceFolder) ? move.givenSourceFolder : std::string();
  if (auto chosen = ports_.picker->PickFolder("Select Destination", start)) move.givenDestination = *chosen;
}

void Wizard::BrowseFindWhatClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) mapOnly.findWhat = *chosen;
}

void Wizard::BrowseReplaceWithClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) mapOnly.replaceWith = *chosen;
}

void Wizard::AnimateIntroPicture() { intro.Animate(CurrentPage); }

std::string Wizard::SelectedUndoName(const char* emptyListMessage) {
  if (undo.SelectedLine().empty()) {
    // The list is where the choice is made.
    if (!undo.Empty()) focusField = Field::UndoList;
    ShowMessage(undo.Empty() ? emptyListMessage : kPleaseSelectAnItem);
    return "";
  }
  return undo.SelectedName();
}

void Wizard::UndoChangesClick() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToUndo);
  if (name.empty()) return;
  // Only a Move and Map entry has an item to move back.
  const bool moved = undo.SelectedLine().find(" - Move and Map: ") != std::string::npos;
  if (!Confirm("Undo the changes of " + undo.SelectedLine() + "?\n\n" +
                   (moved ? "The moved item goes back and the changed places get their old texts again."
                          : "The changed places get their old texts again."),
               "Undo Changes"))
    return;
  // The move back pumps messages: until it is done the window takes no input
  // that could delete the entry under it, close the window or start a run.
  // Whatever happened, the list then says what the entry is now.
  struct Busy {
    Wizard& wizard;
    ~Busy() {
      wizard.ctx.running = false;
      // A list that cannot be read again keeps its lines; the undo's own
      // outcome (or failure) is what is reported.
      try {
        wizard.RefreshUndoList();
      } catch (const std::exception&) {
      }
    }
  } busy{*this};
  ctx.running = true;
  const std::string message = ports_.undoRun->UndoEntry(name);
  ShowMessage(message);
  // Nothing was undone: the item would have gone home while places changed
  // after the run still point at its new place. Forced, they get their state
  // before the run too; asked with No as the default.
  if (ports_.undoRun->LastUndoCounts().heldBack) {
    if (Confirm("Undo it all the same?\n\nThe places named get their state before the run, and their later changes "
                "are lost.",
                "Undo Changes"))
      ShowMessage(ports_.undoRun->UndoEntry(name, true));
    return;
  }
  // Places changed after the run were left; the user may still want the
  // run's state before it back there, knowing what that costs. Asked once.
  if (const int changed = ports_.undoRun->PlacesChangedSinceRun(); changed > 0) {
    const std::string places = changed == 1 ? "1 place was" : std::to_string(changed) + " places were";
    if (Confirm(places + " changed after the run and left as they are.\n\nRestore them anyway?  Their later changes "
                         "would be lost.",
                "Undo Changes"))
      ShowMessage(ports_.undoRun->UndoEntry(name, true));
  }
}

void Wizard::DeleteUndoClick() {
  if (ctx.running) return;
  const std::string name = SelectedUndoName(kNoItemsToDelete);
  if (name.empty()) return;
  if (!Confirm("Delete the undo entry " + undo.SelectedLine() +
                   "?\n\nIts changes can then no longer be undone.",
               "Delete Undo Entry"))
    return;
  try {
    ports_.undo->DeleteEntry(name);
  } catch (const Error& e) {
    ShowMessage(e.what(), kAppTitle, MessageKind::Error);
  }
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
  undo.ageIndex = index;
  ports_.undo->SetAgeIndex(index);
  RefreshUndoList();
}

// The move pages' and the Map Only page's boxes show the run's one flag; a
// "Do Not Stop and Verify" during a run clears them too.
void Wizard::VerifyClick(bool checked) { ctx.stopAndVerify = checked; }


void Wizard::ShowPassedOverClick() {
  // A message box grows with its text: a long list is cut, and says so.
  const std::string text = PassedOverList(ctx, 30);
  if (!text.empty())
    ShowMessage(text + "\nThese places were left as they were.  Close the program that holds a file, then run again; "
                       "\"Show changes before they are made\" lists them first.",
                "Places that could not be changed", MessageKind::Warning);
}
