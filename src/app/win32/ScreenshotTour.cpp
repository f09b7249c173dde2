#include "app/win32/ScreenshotTour.h"

#include "app/win32/MainWindow.h"
#include "core/Ui.h"

void ScreenshotRun::FindReplaceProcess(const std::string& oldText, const std::string&, const std::string& newText,
                                       const std::string&) {
  RunContext& c = *ctx;
  c.progress.Label3 = "Scanning System Registry";
  c.request.ScanLocation = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications";
  c.request.ProgressCeiling = 48;
  if (target_ == "pnlCancelFinish") {
    c.request.Cancelled = true;
  } else if (target_ == "TForm2") {
    bool box = false;
    c.ui->Ask({"HKEY_CURRENT_USER\\Software\\Sample\\Recent", "LastFolder", oldText + "\\Report.txt",
               newText + "\\Report.txt"},
              box);
  } else if (target_ == "TForm3") {
    c.request.LinkCount = 7;
    while (!c.PumpCancelled()) Sleep(10);  // until Cancel, or the script ends the program
  } else {
    c.request.LinkCount = 3;
  }
}

void ScreenshotTour(MainWindow& window, TForm1& form, const std::string& target) {
  const Page page = PageNamed(target);
  auto toFront = [&] {
    for (Sender s : {Sender::btnFront, Sender::btnBeginNext, Sender::btnBegin2Next, Sender::btnBegin3Next}) window.Press(s);
  };
  auto mapOnly = [&](bool advanced) {
    toFront();
    window.Press(Sender::btnFindReplace);
    form.Edit5 = "C:\\Old Folder";
    form.Edit6 = "D:\\New Folder";
    form.suiCheckBox1Click(advanced);
    window.Show();
  };
  switch (page) {
    case Page::pnlBegin: window.Press(Sender::btnFront); break;
    case Page::pnlBegin2: window.Press(Sender::btnFront), window.Press(Sender::btnBeginNext); break;
    case Page::pnlBegin3:
      for (Sender s : {Sender::btnFront, Sender::btnBeginNext, Sender::btnBegin2Next}) window.Press(s);
      break;
    case Page::pnlFront: toFront(); break;
    case Page::pnlMoveStart: {
      toFront();
      window.Press(Sender::btnMoveDrive);
      // Drive C: opened in both trees, a folder chosen on the left.
      for (TreeSide side : {TreeSide::MoveFrom, TreeSide::MoveTo}) {
        FolderTree& tree = window.Tree(side);
        HTREEITEM c = tree.Child(tree.Child(nullptr, kMyComputer), "C:");
        if (c) tree.Expand(c);
        if (HTREEITEM users = c ? tree.Child(c, "users") : nullptr; users && side == TreeSide::MoveFrom)
          SendMessageA(tree.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(users));
      }
      break;
    }
    case Page::pnlMoveStart2:
      toFront();
      window.Press(Sender::btnMoveDrive);
      form.ToDragDrop("C:\\Program Files\\App", "D:\\Apps");
      window.Show();
      break;
    case Page::pnlMoveParam:
      form.OpenMoveParam("C:\\Data\\Projects");
      form.Edit1 = "D:\\Archive";
      window.Show();
      break;
    case Page::pnlSwitchStart:
      toFront();
      window.Press(Sender::btnSwitchDrive);
      break;
    case Page::pnlFindStart: mapOnly(false); break;
    case Page::pnlTargets:
    case Page::pnlDrives:
      mapOnly(true);
      window.Press(Sender::btnFindStartNext);
      if (page == Page::pnlDrives) window.Press(Sender::btnTargetNext);
      break;
    case Page::pnlUndo:
      toFront();
      window.Press(Sender::btnUndo);
      break;
    default:  // the end pages and the two dialogs: a sample Map Only run
      mapOnly(false);
      form.ctx.targets = {true, false, false, false};
      window.Press(Sender::btnFindStartNext);
      break;
  }
}
