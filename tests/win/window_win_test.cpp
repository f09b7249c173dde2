// The real main window and its dialogs under Wine: buttons are pressed
// through their window messages, pages and texts read back from the controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include "At144Dpi.h"
#include "Win32PagePlatform.h"

#include "window/PageFlow.h"
#include "window/win32/MainWindow.h"
#include "core/win32/WidePath.h"
#include "core/Unicode.h"
#include "support/FakeUi.h"
#include "support/TestTree.h"
//
#include <commctrl.h>

namespace {

// Answers the next message boxes of this thread, remembering caption and
// text: with the next of `keys` ('\r': what Enter presses, the default
// button; 'y': Yes), else with OK.
struct MessageBoxWatch {
  static inline std::vector<std::pair<std::string, std::string>> seen;
  static inline std::deque<char> keys;
  static BOOL CALLBACK Each(HWND h, LPARAM) {
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(h)) return TRUE;
    if (GetPropA(h, "answered")) return FALSE;  // its answer is on the way
    seen.emplace_back(WindowText(h), WindowText(GetDlgItem(h, 0xFFFF)));
    SetPropA(h, "answered", HANDLE(1));
    if (keys.empty()) {
      PostMessageA(h, WM_COMMAND, IDOK, 0);
      return FALSE;
    }
    const char key = keys.front();
    keys.pop_front();
    const WPARAM id = key == '\r' ? LOWORD(SendMessageA(h, DM_GETDEFID, 0, 0)) : IDYES;
    PostMessageA(h, WM_COMMAND, id, 0);
    return FALSE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), Each, 0); }
  MessageBoxWatch() {
    seen.clear();
    keys.clear();
    timer = SetTimer(nullptr, 0, 30, Tick);
  }
  ~MessageBoxWatch() { KillTimer(nullptr, timer); }
  UINT_PTR timer;
};

// Lets posted messages (the close button posts WM_CLOSE) arrive.
void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class WindowTest : public ::testing::Test, protected WizardFakes<Win32PagePlatform> {
 protected:
  WindowTest()
      : folder("C:\\ostrivane-test-window-" + std::to_string(GetCurrentProcessId()) + "\\"), wizard(Ports(&ui), folder) {
    RemoveTree(fs, folder);
    fs.MakeFolders(folder);
    ui.Bind(wizard.lastRun);
    ui.BindWork(wizard.run.work);
    window.Create("", SW_SHOW);
    // Runs start at once, as with "Show changes before they are made" unticked.
    for (bool& on : wizard.showChangesFirst) on = false;
    window.Show();
  }
  ~WindowTest() override { RemoveTree(fs, folder); }
  // A key as the message loop hands it over: the window's dialog keys first,
  // then the focused control.
  void Key(UINT message, WPARAM key) {
    HWND focus = GetFocus();
    MSG m{focus ? focus : window.hwnd(), message, key, message == WM_SYSCHAR ? LPARAM(0x20000000) : 0, 0, {}};
    if (window.PreTranslate(m)) return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  void Press(WPARAM vk) { Key(WM_KEYDOWN, vk); }
  void Alt(char letter) { Key(WM_SYSCHAR, WPARAM(letter)); }
  void Chars(const std::string& text) {
    for (char c : text) Key(WM_CHAR, WPARAM(static_cast<unsigned char>(c)));
  }
  HWND Focus() { return GetFocus(); }
  void BackTab() {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    Press(VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  }
  void Click(Sender s) { Click(window.SenderButton(s)); }
  void Click(int id) { Click(window.Control(id)); }
  void Click(HWND button) {
    ASSERT_TRUE(IsWindowVisible(button)) << WindowText(button);
    SendMessageA(button, BM_CLICK, 0, 0);
  }
  void Type(int id, const std::string& text) {
    SendMessageW(window.Control(id), WM_SETTEXT, 0, LPARAM(WideText(text).c_str()));
  }
  bool Shown(int id) { return IsWindowVisible(window.Control(id)); }
  std::string Text(int id) { return WindowText(window.Control(id)); }
  // Through the introduction; from the title strip's Front there already.
  void ToFront() {
    if (wizard.CurrentPage != Page::Front)
      for (Sender s : {Sender::Intro1Next, Sender::Intro2Next, Sender::Intro3Next}) Click(s);
    ASSERT_EQ(wizard.CurrentPage, Page::Front);
  }

  const std::string folder;
  Wizard wizard;
  MainWindow window{wizard, ui};
};

TEST_F(WindowTest, IntroductionPagesLeadToTheFrontPage) {
  RECT rc;
  GetClientRect(window.hwnd(), &rc);
  const int dpi = DpiOf(window.hwnd());
  EXPECT_EQ(rc.right, Scale(488, dpi));
  EXPECT_EQ(rc.bottom, Scale(435, dpi));  // with the strip under the button row
  EXPECT_EQ(GetWindowLongPtrA(window.hwnd(), GWL_STYLE) & WS_CAPTION, 0);  // borderless
  EXPECT_EQ(WindowText(window.hwnd()), "Ostrivane");

  EXPECT_TRUE(IsWindowVisible(window.SenderButton(Sender::Intro1Next)));
  EXPECT_FALSE(IsWindowVisible(window.SenderButton(Sender::Intro2Next)));
  EXPECT_FALSE(Shown(kVersionLine));
  Click(Sender::Intro1Next);
  EXPECT_FALSE(IsWindowVisible(window.SenderButton(Sender::Intro1Next)));
  Click(Sender::Intro2Back);
  EXPECT_EQ(wizard.CurrentPage, Page::Intro1);
  ToFront();
  EXPECT_TRUE(Shown(kVersionLine));
  EXPECT_EQ(Text(kVersionLine).rfind("Version ", 0), 0u);
  EXPECT_EQ(WindowText(window.SenderButton(Sender::MoveAndMap)), "&Move and Map");
  // The title strip's Front button leads to the choice of task from
  // anywhere, and Back from there to the introduction.
  Click(Sender::SwitchDrives);
  EXPECT_TRUE(Shown(kSwitchDescription));
  Click(Sender::TitleFront);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
  EXPECT_FALSE(Shown(kSwitchDescription));
  Click(Sender::FrontBack);
  EXPECT_EQ(wizard.CurrentPage, Page::Intro3);
}

// The introduction's links end with their words, so their underline, hand
// cursor and clicks do too: at 96 DPI here, then at 144 in a run of its own.
TEST_F(WindowTest, TheIntroductionLinksAreAsWideAsTheirWords) {
  ASSERT_EQ(DpiOf(window.hwnd()), InRunAt144Dpi() ? 144 : 96);
  Click(Sender::Intro1Next);
  Click(Sender::Intro2Next);
  ASSERT_EQ(wizard.CurrentPage, Page::Intro3);
  for (int id : {kMoreInformationLink, kAskQuestionsLink}) {
    HWND link = window.Control(id);
    std::wstring words = WideText(WindowText(link));
    words.erase(std::remove(words.begin(), words.end(), L'&'), words.end());
    HDC dc = GetDC(link);
    const HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(link, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, words.c_str(), int(words.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(link, dc);
    RECT rc{};
    GetClientRect(link, &rc);
    EXPECT_GT(size.cx, Scale(60, DpiOf(link))) << id;  // words, not an empty control
    EXPECT_EQ(rc.right, size.cx) << id;
    // The underline (the rows drawn without a gap from the left edge past the
    // middle) ends with the letters above it.
    RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    dc = GetDC(link);
    const COLORREF page = GetPixel(dc, rc.right - 1, 0);
    int letters = -1, underline = -1;
    for (int y = 0; y < rc.bottom; ++y) {
      int end = -1, run = 0;
      for (int x = 0; x < rc.right; ++x)
        if (GetPixel(dc, x, y) != page) {
          end = x;
          if (run == x) ++run;
        }
      if (run > rc.right / 2)
        underline = std::max(underline, end);
      else if (underline < 0)
        letters = std::max(letters, end);
    }
    ReleaseDC(link, dc);
    ASSERT_GT(letters, 0) << id;
    EXPECT_GE(underline, letters) << id;
    EXPECT_LE(underline - letters, Scale(2, DpiOf(link))) << id << ": underline to " << underline << ", letters to " << letters;
  }
  if (!InRunAt144Dpi()) RunAgainAt144Dpi();
}

TEST_F(WindowTest, EnterAndEscapeTurnThePage) {
  ToFront();
  Click(Sender::SwitchDrives);
  SetFocus(window.Control(kFirstDrive));
  MSG esc{window.Control(kFirstDrive), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  EXPECT_TRUE(window.PreTranslate(esc));
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
  Click(Sender::MapOnly);
  Type(kFindWhat, "C:\\Old");
  Type(kReplaceWith, "C:\\New");
  Click(kShowAdvanced);  // advanced: Enter leads to the targets page
  EXPECT_EQ(WindowText(window.SenderButton(Sender::MapOnlyNext)), "&Next");
  SetFocus(window.Control(kReplaceWith));
  MSG enter{window.Control(kReplaceWith), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(window.PreTranslate(enter));
  EXPECT_EQ(wizard.CurrentPage, Page::Targets);
}

TEST_F(WindowTest, MapOnlyRefusesAnEmptyTextbox) {
  MessageBoxWatch watch;
  ToFront();
  Click(Sender::MapOnly);
  EXPECT_TRUE(Shown(kMapOnlyDescription));
  EXPECT_TRUE(Shown(kShowAdvanced));
  Type(kFindWhat, "C:\\Old");
  Click(Sender::MapOnlyNext);
  ASSERT_EQ(watch.seen.size(), 1u);
  EXPECT_EQ(watch.seen[0].first, "Map Only");
  EXPECT_EQ(watch.seen[0].second, "Type what it becomes in \"Replace with\".");
  EXPECT_TRUE(Shown(kFindWhat));
  EXPECT_EQ(wizard.CurrentPage, Page::MapOnly);
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(Focus(), window.Control(kReplaceWith));  // the empty one
}

TEST_F(WindowTest, MapOnlyRunShowsProgressAndEndsOnTheFinishPage) {
  ToFront();
  Click(Sender::MapOnly);
  Type(kFindWhat, "C:\\Old");
  Type(kReplaceWith, "D:\\New");
  rec.linksPerWalk = 2;
  bool mainEnabled = true, progressShown = false;
  std::string progressCaption;
  rec.duringWalk = [&] {
    mainEnabled = IsWindowEnabled(window.hwnd());
    HWND progress = ui.Progress().hwnd();
    progressShown = progress && IsWindowVisible(progress);
    progressCaption = WindowText(progress);
  };
  Click(Sender::MapOnlyNext);
  EXPECT_FALSE(mainEnabled);  // no second run can start inside this one
  EXPECT_TRUE(progressShown);
  EXPECT_EQ(progressCaption, "Mapping...");
  EXPECT_FALSE(IsWindowVisible(ui.Progress().hwnd()));
  EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_TRUE(Shown(kFinishedTitle));
  EXPECT_EQ(Text(kFinishedTitle), "Ostrivane has finished");
  EXPECT_EQ(Text(kFinishedCount), "4 links were remapped");
  EXPECT_EQ(Text(kFinishedMoveLine), "");
  // The search, then the apply at what it found.
  EXPECT_EQ(rec.calls.back(), "apply ini C:\\Old>D:\\New");
}

TEST_F(WindowTest, MapOnlyRunTakesTextBeyondTheAnsiCodePage) {
  ToFront();
  Click(Sender::MapOnly);
  const std::string find = "C:\\Данные\\数据", replace = "D:\\Архив\\\U0002000B";
  // Typed key by key, as the keyboard delivers characters to the field.
  for (wchar_t c : WideText(find)) SendMessageW(window.Control(kFindWhat), WM_CHAR, c, 1);
  Type(kReplaceWith, replace);  // with a letter beyond the basic plane (two UTF-16 units)
  EXPECT_EQ(wizard.mapOnly.findWhat, find);
  EXPECT_EQ(wizard.mapOnly.replaceWith, replace);
  Click(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(rec.calls.back(), "ini " + find + ">" + replace);
}

TEST_F(WindowTest, ProgressCancelAnswersEscape) {
  ToFront();
  Click(Sender::MapOnly);
  Type(kFindWhat, "a");
  Type(kReplaceWith, "b");
  rec.duringWalk = [&] {
    if (wizard.lastRun.tally.cancelled) return;  // the walk after the cancel
    HWND dialog = ui.Progress().hwnd();
    EXPECT_FALSE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);  // in front of its window only
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window.hwnd());
    HWND cancel = ui.Progress().cancelButton();
    EXPECT_FALSE(SendMessageA(cancel, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    SendMessageA(cancel, WM_KEYDOWN, VK_RETURN, 0);  // Enter is no answer
    EXPECT_FALSE(wizard.lastRun.tally.cancelled);
    SendMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
  };
  Click(Sender::MapOnlyNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Cancelled);
  EXPECT_EQ(Text(kCancelledTitle), "Process Cancelled");
}

TEST_F(WindowTest, SwitchDrivesRefusesAnEmptyLetter) {
  MessageBoxWatch watch;
  ToFront();
  Click(Sender::SwitchDrives);
  EXPECT_EQ(Text(kFirstDrive), "C");
  EXPECT_EQ(Text(kSecondDrive), "D");
  Type(kSecondDrive, "");
  Click(Sender::SwitchNext);
  ASSERT_EQ(watch.seen.size(), 1u);
  EXPECT_EQ(watch.seen[0], std::make_pair(std::string("Empty Entry"),
                                          std::string("You must enter both a first and a second drive letter.")));
  EXPECT_EQ(wizard.CurrentPage, Page::SwitchDrives);
  Type(kSecondDrive, "e");
  Click(Sender::SwitchNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Targets);
  EXPECT_EQ(wizard.choices.request.ReplaceText, "E:\\");  // the field takes upper case
  // Only the registry: the button reads Start and runs at once.
  EXPECT_TRUE(wizard.choices.targets.configFiles);  // on by default, like the other file targets
  Click(kSettingsTarget);
  Click(kShortcutsTarget);
  EXPECT_EQ(WindowText(window.SenderButton(Sender::TargetsNext)), "&Next");  // configuration files still on
  Click(kConfigurationFilesTarget);
  EXPECT_FALSE(wizard.choices.targets.configFiles);
  EXPECT_EQ(WindowText(window.SenderButton(Sender::TargetsNext)), "&Start");
  EXPECT_EQ(Text(kTargetsHint), "Press the Start button to Begin");
  Click(Sender::TargetsNext);
  EXPECT_EQ(wizard.CurrentPage, Page::Finished);
}

TEST_F(WindowTest, UndoPageListsAndDeletes) {
  MessageBoxWatch watch;
  undo.entries = {Listed(0, "1/5/2026 10:00:00 AM"), Listed(1, "1/6/2026")};
  Click(Sender::TitleUndo);
  EXPECT_EQ(wizard.CurrentPage, Page::Undo);
  HWND combo = window.Control(kUndoAge);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(kUndoAge, CBN_SELCHANGE), LPARAM(combo));
  EXPECT_EQ(undo.age, 0);
  HWND list = window.Control(kUndoList);
  ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  Click(kDeleteUndo);
  ASSERT_EQ(watch.seen.size(), 1u);
  EXPECT_EQ(watch.seen[0].second, "Please select an item");
  EXPECT_EQ(Focus(), list);  // where the item is selected
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(kUndoList, LBN_SELCHANGE), LPARAM(list));
  MessageBoxWatch::keys = {'y'};  // "Delete the undo entry ...?"
  Click(kDeleteUndo);
  EXPECT_EQ(undo.calls[undo.calls.size() - 2], "delete Undo00001");
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), LB_ERR);
  Click(Sender::UndoBack);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
}

TEST_F(WindowTest, ALongUndoLineScrollsSideways) {
  undo.entries = {Listed(0, "1/5/2026", RunMode::MapOnly, "C:\\" + std::string(120, 'x'), "D:\\y")};
  wizard.undoing.UndoAgeChange(1);  // reads the list again
  Click(Sender::TitleUndo);
  HWND list = window.Control(kUndoList);
  RECT room{};
  GetClientRect(list, &room);
  EXPECT_GT(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), room.right);
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL);
  // Right and Left scroll it, and leave the selection where it was.
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  SendMessageW(list, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_GT(GetScrollPos(list, SB_HORZ), 0);
  SendMessageW(list, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(GetScrollPos(list, SB_HORZ), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(WindowTest, CloseButtonWritesTheSettingsFile) {
  ToFront();
  Click(Sender::TitleUndo);
  HWND combo = window.Control(kUndoAge);
  SendMessageA(combo, CB_SETCURSEL, 3, 0);
  SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(kUndoAge, CBN_SELCHANGE), LPARAM(combo));
  wizard.intro.skipIntroduction = true;
  bool destroyed = false;
  window.onDestroyed = [&] { destroyed = true; };
  Click(kExitButton);
  Drain();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(fs.ReadWhole(folder + "Ostrivane.ini"),
            "[Undo List]\r\nDeleteOlderThan=3\r\n\r\n[Start]\r\nSkipStartPage=1\r\n\r\n"
            "[Targets]\r\nConfigurationFiles=1\r\n\r\n"
            "[Show Changes First]\r\nMoveAndMap=0\r\nSwitchDrives=0\r\nMapOnly=0\r\n\r\n");
}

TEST_F(WindowTest, ExitLeavesWithoutWritingTheSettingsFile) {
  ToFront();
  Click(Sender::MapOnly);
  Type(kFindWhat, "a");
  Type(kReplaceWith, "b");
  Click(Sender::MapOnlyNext);
  bool destroyed = false;
  window.onDestroyed = [&] { destroyed = true; };
  Click(Sender::Exit);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(fs.FileExists(folder + "Ostrivane.ini"));
}

// The texts of a tree node's children (listing them first, as opening the node does).
std::vector<std::string> Children(FolderTree& tree, HTREEITEM item) {
  tree.Expand(item);
  std::vector<std::string> out;
  for (auto c = HTREEITEM(SendMessageA(tree.hwnd(), TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item))); c;
       c = HTREEITEM(SendMessageA(tree.hwnd(), TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(c))))
    out.push_back(tree.ChainOf(c).front());
  return out;
}

TEST_F(WindowTest, MoveTreesListTheDiskAndTakeADrop) {
  fs.MakeFolders(folder + "From\\Inner");
  fs.MakeFolders(folder + "To");
  fs.ReplaceWhole(folder + "From\\note.txt", "n");
  fs.ReplaceWhole(folder + "From\\Inner\\deep.txt", "d");
  const std::string testFolder = folder.substr(3, folder.size() - 4);  // the folder's own name

  ToFront();
  Click(Sender::MoveAndMap);
  FolderTree& left = window.Tree(TreeSide::MoveFrom);
  FolderTree& right = window.Tree(TreeSide::MoveTo);
  EXPECT_TRUE(IsWindowVisible(left.hwnd()));
  for (FolderTree* tree : {&left, &right}) {
    HTREEITEM c = tree->Child(tree->Child(nullptr, "My Computer"), "C:");
    ASSERT_TRUE(c);
    EXPECT_EQ(tree->ChainOf(c), (NodeChain{"Local Disk (C:)", "My Computer"}));
    // Listed only when opened.
    EXPECT_FALSE(SendMessageA(tree->hwnd(), TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(c)));
    const std::vector<std::string> top = Children(*tree, c);
    EXPECT_NE(std::find(top.begin(), top.end(), testFolder), top.end());
  }
  HTREEITEM leftOurs = left.Child(left.Child(left.Child(nullptr, "My Computer"), "C:"), testFolder);
  HTREEITEM rightOurs = right.Child(right.Child(right.Child(nullptr, "My Computer"), "C:"), testFolder);
  EXPECT_EQ(Children(left, leftOurs), (std::vector<std::string>{"From", "To"}));
  EXPECT_EQ(Children(left, left.Child(leftOurs, "From")), (std::vector<std::string>{"Inner", "note.txt"}));
  EXPECT_EQ(Children(right, rightOurs), (std::vector<std::string>{"From", "To"}));
  EXPECT_EQ(Children(right, right.Child(rightOurs, "From")), (std::vector<std::string>{"Inner"}));
  // An expand button only where the tree has something to show: asked of
  // the folders on screen.
  const auto button = [](FolderTree& tree, HTREEITEM item) {
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = item;
    SendMessageW(tree.hwnd(), TVM_GETITEMW, 0, LPARAM(&tv));
    return tv.cChildren;
  };
  EXPECT_EQ(button(left, left.Child(leftOurs, "To")), 0);
  EXPECT_EQ(button(right, right.Child(rightOurs, "To")), 0);
  EXPECT_EQ(button(left, left.Child(left.Child(leftOurs, "From"), "Inner")), 1);  // a file
  EXPECT_EQ(button(right, right.Child(right.Child(rightOurs, "From"), "Inner")), 0);

  // Drag From onto To with the mouse: the left tree starts it, the right one takes it.
  HTREEITEM from = left.Child(leftOurs, "From");
  HTREEITEM to = right.Child(rightOurs, "To");
  EXPECT_FALSE(window.DragOver(right.Child(nullptr, "My Computer")));  // no drive there
  NMTREEVIEWW begin{};
  begin.hdr = {left.hwnd(), UINT_PTR(kMoveFromTree), UINT(TVN_BEGINDRAGW)};
  begin.itemNew.hItem = from;
  SendMessageA(window.hwnd(), WM_NOTIFY, kMoveFromTree, LPARAM(&begin));
  EXPECT_EQ(left.Selected(), from);
  SendMessageA(right.hwnd(), TVM_ENSUREVISIBLE, 0, LPARAM(to));
  RECT r{};
  std::memcpy(&r, &to, sizeof to);  // the item goes in, its rectangle comes out
  ASSERT_TRUE(SendMessageA(right.hwnd(), TVM_GETITEMRECT, TRUE, LPARAM(&r)));
  POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(right.hwnd(), &at);
  SetCursorPos(at.x, at.y);
  SendMessageA(window.hwnd(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(HTREEITEM(SendMessageA(right.hwnd(), TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)), to);
  SendMessageA(window.hwnd(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  EXPECT_EQ(Text(kConfirmItemName), "From");
  EXPECT_EQ(Text(kConfirmFromLine), "and all files and folders in it will be moved from");
  EXPECT_EQ(Text(kConfirmSourceFolder), folder);
  EXPECT_EQ(Text(kConfirmToLine), "to");
  EXPECT_EQ(Text(kConfirmDestination), folder + "To\\");

  // A file dropped by the handler; then Refresh lists what appeared meanwhile.
  Click(Sender::MoveConfirmBack);
  Click(Sender::MoveAndMap);
  SendMessageA(left.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(left.Child(left.Child(leftOurs, "From"), "note.txt")));
  window.DragDrop(rightOurs);
  EXPECT_EQ(Text(kConfirmItemName), "note.txt");
  EXPECT_EQ(Text(kConfirmFromLine), "will be moved from");
  EXPECT_EQ(Text(kConfirmSourceFolder), folder + "From\\");
  Click(Sender::MoveConfirmBack);
  Click(Sender::MoveAndMap);
  fs.MakeFolders(folder + "Later");
  Click(kRefreshTrees);
  HTREEITEM c = right.Child(right.Child(nullptr, "My Computer"), "C:");
  Children(right, c);
  HTREEITEM again = right.Child(c, testFolder);
  ASSERT_TRUE(again);
  EXPECT_EQ(Children(right, again), (std::vector<std::string>{"From", "Later", "To"}));
}

// The keyboard alone, from the front page to each mode's finish page and back.
TEST_F(WindowTest, KeyboardOnlyLeadsThroughEveryModeAndBack) {
  fs.MakeFolders(folder + "From");
  fs.MakeFolders(folder + "To");
  const std::string testFolder = folder.substr(3, folder.size() - 4);
  // "Go to Start" leads to the front page itself.
  auto toFront = [&] { ASSERT_EQ(wizard.CurrentPage, Page::Front); };
  for (int i = 0; i < 3; ++i) Press(VK_RETURN);  // Next, Next, Next
  toFront();

  // Map Only: the page opens in "Find what"; Alt+W reaches "Replace with".
  Alt('o');
  ASSERT_EQ(wizard.CurrentPage, Page::MapOnly);
  EXPECT_EQ(Focus(), window.Control(kFindWhat));
  Chars("C:\\Old");
  Alt('w');
  Chars("C:\\New");
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_EQ(wizard.choices.request.FindText, "C:\\Old");
  EXPECT_TRUE(Focus() && IsWindowVisible(Focus()));  // a control to go on with
  Alt('g');  // Go to Start
  toFront();

  // Switch Drives: the letters as they stand, Next through targets and drives.
  Alt('s');
  ASSERT_EQ(wizard.CurrentPage, Page::SwitchDrives);
  EXPECT_EQ(Focus(), window.Control(kFirstDrive));
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::Targets);
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::Drives);
  EXPECT_EQ(Focus(), window.Control(kDriveList));
  Press(VK_RETURN);  // on a list Enter starts nothing
  ASSERT_EQ(wizard.CurrentPage, Page::Drives);
  Alt('s');
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  Alt('g');
  toFront();

  // Move and Map: Esc leaves the trees page; the arrows and type-ahead pick
  // a pair, Enter ("Move to...") confirms it, Enter again moves.
  Alt('m');
  ASSERT_EQ(wizard.CurrentPage, Page::MoveTrees);
  Press(VK_ESCAPE);
  ASSERT_EQ(wizard.CurrentPage, Page::Front);
  Alt('m');
  EXPECT_EQ(Focus(), window.Tree(TreeSide::MoveFrom).hwnd());
  auto pick = [&](TreeSide side, const std::string& leaf) {
    FolderTree& tree = window.Tree(side);
    HTREEITEM c = tree.Child(tree.Child(nullptr, "My Computer"), "C:");
    ASSERT_TRUE(c);
    // Opening the nodes as the Right arrow does, then walking down by keys.
    tree.Expand(c);
    HTREEITEM ours = tree.Child(c, testFolder);
    ASSERT_TRUE(ours);
    SendMessageW(tree.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(ours));
    Press(VK_RIGHT);  // opens it
    Press(VK_DOWN);   // "From"
    if (leaf == "To") Press(VK_DOWN);
    EXPECT_EQ(tree.ChainOf(tree.Selected()).front(), leaf);
  };
  pick(TreeSide::MoveFrom, "From");
  Alt('t');
  EXPECT_EQ(Focus(), window.Tree(TreeSide::MoveTo).hwnd());
  pick(TreeSide::MoveTo, "To");
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  EXPECT_EQ(Text(kConfirmDestination), folder + "To\\");
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::Finished);
  EXPECT_NE(std::find(rec.calls.begin(), rec.calls.end(), "move " + folder + "From>" + folder + "To\\From"), rec.calls.end());
  Alt('g');
  toFront();
}

TEST_F(WindowTest, KeyboardUndoAsksFirstAndNoIsTheDefault) {
  MessageBoxWatch watch;
  undo.entries = {Listed(0, "1/5/2026 10:00:00 AM"), Listed(1, "1/6/2026")};
  wizard.undoing.UndoAgeChange(wizard.undo.ageIndex);  // the list as the store now holds it
  for (int i = 0; i < 3; ++i) Press(VK_RETURN);
  // The title strip's buttons are Tab stops before the page's: Shift+Tab
  // from the page's first button reaches them.
  for (int i = 0; i < 6 && Focus() != window.SenderButton(Sender::TitleUndo); ++i) BackTab();
  ASSERT_EQ(Focus(), window.SenderButton(Sender::TitleUndo));
  Press(VK_RETURN);
  ASSERT_EQ(wizard.CurrentPage, Page::Undo);
  EXPECT_EQ(Focus(), window.Control(kUndoList));
  Press(VK_DOWN);  // the first entry
  EXPECT_EQ(wizard.undo.selection, 0);
  Press(VK_RETURN);  // on the list Enter undoes nothing, nor asks
  EXPECT_TRUE(watch.seen.empty());
  MessageBoxWatch::keys = {'\r', 'y'};
  Alt('u');  // "Undo Changes": asked, Enter answers No
  EXPECT_TRUE(std::find(undo.calls.begin(), undo.calls.end(), "undo Undo00000") == undo.calls.end());
  Alt('u');  // asked again: Yes
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo Undo00000"), 1);
  ASSERT_EQ(watch.seen.size(), 3u);  // two questions and the closing message
  EXPECT_EQ(watch.seen[0].first, "Undo Changes");
  EXPECT_NE(watch.seen[0].second.find("Undo00000 - 1/5/2026 10:00:00 AM"), std::string::npos);
  EXPECT_EQ(watch.seen[2].second, "0 files restored.  Undo has completed");
  Press(VK_ESCAPE);
  EXPECT_EQ(wizard.CurrentPage, Page::Front);
}

// Places changed after the run are left by the undo; the window then asks
// once whether to restore them anyway, with No as the default answer.
TEST_F(WindowTest, PlacesChangedAfterTheRunAreRestoredOnlyWhenTheUserSaysSo) {
  MessageBoxWatch watch;
  undo.entries = {Listed(0, "1/5/2026 10:00:00 AM")};
  wizard.undoing.UndoAgeChange(wizard.undo.ageIndex);
  Click(Sender::TitleUndo);
  ASSERT_EQ(wizard.CurrentPage, Page::Undo);
  wizard.undo.selection = 0;
  undo.changedSince = 2;
  MessageBoxWatch::keys = {'y', '\r', '\r'};  // undo: yes; the message; restore anyway: Enter
  Alt('u');
  ASSERT_EQ(watch.seen.size(), 3u);
  EXPECT_EQ(watch.seen[2].first, "Undo Changes");
  EXPECT_NE(watch.seen[2].second.find("2 places were changed after the run"), std::string::npos) << watch.seen[2].second;
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo --force Undo00000"), 0);
  // The pane under the list names every place left, and scrolls however many they are.
  const std::string pane = Text(kUndoStatus);
  EXPECT_EQ(std::count(pane.begin(), pane.end(), '\n') >= 2, true) << pane;
  EXPECT_NE(pane.find("C:\\Changed was changed after the run: left as it is."), std::string::npos) << pane;
  EXPECT_TRUE(Shown(kUndoStatus));
  EXPECT_TRUE(GetWindowLongW(window.Control(kUndoStatus), GWL_STYLE) & WS_VSCROLL);

  MessageBoxWatch::keys = {'y', '\r', 'y', '\r'};  // ... restore anyway: Yes
  Alt('u');
  EXPECT_EQ(std::count(undo.calls.begin(), undo.calls.end(), "undo --force Undo00000"), 1);
  EXPECT_EQ(watch.seen.size(), 7u);
}

// A letter used twice on a page presses the first control that has it:
// Alt+M on the move page started the move when "Move Files" and "Show
// Advanced Map Options" shared M. Every page, with every optional control
// shown and the options on and off, has each letter once.
TEST_F(WindowTest, EveryPageHasEachMnemonicOnceAndAltMMovesNothing) {
  wizard.end.passedOverLine = "1 place could not be changed";
  wizard.end.handOverWaiting = "C:\\Other";
  wizard.end.showChangesVisible = true;
  for (const bool advanced : {false, true}) {
    wizard.ShowAdvancedClick(advanced);
    for (int p = 1; p < kPageCount; ++p) {
      const Page page = Page(p);
      wizard.CurrentPage = page;
      wizard.showAdvancedVisible =
          page == Page::MoveTrees || page == Page::MoveConfirm || page == Page::MoveGiven || page == Page::MapOnly;
      window.Show();
      std::map<char, std::string> used;
      for (const PageControl& c : window.Controls()) {
        // Fields show what they hold, not a label.
        if (!IsWindowVisible(c.hwnd) || c.kind == Kind::Edit || c.kind == Kind::Path || c.kind == Kind::BoldPath ||
            c.kind == Kind::Letter || c.kind == Kind::ReadOnly)
          continue;
        const std::string text = WindowText(c.hwnd);
        std::size_t at = text.find('&');
        while (at != std::string::npos && at + 1 < text.size() && text[at + 1] == '&') at = text.find('&', at + 2);
        if (at == std::string::npos || at + 1 >= text.size()) continue;
        const char letter = char(std::tolower(static_cast<unsigned char>(text[at + 1])));
        const auto [first, added] = used.emplace(letter, text);
        EXPECT_TRUE(added) << PageName(page) << (advanced ? " (advanced)" : "") << ": \"" << text << "\" and \""
                           << first->second << "\" share " << letter;
      }
    }
  }

  // Alt+M on the command-line move page ticks the box and starts nothing.
  fs.MakeFolders(folder + "Item");
  wizard.ShowAdvancedClick(false);
  wizard.OpenMoveGiven(folder + "Item");
  wizard.move.givenDestination = folder + "Elsewhere";
  window.Show();
  SetFocus(window.Control(kGivenDestination));
  Alt('m');
  EXPECT_TRUE(wizard.showAdvanced);
  EXPECT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_TRUE(rec.calls.empty());
}

TEST_F(WindowTest, EveryLabelMnemonicMovesTheFocusToItsControl) {
  struct Case {
    Sender mode;
    char letter;
    int control;  // 0: the tree of that side
    TreeSide side;
  };
  const Case cases[] = {{Sender::MapOnly, 'f', kFindWhat, {}},           {Sender::MapOnly, 'w', kReplaceWith, {}},
                        {Sender::SwitchDrives, 'd', kFirstDrive, {}},    {Sender::SwitchDrives, 'l', kSecondDrive, {}},
                        {Sender::MoveAndMap, 'f', 0, TreeSide::MoveFrom}, {Sender::MoveAndMap, 't', 0, TreeSide::MoveTo},
                        {Sender::TitleUndo, 'f', kUndoAge, {}},          {Sender::TitleUndo, 'e', kUndoList, {}}};
  ToFront();
  for (const Case& c : cases) {
    Click(c.mode);
    SetFocus(window.SenderButton(Sender::TitleFront));
    Alt(c.letter);
    HWND expected = c.control ? window.Control(c.control) : window.Tree(c.side).hwnd();
    EXPECT_EQ(Focus(), expected) << int(c.mode) << " " << c.letter;
    Click(Sender::TitleFront);
    ToFront();
  }
  // The command-line move page: "to" reaches a destination that can be typed.
  wizard.OpenMoveGiven(folder + "Item");
  window.Show();
  SetFocus(window.SenderButton(Sender::TitleFront));
  Alt('t');
  EXPECT_EQ(Focus(), window.Control(kGivenDestination));
  Chars("D:\\Typed");
  EXPECT_EQ(wizard.move.givenDestination, "D:\\Typed");
}

TEST_F(WindowTest, LongPathsStandWholeOnTheConfirmationPage) {
  std::string longFolder = "C:\\";
  while (longFolder.size() < 236) longFolder += "Projektordner_mit_langem_Namen\\";
  longFolder.resize(236);
  longFolder += "\\";
  const std::string item = "Quarterly Report";  // with the folder: 250 characters and more
  ToFront();
  Click(Sender::MoveAndMap);
  wizard.moving.DropOnMoveTo(longFolder + item, longFolder + "Archive");
  window.Show();
  ASSERT_EQ(wizard.CurrentPage, Page::MoveConfirm);
  for (int id : {kConfirmItemName, kConfirmSourceFolder, kConfirmDestination}) {
    HWND field = window.Control(id);
    EXPECT_EQ(WindowText(field), id == kConfirmItemName ? item : id == kConfirmSourceFolder ? longFolder : longFolder + "Archive\\");
    HDC dc = GetDC(field);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(field, WM_GETFONT, 0, 0)));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(field, dc);
    RECT rc;
    GetClientRect(field, &rc);
    const LRESULT lines = SendMessageW(field, EM_GETLINECOUNT, 0, 0);
    if (id != kConfirmItemName) {
      EXPECT_GE(lines, 2);  // wrapped, not cut
    }
    EXPECT_LE(lines * tm.tmHeight, rc.bottom) << id << ": " << lines << " lines";
  }
  RECT source, toLine;
  GetWindowRect(window.Control(kConfirmSourceFolder), &source);
  GetWindowRect(window.Control(kConfirmToLine), &toLine);
  EXPECT_LE(source.bottom, toLine.top);
}

// With the advanced options hidden, the pages that start a run say what it
// will search, so a target unticked earlier is not forgotten.
TEST_F(WindowTest, StartPagesNameTheTargetsInEffectUnderTheButtonRow) {
  ToFront();
  Click(Sender::MapOnly);
  ASSERT_TRUE(Shown(kTargetsInEffect));
  EXPECT_EQ(Text(kTargetsInEffect), "Searches the registry, settings files, shortcuts and configuration files");
  // Whole, inside the window and below the start button.
  HWND line = window.Control(kTargetsInEffect);
  RECT lineRect, start, client;
  GetWindowRect(line, &lineRect);
  GetWindowRect(window.SenderButton(Sender::MapOnlyNext), &start);
  GetClientRect(window.hwnd(), &client);
  MapWindowPoints(window.hwnd(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_GE(lineRect.top, start.bottom);
  EXPECT_LE(lineRect.bottom, client.bottom);
  EXPECT_GE(lineRect.left, client.left);
  EXPECT_LE(lineRect.right, client.right);

  Click(kShowAdvanced);
  EXPECT_FALSE(Shown(kTargetsInEffect));  // the Targets page comes next and shows them
  Type(kFindWhat, "C:\\Old");
  Type(kReplaceWith, "C:\\New");
  Click(Sender::MapOnlyNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Targets);
  EXPECT_FALSE(Shown(kTargetsInEffect));
  Click(kConfigurationFilesTarget);
  Click(Sender::TargetsBack);
  Click(kShowAdvanced);
  ASSERT_TRUE(Shown(kTargetsInEffect));
  const std::string text = Text(kTargetsInEffect);
  EXPECT_EQ(text, "Searches the registry, settings files and shortcuts; configuration files are off: Show Advanced Map "
                  "Options");
  // The longest line still stands whole in its two lines.
  wizard.choices.targets = {false, false, false, false, false};
  window.Show();
  HDC dc = GetDC(line);
  HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(line, WM_GETFONT, 0, 0)));
  RECT lineClient, needed;
  GetClientRect(line, &lineClient);
  needed = lineClient;
  const std::wstring wide = WideText(Text(kTargetsInEffect));
  DrawTextW(dc, wide.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(line, dc);
  EXPECT_LE(needed.bottom, lineClient.bottom);

  Click(Sender::MapOnlyBack);
  Click(Sender::MoveAndMap);
  EXPECT_FALSE(Shown(kTargetsInEffect));  // the trees start nothing
  wizard.OpenMoveGiven("C:\\Windows");
  window.Show();
  ASSERT_EQ(wizard.CurrentPage, Page::MoveGiven);
  EXPECT_TRUE(Shown(kTargetsInEffect));
}

// As in a dialog box: Tab past a browse button leaves the page's start
// button looking like the default, since Enter in a field presses it.
TEST_F(WindowTest, TheStartButtonStaysTheDefaultAfterTabPassesABrowseButton) {
  ToFront();
  Click(Sender::MapOnly);
  const auto isDefault = [](HWND b) { return (GetWindowLongPtrW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; };
  HWND start = window.SenderButton(Sender::MapOnlyNext);
  HWND browse = window.Control(kBrowseFindWhat);
  SetFocus(window.Control(kFindWhat));
  EXPECT_TRUE(isDefault(start));
  Press(VK_TAB);
  ASSERT_EQ(Focus(), browse);
  Press(VK_TAB);
  ASSERT_EQ(Focus(), window.Control(kReplaceWith));
  EXPECT_TRUE(isDefault(start));
  EXPECT_FALSE(isDefault(browse));
}

TEST_F(WindowTest, SelectedDrivesStandOutWithoutTheFocus) {
  wizard.TurnPage(Sender::MapOnly);
  wizard.ShowAdvancedClick(true);
  wizard.mapOnly.findWhat = "a";
  wizard.mapOnly.replaceWith = "b";
  window.Press(Sender::MapOnlyNext);
  window.Press(Sender::TargetsNext);
  ASSERT_EQ(wizard.CurrentPage, Page::Drives);
  HWND list = window.Control(kDriveList);
  ASSERT_GT(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
  LVITEMW state{};
  state.stateMask = state.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, LPARAM(&state));
  SetFocus(window.SenderButton(Sender::DrivesBack));
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  RECT r{};
  r.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, LPARAM(&r)));
  // A point of the row right of its text: the selection's background.
  HDC screen = GetDC(list);
  const COLORREF seen = GetPixel(screen, r.right - 4, (r.top + r.bottom) / 2);
  ReleaseDC(list, screen);
  EXPECT_EQ(seen, GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(WindowTest, MinimiseButtonAndF1ForThePageOnScreen) {
  ToFront();
  Click(Sender::MapOnly);
  Press(VK_F1);
  EXPECT_EQ(help.calls, std::vector<std::string>{"html " + folder + "Ostrivane.chm MapOnly.htm"});
  Click(kMinimiseButton);
  EXPECT_TRUE(IsIconic(window.hwnd()));
  ShowWindow(window.hwnd(), SW_RESTORE);
}

// The title strip's buttons paint again as they were after the window is
// resized and after another window covered them and went away.
TEST_F(WindowTest, TheTitleStripButtonsPaintAgainAfterResizeAndCover) {
  ToFront();
  const auto sample = [this] {
    Drain();
    std::vector<COLORREF> seen;
    for (int id : {int(kMinimiseButton), int(kTitleStripName)}) {
      // Read off the screen, where a window over them would show.
      HWND h = window.Control(id);
      RECT r{};
      GetWindowRect(h, &r);
      HDC screen = GetDC(nullptr);
      for (int x = 1; x < 4; ++x)
        for (int y = 1; y < 4; ++y)
          seen.push_back(GetPixel(screen, r.left + (r.right - r.left) * x / 4, r.top + (r.bottom - r.top) * y / 4));
      ReleaseDC(nullptr, screen);
    }
    return seen;
  };
  RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  const std::vector<COLORREF> before = sample();
  RECT frame{};
  GetWindowRect(window.hwnd(), &frame);
  SetWindowPos(window.hwnd(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(window.hwnd());
  EXPECT_EQ(sample(), before) << "after a resize";
  // A black window over the whole main window, then gone.
  GetWindowRect(window.hwnd(), &frame);
  HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, frame.left, frame.top,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(cover);
  UpdateWindow(cover);
  Drain();
  DestroyWindow(cover);
  UpdateWindow(window.hwnd());
  EXPECT_EQ(sample(), before) << "after a cover";
}

// The "Entry Found" dialog: answers by button, Enter, Esc and the close box.
class EntryFoundTest : public ::testing::Test {
 protected:
  static inline std::function<void(HWND)> act;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = FindWindowA("ConfirmChangeDialog", "Entry Found");
    if (!dlg || !IsWindowVisible(dlg)) return;
    KillTimer(nullptr, id);
    act(dlg);
  }
  Answer AskWith(std::function<void(HWND)> a, bool& box,
                 const Question& q = {"HKEY_CURRENT_USER\\Software\\X", "Path", "C:\\Старое\\数据", "D:\\New\\a"}) {
    act = std::move(a);
    SetTimer(nullptr, 0, 30, Tick);
    return form2.Ask(q, box, nullptr);
  }
  static void Key(HWND dlg, WPARAM key) {
    HWND focus = GetFocus();
    MSG m{focus ? focus : dlg, WM_KEYDOWN, key, 0, 0, {}};
    PostMessageA(m.hwnd, WM_KEYDOWN, key, 0);
  }
  ConfirmChangeDialog form2;
};

TEST_F(EntryFoundTest, AnswersAndKeepsItsBox) {
  bool box = false;
  std::string key, from;
  EXPECT_EQ(AskWith(
                [&](HWND dlg) {
                  key = WindowText(GetDlgItem(dlg, 30));
                  from = WindowText(GetDlgItem(dlg, 32));
                  Key(dlg, VK_RETURN);
                },
                box),
            Answer::Replace);
  EXPECT_EQ(key, "HKEY_CURRENT_USER\\Software\\X");
  EXPECT_EQ(from, "C:\\Старое\\数据");
  EXPECT_EQ(AskWith([](HWND dlg) { Key(dlg, VK_ESCAPE); }, box), Answer::Cancel);
  EXPECT_EQ(AskWith([](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); }, box), Answer::Cancel);
  EXPECT_EQ(AskWith(
                [](HWND dlg) {
                  SendMessageA(GetDlgItem(dlg, 20), BM_CLICK, 0, 0);  // tick "Do Not Stop and Verify"
                  SendMessageA(GetDlgItem(dlg, 5), BM_CLICK, 0, 0);   // Skip
                },
                box),
            Answer::Skip);
  EXPECT_TRUE(box);
  bool shown = false;
  EXPECT_EQ(AskWith(
                [&](HWND dlg) {
                  shown = SendMessageA(GetDlgItem(dlg, 20), BM_GETCHECK, 0, 0) == BST_CHECKED;
                  EXPECT_FALSE(GetWindowLongPtrA(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST);  // not over other programs
                  SendMessageA(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
                },
                box),
            Answer::Replace);
  EXPECT_TRUE(shown);  // kept from the question before
}

// A long text shows the found part selected and scrolled into view, in both
// fields, whatever lies before it (other lines, characters past ASCII).
TEST_F(EntryFoundTest, MarksTheFoundPartInLongText) {
  std::string before;
  for (int i = 0; i < 80; ++i) before += "line " + std::to_string(i) + " \xC3\xA9\n";
  Question q{"Setting Files", "C:\\x.ini", before + "C:\\Old\\a\nrest", before + "D:\\Newer\\a\nrest"};
  q.fromMark = q.toMark = before.size();
  q.fromMarkLength = 6;
  q.toMarkLength = 8;
  bool box = false;
  std::string fromMarked, toMarked;
  LRESULT firstVisible = 0;
  AskWith(
      [&](HWND dlg) {
        const auto marked = [](HWND edit) {
          DWORD start = 0, end = 0;
          SendMessageW(edit, EM_GETSEL, WPARAM(&start), LPARAM(&end));
          std::wstring text(GetWindowTextLengthW(edit) + 1, L'\0');
          GetWindowTextW(edit, text.data(), int(text.size()));
          return Utf8FromUtf16(std::u16string(text.begin() + start, text.begin() + end));
        };
        fromMarked = marked(GetDlgItem(dlg, 32));
        toMarked = marked(GetDlgItem(dlg, 33));
        firstVisible = SendMessageW(GetDlgItem(dlg, 32), EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageA(GetDlgItem(dlg, 5), BM_CLICK, 0, 0);
      },
      box, q);
  EXPECT_EQ(fromMarked, "C:\\Old");
  EXPECT_EQ(toMarked, "D:\\Newer");
  EXPECT_GT(firstVisible, 40);
}

}  // namespace
