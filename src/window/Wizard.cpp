#include "window/Wizard.h"

#include "window/HelpLinks.h"
#include "window/PageFlow.h"
#include "engine/ChangeReport.h"
#include "engine/Progress.h"
#include "window/Settings.h"
#include "core/Drives.h"
#include "core/PathText.h"
#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/ScopeExit.h"
#include "core/Text.h"
#include "core/Ui.h"

namespace {
constexpr const char* kNoEntriesToShow = "There are no entries to show.";

using P = Page;
using S = Sender;
constexpr auto kMove = RunMode::MoveAndMap;
// In the order of Sender.
const TurnRow kTurns[int(kLastSender) + 1] = {
    {S::Intro1Next, P::Intro2},
    {S::Intro2Next, P::Intro3},
    {S::Intro2Back, P::Intro1},
    {S::Intro3Next, P::Front},
    {S::Intro3Back, P::Intro2},
    {S::TitleUndo, P::Undo, nullptr, {}, Band::Hide},
    {S::MoveAndMap, P::MoveTrees, nullptr, kMove, Band::Mode},
    {S::SwitchDrives, P::SwitchDrives, nullptr, RunMode::SwitchDrives, Band::Mode},
    {S::MapOnly, P::MapOnly, nullptr, RunMode::MapOnly, Band::Mode},
    {S::TreeDrop, P::MoveConfirm},
    {S::PathGiven, P::MoveGiven, nullptr, kMove, Band::Mode},
    {S::MoveConfirmNext, P::None, &Wizard::MoveStart},
    {S::MoveGivenNext, P::None, &Wizard::MoveStart},
    {S::MoveConfirmBack, P::Front, nullptr, {}, Band::Hide},
    {S::MoveGivenBack, P::Front, nullptr, {}, Band::Hide},
    {S::UndoBack, P::Front, nullptr, {}, Band::Hide},
    {S::MapOnlyBack, P::Front, nullptr, {}, Band::Hide},
    {S::MapOnlyNext, P::None, &Wizard::FindStart},
    {S::SwitchNext, P::None, &Wizard::SwitchStart},
    {S::SwitchBack, P::Front, nullptr, {}, Band::Hide},
    {S::TargetsBack, P::None, &Wizard::TargetsBack},
    {S::TargetsNext, P::None, &Wizard::TargetsNext},
    {S::DrivesStart, P::None, &Wizard::StartRun},
    {S::DrivesBack, P::Targets},
    {S::Exit, P::None, &Wizard::Exit},
    {S::ExitCancelled, P::None, &Wizard::Exit},
    {S::GoToStart, P::Front, nullptr, {}, Band::Hide},
    {S::GoToStartCancelled, P::Front, nullptr, {}, Band::Hide},
    {S::TitleFront, P::Front, nullptr, {}, Band::Hide},
    {S::MoveTreesBack, P::Front, nullptr, {}, Band::Hide},
    {S::HandOverGo, P::None, &Wizard::HandOverGo, kMove, Band::Mode},
    {S::ReviewApply, P::None, &Wizard::ApplyReview},
    {S::ReviewBack, P::None, &Wizard::ReviewBack},
    {S::ShowChanges, P::None, &Wizard::ShowChanges},
    {S::UndoDetails, P::None, &Wizard::UndoDetails},
    {S::ReportBack, P::None, &Wizard::ReportBack},
    {S::FrontBack, P::Intro3, nullptr, {}, Band::Hide},
};
}  // namespace

const TurnRow& TurnOf(Sender sender) { return kTurns[int(sender)]; }

Wizard::Wizard(WizardPorts ports, std::string programFolder, std::string recordsFolder)
    : ports_(std::move(ports)), help(ports_, programFolder, talk_) {
  choices.recordsFolder = recordsFolder.empty() ? std::move(programFolder) : std::move(recordsFolder);
}

// The band shows the description of the mode at hand, and no other.
void Wizard::ShowDescriptionOf(RunMode mode) {
  HideDescriptions();
  moveDescriptionVisible = mode == RunMode::MoveAndMap;
  switchDescriptionVisible = mode == RunMode::SwitchDrives;
  mapOnlyDescriptionVisible = mode == RunMode::MapOnly;
}

void Wizard::Start(const std::string& firstArgument) {
  // The box is read back, so "Skip Introduction" lasts from one start to the next.
  const Settings settings = ReadSettings(*ports_.fs, choices.recordsFolder);
  intro.skipIntroduction = settings.SkipStartPage;
  choices.targets.configFiles = settings.ConfigurationFiles;
  choices.walkThreads = settings.WalkThreads;
  for (int i = 0; i < 3; ++i) run.itemsOfLastRun[i] = settings.ItemsOfLastRun[i];
  for (int i = 0; i < 3; ++i) showChangesFirst[i] = settings.ShowChangesFirst[i];
  windowSize = settings.Window;

  CurrentPage = intro.StartPage();
  intro.animationOn = CurrentPage == Page::Intro1;
  versionLineVisible = CurrentPage == Page::Front;
  HideDescriptions();
  FillDriveList();
  // Else the introduction, unless it is skipped.
  if (!firstArgument.empty()) OpenMoveGiven(firstArgument);

  undoing.Begin(settings.DeleteOlderThan);
}

bool Wizard::MayClose() {
  if (running) return false;
  try {
    Settings s;
    s.DeleteOlderThan = undo.ageIndex;
    s.SkipStartPage = intro.skipIntroduction;
    s.ConfigurationFiles = choices.targets.configFiles;
    for (int i = 0; i < 3; ++i) s.ItemsOfLastRun[i] = run.itemsOfLastRun[i];
    for (int i = 0; i < 3; ++i) s.ShowChangesFirst[i] = showChangesFirst[i];
    s.Window = windowSize;
    WriteSettings(*ports_.fs, choices.recordsFolder, s);
  } catch (const Error& e) {
    talk_.ShowMessage(e.what(), kAppTitle, MessageKind::Error);
    return false;
  }
  return true;
}

void Wizard::FillDriveList() {
  choices.drives.clear();
  for (const DriveInfo& d : ports_.drives->ListDrives()) choices.drives.push_back({d.displayName, d.root, d.fixed});
}

void Wizard::HideDescriptions() { moveDescriptionVisible = switchDescriptionVisible = mapOnlyDescriptionVisible = false; }

void Wizard::OpenMoveGiven(const std::string& path) {
  move.Give(path);
  choices.request.Mode = RunMode::MoveAndMap;
  TurnPage(Sender::PathGiven);
}

void Wizard::OfferHandOver(const std::string& path) {
  // The run's result is shown first; the item waits beside it.
  if (RowOf(CurrentPage).endPage)
    end.handOverWaiting = path;
  else
    OpenMoveGiven(path);
}

void Wizard::CloseAskedDuringRun() {
  if (Terminated) return;  // asked and agreed already
  if (talk_.Confirm("Another start of Ostrivane asked this window to close.\n\nClose Ostrivane now?", kAppTitle))
    Terminated = true;
}

void Wizard::TurnPage(Sender sender) {
  // The window takes no input while a run is on: a second run must not start
  // inside the first one's message pumping.
  if (running) return;
  const bool advancedWasVisible = showAdvancedVisible;
  const Page before = CurrentPage;
  showAdvancedVisible = false;
  lastRun.tally.cancelled = false;
  Page next = Page::None;
  // Whatever happens below (a message, a failing run), the visible page is
  // settled before leaving.
  const ScopeExit settle{[&] { Settle(before, next, advancedWasVisible); }};
  const TurnRow& turn = TurnOf(sender);
  next = turn.step ? (this->*turn.step)(sender) : turn.next;
  if (next != Page::None) Arrive(turn, next);
}

void Wizard::Arrive(const TurnRow& turn, Page next) {
  if (turn.mode) choices.request.Mode = *turn.mode;
  if (turn.band == Band::Hide) HideDescriptions();
  if (turn.band == Band::Mode && turn.mode) ShowDescriptionOf(*turn.mode);
  showAdvancedVisible = RowOf(next).advancedBox;
  // The report is written for a run that met anything at all.
  if (RowOf(next).endPage) end.Fill(choices.request.Mode, lastRun, !lastRun.tally.undoName.empty());
}

void Wizard::Settle(Page before, Page next, bool advancedWasVisible) {
  // A page that stays (a check refused, a run failed) keeps its "Show
  // Advanced Map Options" box, so the user can still reach it.
  if (next == Page::None && CurrentPage == before) showAdvancedVisible = advancedWasVisible;
  versionLineVisible = next == Page::Front;
  if (next != Page::None && next != CurrentPage) CurrentPage = next;
  // The offer of a handed-over item lasts while its end page is shown,
  // also while the run's report is looked at from there.
  if (!RowOf(CurrentPage).endPage && CurrentPage != Page::Report) end.handOverWaiting.clear();
  intro.animationOn = RowOf(CurrentPage).animated;
  // A long list is not kept once its page is left.
  if (CurrentPage != Page::Review && review.list.size() > 0) review.list.Load({});
  if (CurrentPage != Page::Report && report.list.size() > 0) report.list.Load({});
}

Page Wizard::MoveStart(Sender sender) {
  if (const Check refused = move.Start(sender == Sender::MoveGivenNext, *ports_.fs)) {
    talk_.Refuse(*refused, focusField);
    return Page::None;
  }
  choices.request.FindText = move.FindText();
  choices.request.ReplaceText = move.ReplaceText();
  // The trees' selection is the view's; it clears it when the page turns.
  return showAdvanced ? Page::Targets : run.RunOrReview();
}

Page Wizard::FindStart(Sender) {
  if (const Check refused = mapOnly.Start(choices.request)) {
    talk_.Refuse(*refused, focusField);
    return Page::None;
  }
  return showAdvanced ? Page::Targets : run.RunOrReview();
}

Page Wizard::SwitchStart(Sender) {
  if (const Check refused = switchDrives.Start()) {
    talk_.Refuse(*refused, focusField);
    return Page::None;
  }
  std::vector<std::string> roots;
  for (const DriveRow& d : choices.drives) roots.push_back(d.root);
  if (const std::string question = switchDrives.MissingDriveQuestion(roots);
      !question.empty() && !talk_.Confirm(question, "Switch Drives")) {
    focusField = Field::SecondDrive;
    return Page::None;
  }
  choices.request.FindText = switchDrives.FindText();
  choices.request.ReplaceText = switchDrives.ReplaceText();
  return Page::Targets;
}

Page Wizard::TargetsBack(Sender) {
  if (choices.request.Mode == RunMode::SwitchDrives) return Page::SwitchDrives;
  return choices.request.Mode == RunMode::MoveAndMap ? Page::MoveConfirm : Page::MapOnly;
}

Page Wizard::TargetsNext(Sender) { return choices.targets.HasFileTargets() ? Page::Drives : run.RunOrReview(); }
Page Wizard::StartRun(Sender) { return run.RunOrReview(); }
Page Wizard::ApplyReview(Sender) { return run.ApplyReview(); }
Page Wizard::ReviewBack(Sender) { return ReviewBackPage(*this); }
Page Wizard::ShowChanges(Sender) { return OpenReport(lastRun.tally.undoName, CurrentPage); }

Page Wizard::UndoDetails(Sender) {
  const std::optional<UndoName> name = undoing.SelectedUndoName(kNoEntriesToShow);
  if (!name) return Page::None;
  const UndoListEntry entry = *undo.Selected();
  const Page next = OpenReport(name->Text(), Page::Undo);
  // The run's report does not know of its undo: the entry does.
  if (next == Page::Report) report.line += UndoneLine(entry);
  return next;
}

std::string UndoneLine(const UndoListEntry& entry) {
  const std::string when = entry.undoneAt ? " " + *entry.undoneAt : "";
  switch (entry.state) {
    case UndoState::NotUndone: return "";
    case UndoState::Undone: return "\r\nUndone" + when + ": every change below was given back.";
    case UndoState::PartlyUndone:
      return "\r\nPartly undone" + when + ": some places were left as they were; Undo Changes tries them again.";
  }
  return "";
}

Page Wizard::ReportBack(Sender) {
  const Page next = report.cameFrom == Page::None ? Page::Front : report.cameFrom;
  if (next == Page::Undo) HideDescriptions();
  return next;
}

Page Wizard::HandOverGo(Sender) {
  if (end.handOverWaiting.empty()) return Page::None;
  move.Give(end.handOverWaiting);
  return Page::MoveGiven;
}

Page Wizard::Exit(Sender) {
  Terminated = true;
  return Page::None;
}

Page Wizard::OpenReport(const std::string& name, Page cameFrom) {
  // An entry listed from an earlier records folder keeps its report there.
  const std::optional<UndoName> entry = UndoName::Parse(name);
  const std::string folder = ports_.undo && entry ? ports_.undo->FolderOf(*entry) : "";
  const std::string path = (folder.empty() ? choices.recordsFolder : folder) + name + ".log";
  if (name.empty() || !ports_.fs->FileExists(path)) {
    talk_.ShowMessage(name.empty() ? std::string("This run has no change report.")
                                   : name + " has no change report: it was made by an earlier version of Ostrivane, "
                                            "or its report was deleted.");
    return Page::None;
  }
  ReadReport read;
  try {
    read = ReadChangeReport(ports_.fs->ReadWhole(path));
  } catch (const Error& e) {
    talk_.ShowMessage("The change report " + path + " could not be read: " + e.what(), kAppTitle, MessageKind::Error);
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
    talk_.ShowMessage(error + "\n\nThe report is the text file " + report.path + "; open it with any text editor.",
                      kShellExecuteError, MessageKind::Error);
}

void Wizard::ShowAdvancedClick(bool checked) {
  showAdvanced = checked;
  move.FollowAdvanced(checked);
  mapOnly.FollowAdvanced(checked);
}

void Wizard::TargetChecksClick() { targetsPage.Follow(choices.targets); }

void Wizard::BrowseFindWhatClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) mapOnly.findWhat = *chosen;
}

void Wizard::BrowseReplaceWithClick() {
  if (auto chosen = ports_.picker->PickFolder("Select Folder", "")) mapOnly.replaceWith = *chosen;
}

void Wizard::AnimateIntroPicture() { intro.Animate(CurrentPage); }

// The move pages' and the Map Only page's boxes show the run's one flag; a
// "Do Not Stop and Verify" during a run clears them too.
void Wizard::VerifyClick(bool checked) { choices.stopAndVerify = checked; }

void Wizard::ShowPassedOverClick() {
  // A message box grows with its text: a long list is cut, and says so.
  const std::string text = PassedOverList(lastRun, 30);
  if (!text.empty())
    talk_.ShowMessage(text + "\nThese places were left as they were.  Close the program that holds a file, then run "
                             "again; \"Show changes before they are made\" lists them first.",
                      "Places that could not be changed", MessageKind::Warning);
}
