#include "tour/ScreenshotTour.h"

#include <algorithm>

#include "window/PageFlow.h"
#include "window/win32/MainWindow.h"
#include "window/win32/Win32WindowUi.h"
#include "core/Ui.h"

namespace {
// A source of 250 characters (folder and item), the longest a careful user
// is likely to meet: the pages must show it whole.
std::string LongFolder() {
  std::string folder = "C:\\Users\\Public\\Documents";
  while (folder.size() < 224) folder += "\\Abteilung_Rechnungswesen_2026";
  folder.resize(224);
  return folder + "\\";
}
const std::string kLongItem = "Quarterly_Report_Final_2026";  // with the folder: 251 characters
}  // namespace

void ScreenshotRun::FindReplaceProcess(RunPass& c, const SearchTexts& texts) {
  const std::string &oldText = texts.oldText, &newText = texts.newText;
  c.ShowPhase("Scanning System Registry");
  c.ShowPlace("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications");
  c.BeginStep(48);
  if (target_ == "Cancelled") {
    c.findings.tally.cancelled = true;
  } else if (target_ == "ConfirmChangeDialog") {
    bool box = false;
    c.ui->Ask({"HKEY_CURRENT_USER\\Software\\Sample\\Recent", "LastFolder", oldText + "\\Report.txt",
               newText + "\\Report.txt"},
              box);
  } else if (target_ == "ProgressDialog") {
    c.findings.tally.linkCount = 7;
    while (!c.PumpCancelled()) Sleep(10);  // until Cancel, or the script ends the program
  } else {
    RecordSamples(c, texts, {});
  }
}

void ScreenshotRun::RecordSamples(RunPass& c, const SearchTexts& texts, const std::vector<std::string>& places) {
  const std::string &oldText = texts.oldText, &newText = texts.newText;
  // Three sample places, as the review lists them and the report tells what became of them.
  const ChangeEntry samples[] = {
      {"HKEY_CURRENT_USER\\Software\\Sample\\Recent", "LastFolder", 0, ChangeKind::ValueData, oldText + "\\Report.txt",
       newText + "\\Report.txt", ChangeOutcome::Changed, ""},
      {"C:\\Users\\Public\\Sample\\tool.ini", "", 4, ChangeKind::SettingsLine, "Data=" + oldText, "Data=" + newText,
       ChangeOutcome::Changed, ""},
      {"C:\\Users\\Public\\Desktop\\Report.lnk", "", 0, ChangeKind::ShortcutTarget, oldText + "\\Report.xlsx",
       newText + "\\Report.xlsx", ChangeOutcome::Changed, ""}};
  for (ChangeEntry e : samples) {
    if (!places.empty() && std::find(places.begin(), places.end(), e.where) == places.end()) continue;
    if (c.pass.FindsOnly()) e.outcome = ChangeOutcome::WouldChange;
    if (c.Chosen(e)) c.Record(std::move(e));
  }
}

void ScreenshotTour(MainWindow& window, Wizard& wizard, const std::string& target) {
  // The undo's progress stands over the undo page.
  const Page page = target == "UndoProgressDialog" ? Page::Undo : PageNamed(target);
  auto toFront = [&] { window.Press(Sender::TitleFront); };
  auto mapOnly = [&](bool advanced) {
    toFront();
    window.Press(Sender::MapOnly);
    wizard.mapOnly.findWhat = LongFolder() + kLongItem;
    wizard.mapOnly.replaceWith = "D:\\New Folder";
    wizard.ShowAdvancedClick(advanced);
    window.Show();
  };
  switch (page) {
    case Page::Intro1:
      for (Sender s : {Sender::TitleFront, Sender::FrontBack, Sender::Intro3Back, Sender::Intro2Back}) window.Press(s);
      break;
    case Page::Intro2:
      for (Sender s : {Sender::TitleFront, Sender::FrontBack, Sender::Intro3Back}) window.Press(s);
      break;
    case Page::Intro3:
      for (Sender s : {Sender::TitleFront, Sender::FrontBack}) window.Press(s);
      break;
    case Page::Front: toFront(); break;
    case Page::MoveTrees: {
      toFront();
      window.Press(Sender::MoveAndMap);
      // Drive C: opened in both trees, a folder chosen on the left.
      for (TreeSide side : {TreeSide::MoveFrom, TreeSide::MoveTo}) {
        FolderTree& tree = window.Tree(side);
        HTREEITEM c = tree.Child(tree.Child(nullptr, kMyComputer), "C:");
        if (c) tree.Expand(c);
        if (HTREEITEM users = c ? tree.Child(c, "users") : nullptr; users && side == TreeSide::MoveFrom)
          SendMessageW(tree.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(users));
      }
      break;
    }
    case Page::MoveConfirm:
      toFront();
      window.Press(Sender::MoveAndMap);
      wizard.moving.DropOnMoveTo(LongFolder() + kLongItem, "D:\\Archive\\2026");
      window.Show();
      break;
    case Page::MoveGiven:
      wizard.OpenMoveGiven(LongFolder() + kLongItem);
      wizard.move.givenDestination = "D:\\Archive";
      window.Show();
      break;
    case Page::SwitchDrives:
      toFront();
      window.Press(Sender::SwitchDrives);
      break;
    case Page::MapOnly: mapOnly(false); break;
    case Page::Targets:
    case Page::Drives:
      mapOnly(true);
      window.Press(Sender::MapOnlyNext);
      if (page == Page::Drives) window.Press(Sender::TargetsNext);
      break;
    case Page::Undo:
      toFront();
      window.Press(Sender::TitleUndo);
      if (target == "UndoProgressDialog") {
        // An undo a quarter through its registry backup, until the script ends the program.
        const std::unique_ptr<UndoProgress> progress = window.Dialogs().ShowUndoProgress();
        progress->Begin(UndoStep::RestoreRegistry);
        for (std::size_t line = 0;; line = (line + 12) % 12000) {
          progress->Done(3000 + line / 100, 12000, "HKEY_CURRENT_USER\\Software\\Sample\\Recent");
          Sleep(10);
        }
      }
      break;
    case Page::Review:
      mapOnly(false);
      wizard.choices.targets = {true, false, false, false, false};
      wizard.run.ShowChangesFirstClick(RunMode::MapOnly, true);
      window.Press(Sender::MapOnlyNext);
      break;
    default:  // the end pages, the report and the two dialogs: a sample Map Only run
      mapOnly(false);
      wizard.run.ShowChangesFirstClick(RunMode::MapOnly, false);
      wizard.choices.targets = {true, false, false, false, false};
      window.Press(Sender::MapOnlyNext);
      // The finish page as it offers an item another start handed over.
      if (page == Page::Finished) wizard.OfferHandOver(LongFolder() + kLongItem);
      if (page == Page::Report) window.Press(Sender::ShowChanges);
      window.Show();
      break;
  }
}
