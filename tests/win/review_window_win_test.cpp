// The review page and the change report in the real window over a real run
// (Wine's registry, files and shortcuts): every change listed before any is
// made, an unticked one left as it was, the report shown from the finish
// page and the undo page. Driven by the keyboard where a user would use it.
#include <gtest/gtest.h>

#include <algorithm>

#include "RawLink.h"
#include "RegistryDump.h"
#include "OpenOnOneDrive.h"
#include "At144Dpi.h"
#include "Win32PagePlatform.h"
#include "core/Unicode.h"
#include "core/win32/WidePath.h"
#include "support/TestTree.h"
#include "undo/UndoStore.h"
#include "window/win32/MainWindow.h"
#include "wiring/win32/RunAssembly.h"
//
#include <commctrl.h>

namespace {
const std::string kData = "D:\\OstrReviewData";
const std::string kOld = "D:\\OstrReviewOld";
const std::string kNew = "D:\\OstrReviewNew";
const std::string kKey = "Software\\OstrivaneReviewTest";

std::string Cell(HWND list, int row, int column) {
  wchar_t buf[1024] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buf;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item));
  return Utf8FromUtf16(std::u16string(buf, buf + wcslen(buf)));
}

int Rows(HWND list) { return int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// Every row's cells, for a failure's message.
std::string AllRows(HWND list) {
  std::string out;
  for (int row = 0; row < Rows(list); ++row) out += "\n" + Cell(list, row, 0) + " | " + Cell(list, row, 1) + " | " + Cell(list, row, 2);
  return out;
}

// The row whose Where cell starts with `where`; -1 when none.
int RowOf(HWND list, const std::string& where) {
  for (int row = 0; row < Rows(list); ++row)
    if (Cell(list, row, 0).rfind(where, 0) == 0) return row;
  return -1;
}

std::string LinkTarget(const std::string& path) {
  RawLink raw;
  if (FAILED(raw.file->Load(RawLink::Wide(path).c_str(), STGM_READ))) return "<unreadable>";
  wchar_t target[MAX_PATH] = {};
  raw.link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  return Utf8FromUtf16(std::u16string(target, target + wcslen(target)));
}

class ReviewWindowTest : public ::testing::Test, protected WizardFakes<Win32PagePlatform> {
 protected:
  ReviewWindowTest()
      : folder("C:\\ostrivane-test-review-" + std::to_string(GetCurrentProcessId()) + "\\"),
        wizard(Ports(&ui), folder),
        assembly(folder, ShellDialogs::Silent) {
    Clean();
    fs.MakeFolders(folder);
    wizard.Wire(assembly.Parts(), &assembly.Undo(), &assembly.Undoer());
    ui.Bind(wizard.lastRun);
    ui.BindWork(wizard.run.work);
  }
  ~ReviewWindowTest() override { Clean(); }
  void Clean() {
    RemoveTree(fs, folder);
    RemoveTree(fs, kData);
    RemoveTree(fs, kOld);
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(kKey).c_str());
  }
  void Open() { OpenOnOneDrive(window, wizard); }
  void Key(UINT message, WPARAM key) {
    HWND focus = GetFocus();
    MSG m{focus ? focus : window.hwnd(), message, key, message == WM_SYSCHAR ? LPARAM(0x20000000) : 0, 0, {}};
    if (window.PreTranslate(m)) return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  void Alt(char letter) { Key(WM_SYSCHAR, WPARAM(letter)); }
  void BackTab() {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    Key(WM_KEYDOWN, VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
  void Click(Sender s) { Click(window.SenderButton(s)); }
  void Click(HWND button) {
    ASSERT_TRUE(IsWindowVisible(button)) << WindowText(button);
    SendMessageW(button, BM_CLICK, 0, 0);
  }
  void Type(int id, const std::string& text) {
    SendMessageW(window.Control(id), WM_SETTEXT, 0, LPARAM(WideText(text).c_str()));
  }
  void MapOnly() {
    Click(Sender::MapOnly);
    ASSERT_EQ(SendMessageW(window.Control(kShowChangesMapOnly), BM_GETCHECK, 0, 0), BST_CHECKED);  // on by default
    Type(kFindWhat, kOld);
    Type(kReplaceWith, kNew);
    Click(Sender::MapOnlyNext);
  }

  const std::string folder;
  Wizard wizard;
  RunAssembly assembly;
  MainWindow window{wizard, ui};
};

// Every column of a list lies inside the list's visible width (a cut cell
// shows whole in the row's tip).
bool ColumnsInside(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int n = int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, WPARAM(i), LPARAM(&r));
    if (r.right > client.right) return false;
  }
  return n > 0;
}
int ClientWidth(HWND window) {
  RECT rc{};
  GetClientRect(window, &rc);
  return rc.right;
}

TEST_F(ReviewWindowTest, MapOnlyListsEveryChangeFirstAndLeavesTheUntickedOneWithTheReportToShow) {
  const std::string ini = kData + "\\app.ini", link = kData + "\\App.lnk";
  SetRegistryText(HKEY_CURRENT_USER, kKey, "Path", REG_SZ, kOld + "\\app.exe");
  const std::string iniText = "[App]\r\nHome=" + kOld + "\\data\r\n";
  WriteTestFile(fs, ini, iniText);
  WriteTestFile(fs, kOld + "\\app.exe", "");
  {
    RawLink raw;
    raw.link->SetPath(RawLink::Wide(kOld + "\\app.exe").c_str());
    raw.link->SetWorkingDirectory(RawLink::Wide(kOld).c_str());
    ASSERT_TRUE(SUCCEEDED(raw.file->Save(RawLink::Wide(link).c_str(), TRUE)));
  }
  ASSERT_EQ(LinkTarget(link), kOld + "\\app.exe");

  Open();
  MapOnly();
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  // Nothing is changed yet, and every change is listed.
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Path"), kOld + "\\app.exe");
  EXPECT_EQ(fs.ReadWhole(ini), iniText);
  EXPECT_EQ(LinkTarget(link), kOld + "\\app.exe");
  // Back (Alt+B) returns with nothing changed; the start button searches again.
  Alt('b');
  ASSERT_EQ(wizard.CurrentPage, Page::MapOnly);
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Path"), kOld + "\\app.exe");
  Click(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  HWND list = window.Control(kReviewList);
  ASSERT_TRUE(IsWindowVisible(list));
  // The window grows for the list; Where, Old and New all lie in view.
  const int dpi = DpiOf(window.hwnd());
  EXPECT_GT(ClientWidth(window.hwnd()), Scale(488, dpi));
  EXPECT_TRUE(ColumnsInside(list));
  // The band's "Advanced" keeps to the right edge, as in the narrow window.
  RECT advanced{};
  GetWindowRect(window.Control(kMapOnlyDescription + 2), &advanced);
  MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&advanced), 2);
  EXPECT_EQ(ClientWidth(window.hwnd()) - advanced.right, Scale(488 - 472, dpi));
  // The shortcut's target and its working folder: two parts, one link.
  ASSERT_EQ(Rows(list), 4) << AllRows(list);
  const int regRow = RowOf(list, "HKEY_CURRENT_USER\\" + kKey), iniRow = RowOf(list, ini), linkRow = RowOf(list, link);
  ASSERT_TRUE(regRow >= 0 && iniRow >= 0 && linkRow >= 0);
  EXPECT_NE(Cell(list, iniRow, 1).find(kOld + "\\data"), std::string::npos);
  EXPECT_NE(Cell(list, iniRow, 2).find(kNew + "\\data"), std::string::npos);
  EXPECT_EQ(WindowText(window.Control(kReviewLine)).rfind("4 of 4 changes ticked (1 value data, 1 settings line, 1 shortcut target", 0), 0u);

  // The keyboard: back from "Back" to the list, space unticks the settings line.
  SetFocus(window.SenderButton(Sender::ReviewBack));
  BackTab();
  ASSERT_EQ(GetFocus(), list);
  LVITEMW select{};
  select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, WPARAM(iniRow), LPARAM(&select));
  Key(WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(WindowText(window.Control(kReviewLine)).rfind("3 of 4 changes ticked", 0), 0u);
  Alt('a');
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(ClientWidth(window.hwnd()), Scale(488, dpi));  // back to its size

  // Exactly the unticked one is as it was, and reported as left out.
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Path"), kNew + "\\app.exe");
  EXPECT_EQ(LinkTarget(link), kNew + "\\app.exe");
  EXPECT_EQ(fs.ReadWhole(ini), iniText);
  const std::string log = folder + wizard.lastRun.tally.undoName + ".log";
  ASSERT_TRUE(fs.FileExists(log));
  EXPECT_NE(fs.ReadWhole(log).find("\tleft out"), std::string::npos);

  // "Show what changed": the run's report, read-only, with each entry's outcome.
  Click(Sender::ShowChanges);
  ASSERT_EQ(wizard.CurrentPage, Page::Report);
  HWND report = window.Control(kReportList);
  ASSERT_EQ(Rows(report), 4) << AllRows(report);
  EXPECT_EQ(Cell(report, RowOf(report, ini), 3), "left out");
  EXPECT_EQ(Cell(report, RowOf(report, link), 3), "changed");
  EXPECT_EQ(Cell(report, RowOf(report, "HKEY_CURRENT_USER\\" + kKey), 3), "changed");
  EXPECT_EQ(SendMessageW(report, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES, 0);
  EXPECT_TRUE(ColumnsInside(report));
  int order[4] = {};
  SendMessageW(report, LVM_GETCOLUMNORDERARRAY, 4, LPARAM(order));
  EXPECT_EQ(order[0], 3);  // Outcome first
  Click(window.Control(kOpenReportAsText));
  EXPECT_EQ(help.calls, std::vector<std::string>{"open " + log});
  Alt('b');
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);

  // The undo page's Details: the same list.
  Click(Sender::TitleUndo);
  HWND undoList = window.Control(kUndoList);
  ASSERT_GE(SendMessageW(undoList, LB_GETCOUNT, 0, 0), 1);
  SendMessageW(undoList, LB_SETCURSEL, 0, 0);
  SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(kUndoList, LBN_SELCHANGE), LPARAM(undoList));
  Alt('t');
  ASSERT_EQ(wizard.CurrentPage, Page::Report);
  ASSERT_EQ(Rows(report), 4);
  EXPECT_EQ(Cell(report, RowOf(report, ini), 3), "left out");
}

// A path of exactly 80 characters below `base`.
std::string Path80(const std::string& base) {
  std::string path = base;
  while (path.size() + 16 < 80) path += "\\Settings Folder";
  path += "\\" + std::string(79 - path.size(), 'd');
  return path;
}

TEST_F(ReviewWindowTest, At144DpiWhereOldAndNewOfLongPathsLieInsideTheGrownListOnScreen) {
  if (!InRunAt144Dpi()) return RunAgainAt144Dpi();
  const std::string old80 = Path80(kOld), new80 = Path80(kNew), ini = Path80(kData) + "\\app.ini";
  ASSERT_EQ(old80.size(), 80u);
  ASSERT_EQ(new80.size(), 80u);
  SetRegistryText(HKEY_CURRENT_USER, kKey, "Path", REG_SZ, old80 + "\\app.exe");
  WriteTestFile(fs, ini, "[App]\r\nHome=" + old80 + "\r\n");
  WriteTestFile(fs, old80 + "\\app.exe", "");

  Open();
  ASSERT_EQ(DpiOf(window.hwnd()), 144);
  Click(Sender::MapOnly);
  Type(kFindWhat, old80);
  Type(kReplaceWith, new80);
  Click(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Review);
  HWND list = window.Control(kReviewList);
  ASSERT_EQ(Rows(list), 2) << AllRows(list);
  EXPECT_NE(Cell(list, RowOf(list, ini), 2).find(new80), std::string::npos);
  // The grown window and its list lie on the screen, and every column inside the list.
  RECT shown{}, work{};
  GetWindowRect(window.hwnd(), &shown);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_GT(ClientWidth(window.hwnd()), Scale(488, 144));
  EXPECT_TRUE(shown.left >= work.left && shown.top >= work.top && shown.right <= work.right &&
              shown.bottom <= work.bottom);
  EXPECT_TRUE(ColumnsInside(list));
  Alt('a');
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  Click(Sender::ShowChanges);
  ASSERT_EQ(wizard.CurrentPage, Page::Report);
  EXPECT_TRUE(ColumnsInside(window.Control(kReportList)));
}
}  // namespace
