#include "app/win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <exception>

#include "app/win32/Win32WindowUi.h"

namespace {
constexpr const char* kClass = "TForm1";
constexpr const char* kVersionText = "Version 0.1.0";
constexpr int kClientW = 488, kClientH = 403;
constexpr int kStripH = 30;
constexpr UINT_PTR kTimer1 = 1;
constexpr COLORREF kPageColour = RGB(248, 250, 253);
constexpr COLORREF kStripColour = RGB(31, 58, 95);
constexpr COLORREF kBandColour = RGB(228, 236, 247);

enum class Kind { Text, Bold, Heading, Title, Small, Button, DefButton, Flat, Check, Edit, ReadOnly, Letter, List, Combo, Drives, Tree, Link };
enum class Zone { Page, Strip, Band };

int S(Sender s) { return kSenderId + int(s); }
}  // namespace

struct MainWindow::Item {
  int id;
  Page page;  // Page::None: not tied to a page
  Kind kind;
  std::string text;
  int x, y, w, h;
  Zone zone = Zone::Page;
  HWND hwnd = nullptr;
};

namespace {
using P = Page;
using K = Kind;
// Fixed texts get ids from kStaticFirst on, in table order.
constexpr int kAuto = 0;

// Every control of the window, in Tab order. Coordinates are 96-DPI pixels of
// the 488 by 403 client area. Where a text carries "&", that is its mnemonic.
std::vector<MainWindow::Item>* MakeItems() {
  const int bottom = 366, backX = 300, nextX = 392, bw = 84, bh = 28;
  auto* v = new std::vector<MainWindow::Item>{
      // Title strip
      {kLabel26, P::None, K::Heading, "Ostrivane", 12, 4, 150, 22, Zone::Strip},
      {S(Sender::btnFront), P::None, K::Flat, "Front", 286, 4, 50, 22, Zone::Strip},
      {S(Sender::btnUndo), P::None, K::Flat, "Undo", 340, 4, 50, 22, Zone::Strip},
      {kTransparentButton2, P::None, K::Flat, "Help", 394, 4, 40, 22, Zone::Strip},
      {kTransparentButton1, P::None, K::Flat, "Exit", 438, 4, 40, 22, Zone::Strip},
      // Description panels
      {kTpnlMove, P::None, K::Bold, "Move and Map", 16, 38, 300, 18, Zone::Band},
      {kTpnlMove + 1, P::None, K::Text, "moves files and folders to another location and maps system links to the new location", 16, 56, 456, 30, Zone::Band},
      {kTpnlSwitch, P::None, K::Bold, "Switch Drives", 16, 38, 300, 18, Zone::Band},
      {kTpnlSwitch + 1, P::None, K::Text, "searches for links to one drive letter and switches them to the other drive letter, and vice versa.", 16, 56, 456, 30, Zone::Band},
      {kTpnlSwitch + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band},
      {kTpnlFind, P::None, K::Bold, "Map Only", 16, 38, 300, 18, Zone::Band},
      {kTpnlFind + 1, P::None, K::Text, "searches for system links to the old item and changes them to its new location.", 16, 56, 456, 30, Zone::Band},
      {kTpnlFind + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band},

      // pnlBegin
      {kAuto, P::pnlBegin, K::Heading, "Without", 24, 44, 200, 26},
      {kAuto, P::pnlBegin, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::pnlBegin, K::Text, "Moving files without Ostrivane leads to left behind clutter, errors, and programs not knowing where the file was moved to.", 24, 124, 440, 48},
      {kAuto, P::pnlBegin, K::Bold, "Move it the correct way with Ostrivane.", 24, 304, 440, 20},
      {S(Sender::btnBeginNext), P::pnlBegin, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // pnlBegin2
      {kAuto, P::pnlBegin2, K::Heading, "With", 24, 44, 200, 26},
      {kAuto, P::pnlBegin2, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::pnlBegin2, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 20},
      {kAuto, P::pnlBegin2, K::Text, "Ostrivane moves the shortcuts, links, references, and registry entries with the moved file", 24, 304, 440, 36},
      {S(Sender::btnBegin2Back), P::pnlBegin2, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnBegin2Next), P::pnlBegin2, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // pnlBegin3
      {kAuto, P::pnlBegin3, K::Title, "Ostrivane", 24, 44, 300, 44},
      {kLabel65, P::pnlBegin3, K::Link, "Click Here for more &Information", 24, 120, 300, 20},
      {kLabel66, P::pnlBegin3, K::Link, "Click Here to &Ask Questions", 24, 148, 300, 20},
      {kSuiCheckBox2, P::pnlBegin3, K::Check, "&Skip Introduction", 24, 330, 200, 22},
      {S(Sender::btnBegin3Back), P::pnlBegin3, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnBegin3Next), P::pnlBegin3, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // pnlFront
      {kAuto, P::pnlFront, K::Title, "Ostrivane", 24, 38, 300, 44},
      {kAuto, P::pnlFront, K::Text, "Moving files without Ostrivane leads to errors, left behind litter, and programs not knowing where the file was moved to.", 24, 86, 440, 34},
      {kAuto, P::pnlFront, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 18},
      {kAuto, P::pnlFront, K::Text, "Ostrivane not only moves files, but it also re-maps system links that point to the moved files.", 24, 146, 440, 34},
      {S(Sender::btnMoveDrive), P::pnlFront, K::DefButton, "&Move and Map", 24, 196, 120, 34},
      {kAuto, P::pnlFront, K::Text, "Click this button to move items and map them.", 156, 205, 310, 20},
      {S(Sender::btnSwitchDrive), P::pnlFront, K::Button, "&Switch Drives", 24, 246, 120, 34},
      {kAuto, P::pnlFront, K::Text, "Click this button to map the drive letters of drives that you have switched.", 156, 248, 250, 32},
      {kAuto, P::pnlFront, K::Small, "Advanced", 410, 255, 64, 16},
      {S(Sender::btnFindReplace), P::pnlFront, K::Button, "Map &Only", 24, 296, 120, 34},
      {kAuto, P::pnlFront, K::Text, "Click this button if you have already moved items but would like to map them.", 156, 298, 250, 32},
      {kAuto, P::pnlFront, K::Small, "Advanced", 410, 305, 64, 16},
      // pnlMoveStart
      {kAuto, P::pnlMoveStart, K::Text, "Drag an item from the left box to where you want it to be moved to in the right box.  All files and folders in the dragged item will be moved and mapped.", 16, 92, 456, 34},
      {kAuto, P::pnlMoveStart, K::Bold, "Move &From...", 16, 130, 200, 18},
      {kShellTreeView1, P::pnlMoveStart, K::Tree, "Move From...", 16, 148, 224, 208},
      {kAuto, P::pnlMoveStart, K::Bold, "Move &To...", 248, 130, 200, 18},
      {kShellTreeView2, P::pnlMoveStart, K::Tree, "Move To...", 248, 148, 224, 208},
      {kSuiButton3, P::pnlMoveStart, K::Button, "&Refresh", nextX, bottom, bw, bh},
      // pnlMoveStart2
      {kLabel15, P::pnlMoveStart2, K::Bold, "", 24, 96, 440, 18},
      {kLabel9, P::pnlMoveStart2, K::Text, "", 24, 116, 440, 18},
      {kLabel10, P::pnlMoveStart2, K::Bold, "", 24, 136, 440, 18},
      {kLabel12, P::pnlMoveStart2, K::Text, "", 24, 156, 440, 18},
      {kLabel16, P::pnlMoveStart2, K::Bold, "", 24, 176, 440, 18},
      {kAuto, P::pnlMoveStart2, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 208, 440, 34},
      {kLabel18, P::pnlMoveStart2, K::Text, "", 24, 246, 440, 18},
      {kSuiCheckBox5, P::pnlMoveStart2, K::Check, "Stop and &Verify each Mapping Change", 24, 276, 300, 22},
      {S(Sender::btnMoveStartBack), P::pnlMoveStart2, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnMoveStartNext), P::pnlMoveStart2, K::DefButton, "", nextX, bottom, bw, bh},
      // pnlMoveParam
      {kLabel28, P::pnlMoveParam, K::Bold, "", 24, 96, 440, 18},
      {kAuto, P::pnlMoveParam, K::Text, "and all files and folders in it will be moved from", 24, 116, 440, 18},
      {kLabel14, P::pnlMoveParam, K::Bold, "", 24, 136, 440, 18},
      {kAuto, P::pnlMoveParam, K::Text, "&to", 24, 156, 440, 18},
      {kEdit1, P::pnlMoveParam, K::ReadOnly, "", 24, 176, 344, 24},
      {kButton1, P::pnlMoveParam, K::Button, "Bro&wse", 376, 175, 88, 26},
      {kAuto, P::pnlMoveParam, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 208, 440, 34},
      {kLabel21, P::pnlMoveParam, K::Text, "", 24, 246, 440, 18},
      {kSuiCheckBox3, P::pnlMoveParam, K::Check, "Stop and &Verify each Mapping Change", 24, 276, 300, 22},
      {S(Sender::btnMoveParamBack), P::pnlMoveParam, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnMoveParamNext), P::pnlMoveParam, K::DefButton, "", nextX, bottom, bw, bh},
      // pnlSwitchStart
      {kAuto, P::pnlSwitchStart, K::Text, "Please specify the two drive letters to switch below.", 24, 100, 440, 18},
      {kAuto, P::pnlSwitchStart, K::Text, "&Drive Letter:", 24, 138, 100, 18},
      {kEdit3, P::pnlSwitchStart, K::Letter, "", 130, 134, 36, 24},
      {kAuto, P::pnlSwitchStart, K::Text, "Drive &Letter:", 24, 174, 100, 18},
      {kEdit4, P::pnlSwitchStart, K::Letter, "", 130, 170, 36, 24},
      {S(Sender::btnSwitchStartBack), P::pnlSwitchStart, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnSwitchStartNext), P::pnlSwitchStart, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // pnlFindStart
      {kAuto, P::pnlFindStart, K::Text, "Please type what to find and what to replace it with below.", 24, 100, 440, 18},
      {kAuto, P::pnlFindStart, K::Text, "&Find what:", 24, 138, 96, 18},
      {kEdit5, P::pnlFindStart, K::Edit, "", 122, 134, 302, 24},
      {kButton2, P::pnlFindStart, K::Button, "...", 430, 133, 34, 26},
      {kAuto, P::pnlFindStart, K::Text, "Replace &with:", 24, 174, 96, 18},
      {kEdit6, P::pnlFindStart, K::Edit, "", 122, 170, 302, 24},
      {kButton3, P::pnlFindStart, K::Button, "...", 430, 169, 34, 26},
      {kSuiCheckBox4, P::pnlFindStart, K::Check, "Stop and &Verify each Mapping Change", 24, 214, 300, 22},
      {S(Sender::btnFindStartBack), P::pnlFindStart, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnFindStartNext), P::pnlFindStart, K::DefButton, "", nextX, bottom, bw, bh},
      // pnlTargets
      {kAuto, P::pnlTargets, K::Text, "Please select what to search through.", 24, 100, 440, 18},
      {kChbxRegistry, P::pnlTargets, K::Check, "&Registry", 40, 130, 300, 22},
      {kChbxIni, P::pnlTargets, K::Check, "S&ettings", 40, 156, 300, 22},
      {kChbxShortcuts, P::pnlTargets, K::Check, "S&hortcuts", 40, 182, 300, 22},
      {kChbxAllFiles, P::pnlTargets, K::Check, "&All Files (not recommended)", 40, 208, 300, 22},
      {kLabel13, P::pnlTargets, K::Text, "", 24, 250, 440, 18},
      {S(Sender::btnTargetBack), P::pnlTargets, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnTargetNext), P::pnlTargets, K::DefButton, "", nextX, bottom, bw, bh},
      // pnlDrives
      {kAuto, P::pnlDrives, K::Text, "Select the drives to do mapping on.", 24, 94, 440, 18},
      {kAuto, P::pnlDrives, K::Text, "By default, all harddrives are selected.  Hold down on the Ctrl key to select more than one drive.", 24, 114, 440, 32},
      {kSuiListView1, P::pnlDrives, K::Drives, "Drives", 24, 150, 440, 180},
      {kAuto, P::pnlDrives, K::Text, "Press the Start button to Begin", 24, 336, 260, 18},
      {S(Sender::btnDrivesBack), P::pnlDrives, K::Button, "&Back", backX, bottom, bw, bh},
      {S(Sender::btnDrivesNext), P::pnlDrives, K::DefButton, "&Start", nextX, bottom, bw, bh},
      // pnlFinish
      {kLabel27, P::pnlFinish, K::Title, "", 24, 110, 440, 44},
      {kLabel41, P::pnlFinish, K::Text, "", 24, 164, 440, 18},
      {kLabel39, P::pnlFinish, K::Bold, "", 24, 186, 440, 18},
      {S(Sender::btnStartOver), P::pnlFinish, K::Button, "&Go to Start", backX - 16, bottom, bw + 16, bh},
      {S(Sender::btnFinish), P::pnlFinish, K::DefButton, "E&xit", nextX, bottom, bw, bh},
      // pnlCancelFinish
      {kLabel68, P::pnlCancelFinish, K::Title, "", 24, 110, 440, 44},
      {kLabel70, P::pnlCancelFinish, K::Text, "", 24, 164, 440, 18},
      {kLabel69, P::pnlCancelFinish, K::Bold, "", 24, 186, 440, 18},
      {S(Sender::btnStartOver2), P::pnlCancelFinish, K::Button, "&Go to Start", backX - 16, bottom, bw + 16, bh},
      {S(Sender::btnFinish2), P::pnlCancelFinish, K::DefButton, "E&xit", nextX, bottom, bw, bh},
      // pnlUndo
      {kAuto, P::pnlUndo, K::Heading, "Undo Changes", 24, 40, 440, 28},
      {kAuto, P::pnlUndo, K::Text, "Using the list below, you can undo any changes that Ostrivane has made.", 24, 74, 440, 18},
      {kAuto, P::pnlUndo, K::Text, "To undo changes, select an item below and then click on the Undo Changes button.", 24, 94, 440, 32},
      {kListBox1, P::pnlUndo, K::List, "", 24, 130, 440, 164},
      {kAuto, P::pnlUndo, K::Text, "Delete Undo &files that are older than", 24, 308, 230, 18},
      {kSuiComboBox1, P::pnlUndo, K::Combo, "", 260, 304, 160, 120},
      {kSuiButton1, P::pnlUndo, K::DefButton, "&Undo Changes", 24, bottom, 112, bh},
      {kSuiButton2, P::pnlUndo, K::Button, "&Delete", 144, bottom, bw, bh},
      {S(Sender::btnToFront), P::pnlUndo, K::Button, "&Back", nextX, bottom, bw, bh},

      // Window-wide, bottom left
      {kSuiCheckBox1, P::None, K::Check, "Show Advanced &Map Options", 16, 369, 230, 22},
      {kLabel71, P::None, K::Small, kVersionText, 16, 378, 200, 16},
  };
  int next = kStaticFirst;
  for (auto& item : *v)
    if (item.id == kAuto) item.id = next++;
  return v;
}

// Tooltips (the hints of the title strip and of the small browse buttons).
const char* HintOf(int id) {
  switch (id) {
    case kTransparentButton1: return "Exit";
    case kTransparentButton2: return "Help";
    case kButton2:
    case kButton3: return "Browse";
    default:
      if (id == S(Sender::btnUndo)) return "Undo";
      if (id == S(Sender::btnFront)) return "Front";
      return nullptr;
  }
}

// What the title strip buttons show; their window text is their name.
const char* FaceOf(int id) {
  if (id == kTransparentButton1) return "X";
  if (id == kTransparentButton2) return "?";
  return nullptr;
}

std::string WithMnemonic(const std::string& caption) { return caption.empty() ? caption : "&" + caption; }

void SetCheck(HWND h, bool on) {
  if ((SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) SendMessageA(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool Checked(HWND h) { return SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool IsSender(int id) { return id >= kSenderId && id <= kSenderId + int(Sender::btnFront); }
}  // namespace

MainWindow::MainWindow(TForm1& form, Win32WindowUi& ui) : form_(form), ui_(ui), items_(MakeItems()) {
  pageBrush_ = CreateSolidBrush(kPageColour);
  stripBrush_ = CreateSolidBrush(kStripColour);
  bandBrush_ = CreateSolidBrush(kBandColour);
}

MainWindow::~MainWindow() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (HBRUSH b : {pageBrush_, stripBrush_, bandBrush_}) DeleteObject(b);
  for (HICON i : pictures_)
    if (i) DestroyIcon(i);
  delete items_;
}

HWND MainWindow::Control(int id) const {
  for (const Item& i : *items_)
    if (i.id == id) return i.hwnd;
  return nullptr;
}

HWND MainWindow::SenderButton(Sender s) const { return Control(S(s)); }

void MainWindow::Create(const std::string& firstArgument, int showCommand) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    wc.lpszClassName = kClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  hwnd_ = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClass, "Ostrivane", WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
                          0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  ui_.SetOwner(hwnd_);
  dpi_ = DpiOf(hwnd_);
  // Pictures of the introduction pages: the system's folder and document icons.
  ExtractIconExA("shell32.dll", 3, &pictures_[0], nullptr, 1);
  ExtractIconExA("shell32.dll", 4, &pictures_[1], nullptr, 1);
  ExtractIconExA("shell32.dll", 0, &pictures_[2], nullptr, 1);
  MakeControls();
  Layout();
  Guarded([&] { form_.FormShow(firstArgument); });
  FillDriveItems();
  Show();
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  if (HWND first = Control(DefaultId())) SetFocus(first);
}

void MainWindow::MakeControls() {
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  for (Item& it : *items_) {
    DWORD style = 0;
    const char* cls = "STATIC";
    std::string text = it.text;
    switch (it.kind) {
      case K::Text:
      case K::Bold:
      case K::Heading:
      case K::Title:
      case K::Small: style = SS_LEFT | (text.find('&') == std::string::npos ? SS_NOPREFIX : 0); break;
      case K::Link: style = SS_NOTIFY | WS_TABSTOP; break;
      case K::Button: cls = "BUTTON"; style = WS_TABSTOP | BS_PUSHBUTTON; break;
      case K::DefButton: cls = "BUTTON"; style = WS_TABSTOP | BS_DEFPUSHBUTTON; break;
      case K::Flat: cls = "BUTTON"; style = WS_TABSTOP | BS_OWNERDRAW; break;
      case K::Check: cls = "BUTTON"; style = WS_TABSTOP | BS_AUTOCHECKBOX; break;
      case K::Edit: cls = "EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL; break;
      case K::ReadOnly: cls = "EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY; break;
      case K::Letter: cls = "EDIT"; style = WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_CENTER; break;
      case K::List: cls = "LISTBOX"; style = WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT; break;
      case K::Combo: cls = "COMBOBOX"; style = WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL; break;
      case K::Drives:
        cls = WC_LISTVIEWA;
        style = WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
        break;
      case K::Tree:
        cls = WC_TREEVIEWA;
        style = WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
        break;
    }
    // The list and tree controls take their accessible names from the label
    // before them; their own window text stays empty.
    if (it.kind == K::Drives || it.kind == K::Tree) text.clear();
    it.hwnd = MakeChild(hwnd_, cls, text, style, it.id);
    if (const char* hint = HintOf(it.id)) {
      TOOLINFOA ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = hwnd_;
      ti.uId = UINT_PTR(it.hwnd);
      ti.lpszText = const_cast<char*>(hint);
      SendMessageA(tooltip_, TTM_ADDTOOLA, 0, LPARAM(&ti));
    }
  }
  if (HWND edit = Control(kEdit3)) SendMessageA(edit, EM_LIMITTEXT, 1, 0);
  if (HWND edit = Control(kEdit4)) SendMessageA(edit, EM_LIMITTEXT, 1, 0);
  HWND combo = Control(kSuiComboBox1);
  for (const char* age : {"1 day old", "1 week old", "1 month old", "Do Not Delete"}) SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(age));
  HWND list = Control(kSuiListView1);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNA col{};
  col.mask = LVCF_WIDTH;
  col.cx = 400;
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, LPARAM(&col));
  // The system's list of small icons, shared with the shell (not ours to free).
  SHFILEINFOA info{};
  auto images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (images) SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
  left_.Attach(Control(kShellTreeView1));
  right_.Attach(Control(kShellTreeView2));
}

void MainWindow::Layout() {
  fonts_.Create(dpi_);
  SizeAndCentre(hwnd_, kClientW, kClientH, dpi_);
  for (Item& it : *items_) {
    MoveWindow(it.hwnd, Scale(it.x, dpi_), Scale(it.y, dpi_), Scale(it.w, dpi_), Scale(it.h, dpi_), FALSE);
    HFONT f = fonts_.normal;
    switch (it.kind) {
      case K::Bold: f = fonts_.bold; break;
      case K::Heading: f = fonts_.heading; break;
      case K::Title: f = fonts_.title; break;
      case K::Link: f = fonts_.link; break;
      case K::Flat: f = fonts_.bold; break;
      case K::Letter: f = fonts_.bold; break;
      default: break;
    }
    SendMessageA(it.hwnd, WM_SETFONT, WPARAM(f), FALSE);
  }
  SendMessageA(Control(kSuiListView1), LVM_SETCOLUMNWIDTH, 0, Scale(400, dpi_));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool MainWindow::Visible(const Item& it) const {
  if (it.page != Page::None) return it.page == form_.CurrentPage;
  if (it.id >= kTpnlMove && it.id < kTpnlSwitch) return form_.tpnlMoveVisible;
  if (it.id >= kTpnlSwitch && it.id < kTpnlFind) return form_.tpnlSwitchVisible;
  if (it.id >= kTpnlFind && it.id < kStaticFirst) return form_.tpnlFindVisible;
  if (it.id == kSuiCheckBox1) return form_.suiCheckBox1Visible;
  if (it.id == kLabel71) return form_.Label71Visible;
  return true;  // the title strip
}

void MainWindow::Show() {
  syncing_ = true;
  const TForm1& f = form_;
  const auto text = [this](int id, const std::string& s) { SetTextIfChanged(Control(id), s); };
  text(kLabel15, f.Label15);
  text(kLabel9, f.Label9);
  text(kLabel10, f.Label10);
  text(kLabel12, f.Label12);
  text(kLabel16, f.Label16);
  text(kLabel18, f.Label18);
  text(kLabel28, f.Label28);
  text(kLabel14, f.Label14);
  text(kLabel21, f.Label21);
  text(kLabel13, f.Label13);
  text(kLabel27, f.Label27);
  text(kLabel41, f.Label41Visible ? f.Label41 : "");
  text(kLabel39, f.Label39);
  text(kLabel68, f.Label68);
  text(kLabel70, f.Label70Visible ? f.Label70 : "");
  text(kLabel69, f.Label69);
  text(kEdit1, f.Edit1);
  text(kEdit3, f.Edit3);
  text(kEdit4, f.Edit4);
  text(kEdit5, f.Edit5);
  text(kEdit6, f.Edit6);
  text(S(Sender::btnMoveStartNext), WithMnemonic(f.btnMoveStartNext.caption));
  text(S(Sender::btnMoveParamNext), WithMnemonic(f.btnMoveParamNext.caption));
  text(S(Sender::btnFindStartNext), WithMnemonic(f.btnFindStartNext.caption));
  text(S(Sender::btnTargetNext), WithMnemonic(f.btnTargetNext.caption));
  SetCheck(Control(kSuiCheckBox1), f.suiCheckBox1);
  SetCheck(Control(kSuiCheckBox2), f.suiCheckBox2);
  SetCheck(Control(kSuiCheckBox3), f.ctx.verify.suiCheckBox3);
  SetCheck(Control(kSuiCheckBox4), f.ctx.verify.suiCheckBox4);
  SetCheck(Control(kSuiCheckBox5), f.ctx.verify.suiCheckBox5);
  SetCheck(Control(kChbxRegistry), f.ctx.targets.chbxRegistry);
  SetCheck(Control(kChbxIni), f.ctx.targets.chbxIni);
  SetCheck(Control(kChbxShortcuts), f.ctx.targets.chbxShortcuts);
  SetCheck(Control(kChbxAllFiles), f.ctx.targets.chbxAllFiles);
  HWND list = Control(kListBox1);
  if (shownUndoLines_ != f.ListBox1) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : f.ListBox1) SendMessageA(list, LB_ADDSTRING, 0, LPARAM(line.c_str()));
    shownUndoLines_ = f.ListBox1;
  }
  if (int(SendMessageA(list, LB_GETCURSEL, 0, 0)) != f.ListBox1Index) SendMessageA(list, LB_SETCURSEL, WPARAM(f.ListBox1Index), 0);
  HWND combo = Control(kSuiComboBox1);
  if (int(SendMessageA(combo, CB_GETCURSEL, 0, 0)) != f.suiComboBox1) SendMessageA(combo, CB_SETCURSEL, WPARAM(f.suiComboBox1), 0);

  // The trees are listed when the move page is first shown, not at start.
  if (f.CurrentPage == Page::pnlMoveStart && !left_.Loaded()) {
    left_.Reload();
    right_.Reload();
  }
  HWND focus = GetFocus();
  for (const Item& it : *items_) ShowIfChanged(it.hwnd, Visible(it));
  // Focus on a hidden control would swallow the keyboard: move it to the page's default.
  if (!focus || !IsWindowVisible(focus) || !IsChild(hwnd_, focus))
    if (HWND def = Control(DefaultId()); def && IsWindowVisible(def) && GetForegroundWindow() == hwnd_) SetFocus(def);
  for (const Item& it : *items_)
    if (it.kind == K::DefButton || it.kind == K::Button)
      SendMessageA(it.hwnd, BM_SETSTYLE, it.id == DefaultId() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  if (form_.Timer1Enabled)
    SetTimer(hwnd_, kTimer1, 50, nullptr);
  else
    KillTimer(hwnd_, kTimer1);
  InvalidateRect(hwnd_, nullptr, FALSE);
  syncing_ = false;
}

void MainWindow::FillDriveItems() {
  HWND list = Control(kSuiListView1);
  syncing_ = true;
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const DriveRow& d : form_.ctx.drives) {
    SHFILEINFOA info{};
    SHGetFileInfoA(d.root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = const_cast<char*>(d.caption.c_str());
    item.iImage = info.iIcon;
    const int at = int(SendMessageA(list, LVM_INSERTITEMA, 0, LPARAM(&item)));
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = d.selected ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, WPARAM(at), LPARAM(&state));
    ++row;
  }
  syncing_ = false;
}

void MainWindow::ReadDriveSelection() {
  HWND list = Control(kSuiListView1);
  for (std::size_t i = 0; i < form_.ctx.drives.size(); ++i)
    form_.ctx.drives[i].selected = SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) != 0;
}

int MainWindow::DefaultId() const {
  for (const Item& it : *items_)
    if (it.kind == K::DefButton && it.page == form_.CurrentPage) return it.id;
  return 0;
}

int MainWindow::BackId() const {
  switch (form_.CurrentPage) {
    case Page::pnlBegin2: return S(Sender::btnBegin2Back);
    case Page::pnlBegin3: return S(Sender::btnBegin3Back);
    case Page::pnlMoveStart2: return S(Sender::btnMoveStartBack);
    case Page::pnlMoveParam: return S(Sender::btnMoveParamBack);
    case Page::pnlSwitchStart: return S(Sender::btnSwitchStartBack);
    case Page::pnlFindStart: return S(Sender::btnFindStartBack);
    case Page::pnlTargets: return S(Sender::btnTargetBack);
    case Page::pnlDrives: return S(Sender::btnDrivesBack);
    case Page::pnlUndo: return S(Sender::btnToFront);
    default: return 0;
  }
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (!hwnd_ || !IsWindowEnabled(hwnd_)) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  return IsDialogMessageA(hwnd_, &msg) != 0;
}

void MainWindow::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    // The application's general error report.
    MessageBoxA(hwnd_, e.what(), kAppTitle, MB_OK | MB_ICONERROR);
  }
}

void MainWindow::Press(Sender s) { Command(S(s), BN_CLICKED, SenderButton(s)); }

void MainWindow::Command(int id, int code, HWND from) {
  (void)from;
  if (syncing_) return;
  TForm1& f = form_;
  bool turned = false;
  switch (id) {
    case kEdit1: return;  // read-only: filled by the folder picker
    case kEdit3:
    case kEdit4:
    case kEdit5:
    case kEdit6:
      if (code == EN_CHANGE) {
        const std::string t = WindowText(Control(id));
        (id == kEdit3 ? f.Edit3 : id == kEdit4 ? f.Edit4 : id == kEdit5 ? f.Edit5 : f.Edit6) = t;
      }
      return;
    case kListBox1:
      if (code == LBN_SELCHANGE) f.ListBox1Index = int(SendMessageA(Control(kListBox1), LB_GETCURSEL, 0, 0));
      return;
    case kSuiComboBox1:
      if (code == CBN_SELCHANGE) Guarded([&] { f.suiComboBox1Change(int(SendMessageA(Control(id), CB_GETCURSEL, 0, 0))); });
      break;
    default:
      if (code != BN_CLICKED && code != STN_CLICKED) return;
      break;
  }
  switch (id) {
    case kSuiCheckBox1: f.suiCheckBox1Click(Checked(Control(id))); break;
    case kSuiCheckBox2: f.suiCheckBox2 = Checked(Control(id)); break;
    case kSuiCheckBox3: f.ctx.verify.suiCheckBox3 = Checked(Control(id)); break;
    case kSuiCheckBox4: f.ctx.verify.suiCheckBox4 = Checked(Control(id)); break;
    case kSuiCheckBox5: f.ctx.verify.suiCheckBox5 = Checked(Control(id)); break;
    case kChbxRegistry:
    case kChbxIni:
    case kChbxShortcuts:
    case kChbxAllFiles:
      f.ctx.targets.chbxRegistry = Checked(Control(kChbxRegistry));
      f.ctx.targets.chbxIni = Checked(Control(kChbxIni));
      f.ctx.targets.chbxShortcuts = Checked(Control(kChbxShortcuts));
      f.ctx.targets.chbxAllFiles = Checked(Control(kChbxAllFiles));
      f.TargetChecksClick();
      break;
    case kButton1: Guarded([&] { f.Button1Click(); }); break;
    case kButton2: Guarded([&] { f.Button2Click(); }); break;
    case kButton3: Guarded([&] { f.Button3Click(); }); break;
    case kSuiButton1: Guarded([&] { f.suiButton1Click(); }); break;
    case kSuiButton2: Guarded([&] { f.suiButton2Click(); }); break;
    case kTransparentButton1: PostMessageA(hwnd_, WM_CLOSE, 0, 0); break;
    case kTransparentButton2: Guarded([&] { f.TransparentButton2Click(); }); break;
    case kLabel65: Guarded([&] { f.Label65Click(); }); break;
    case kLabel66: Guarded([&] { f.Label66Click(); }); break;
    case kSuiButton3:
      left_.Reload();
      right_.Reload();
      break;
    case IDOK:
      if (int def = DefaultId()) Command(def, BN_CLICKED, Control(def));
      return;
    case IDCANCEL:
      if (dragging_) {
        EndDrag(false);
        return;
      }
      if (int back = BackId()) Command(back, BN_CLICKED, Control(back));
      return;
    default:
      if (IsSender(id)) {
        // No input while a run is on: the window is disabled for the length
        // of any turn that may start one, and the model refuses besides.
        ReadDriveSelection();
        EnableWindow(hwnd_, FALSE);
        Guarded([&] { f.TurnPage(Sender(id - kSenderId)); });
        EnableWindow(hwnd_, TRUE);
        turned = true;
        // A move that got past its checks leaves both trees unselected.
        const Sender s = Sender(id - kSenderId);
        if ((s == Sender::btnMoveStartNext || s == Sender::btnMoveParamNext) && !f.Label10.empty() &&
            !f.Label15.empty() && !f.Label16.empty()) {
          left_.ClearSelection();
          right_.ClearSelection();
        }
      }
      break;
  }
  if (f.Terminated) {
    DestroyWindow(hwnd_);
    return;
  }
  Show();
  if (turned && GetForegroundWindow() != hwnd_) SetForegroundWindow(hwnd_);
  if (turned) {
    HWND focus = GetFocus();
    if (!focus || !IsWindowVisible(focus))
      if (HWND def = Control(DefaultId())) SetFocus(def);
  }
}

void MainWindow::Paint(HDC dc) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(dc, &rc, pageBrush_);
  RECT strip{0, 0, rc.right, Scale(kStripH, dpi_)};
  FillRect(dc, &strip, stripBrush_);
  if (form_.tpnlMoveVisible || form_.tpnlSwitchVisible || form_.tpnlFindVisible) {
    RECT band{0, strip.bottom, rc.right, Scale(88, dpi_)};
    FillRect(dc, &band, bandBrush_);
  }
  // The introduction pages' pictures: an item travelling from one folder to another.
  const int icon = Scale(32, dpi_);
  auto draw = [&](HICON i, int x, int y) {
    if (i) DrawIconEx(dc, Scale(x, dpi_), Scale(y, dpi_), i, icon, icon, 0, nullptr, DI_NORMAL);
  };
  if (form_.CurrentPage == Page::pnlBegin) {
    draw(pictures_[0], 40, 230);
    draw(pictures_[0], 250, 230);
    draw(pictures_[2], form_.Image14.left, form_.Image14.top + 126);
  } else if (form_.CurrentPage == Page::pnlBegin2) {
    draw(pictures_[0], 20, 230);
    draw(pictures_[0], 220, 230);
    draw(pictures_[1], form_.Image12.left, form_.Image12.top + 126);
  }
}

void MainWindow::DrawOwnerButton(const DRAWITEMSTRUCT& d) {
  FillRect(d.hDC, &d.rcItem, stripBrush_);
  const bool pressed = d.itemState & ODS_SELECTED, focused = d.itemState & ODS_FOCUS;
  if (pressed || focused) {
    HBRUSH frame = CreateSolidBrush(RGB(120, 150, 190));
    FrameRect(d.hDC, &d.rcItem, frame);
    DeleteObject(frame);
  }
  const char* face = FaceOf(int(d.CtlID));
  const std::string text = face ? face : WindowText(d.hwndItem);
  SetBkMode(d.hDC, TRANSPARENT);
  SetTextColor(d.hDC, pressed ? RGB(180, 200, 230) : RGB(255, 255, 255));
  RECT r = d.rcItem;
  ::DrawTextA(d.hDC, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT MainWindow::TreeNotify(const NMHDR& n) {
  FolderTree& tree = n.idFrom == UINT_PTR(kShellTreeView1) ? left_ : right_;
  const auto& tv = reinterpret_cast<const NMTREEVIEWA&>(n);
  switch (n.code) {
    case TVN_ITEMEXPANDINGA:
      if (tv.action & TVE_EXPAND) return tree.Expanding(tv.itemNew.hItem) ? TRUE : FALSE;
      return FALSE;
    case TVN_BEGINDRAGA:
      // Items are dragged from the left tree only.
      if (&tree == &left_) BeginDrag(tv.itemNew.hItem);
      return 0;
  }
  return 0;
}

void MainWindow::BeginDrag(HTREEITEM item) {
  // The item dragged is the left tree's selected node.
  SendMessageA(left_.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
  dragging_ = true;
  dropTarget_ = nullptr;
  SetCapture(hwnd_);
  SetFocus(hwnd_);  // Esc ends the drag
  ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_NO)));
}

void MainWindow::EndDrag(bool drop) {
  dragging_ = false;
  HTREEITEM target = dropTarget_;
  SendMessageA(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  dropTarget_ = nullptr;
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (drop && target) DragDrop(target);
}

bool MainWindow::DragOver(HTREEITEM target) {
  const NodeChain dragged = left_.ChainOf(left_.Selected());
  const NodeChain under = right_.ChainOf(target);
  const HTREEITEM hilite = target && form_.ToDragOver(TreeSide::MoveFrom, TreeSide::MoveTo, dragged, &under) ? target : nullptr;
  if (hilite != dropTarget_) SendMessageA(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(hilite));
  dropTarget_ = hilite;
  return hilite != nullptr;
}

void MainWindow::DragDrop(HTREEITEM target) {
  if (!target) return;
  Guarded([&] { form_.ToDragDrop(TreeSide::MoveFrom, left_.ChainOf(left_.Selected()), right_.ChainOf(target)); });
  Show();
}

LRESULT CALLBACK MainWindow::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = h;
    SetWindowLongPtrA(h, GWLP_USERDATA, LONG_PTR(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(h, GWLP_USERDATA));
  if (!self) return DefWindowProcA(h, msg, wp, lp);
  return self->Handle(h, msg, wp, lp);
}

LRESULT MainWindow::Handle(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (LRESULT result = 0; onMessage && onMessage(msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_COMMAND:
      Command(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY: {
      const auto* n = reinterpret_cast<const NMHDR*>(lp);
      if (n->idFrom == UINT_PTR(kSuiListView1) && n->code == LVN_ITEMCHANGED && !syncing_) ReadDriveSelection();
      if (n->idFrom == UINT_PTR(kShellTreeView1) || n->idFrom == UINT_PTR(kShellTreeView2)) return TreeNotify(*n);
      return 0;
    }
    case DM_GETDEFID:
      if (int def = DefaultId()) return MAKELRESULT(def, DC_HASDEFID);
      return 0;
    case WM_TIMER:
      if (wp == kTimer1) {
        form_.Timer1Timer();
        RECT r{0, Scale(200, dpi_), Scale(kClientW, dpi_), Scale(300, dpi_)};
        InvalidateRect(hwnd_, &r, FALSE);
      }
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT rc;
      GetClientRect(hwnd_, &rc);
      // Drawn off screen first, so the travelling picture does not flicker.
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right, rc.bottom);
      HGDIOBJ old = SelectObject(mem, bmp);
      Paint(mem);
      BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lp));
      for (const Item& it : *items_) {
        if (it.id != id) continue;
        if (it.kind == K::ReadOnly) break;
        SetBkMode(dc, TRANSPARENT);
        if (it.zone == Zone::Strip) {
          SetTextColor(dc, RGB(255, 255, 255));
          return LRESULT(stripBrush_);
        }
        if (it.kind == K::Link) SetTextColor(dc, RGB(0, 80, 180));
        if (it.kind == K::Small) SetTextColor(dc, RGB(110, 110, 110));
        if (it.kind == K::Title || it.kind == K::Heading) SetTextColor(dc, kStripColour);
        return LRESULT(it.zone == Zone::Band ? bandBrush_ : pageBrush_);
      }
      break;
    }
    case WM_DRAWITEM: DrawOwnerButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_MOUSEMOVE:
      if (dragging_) {
        POINT pt;
        GetCursorPos(&pt);
        const bool accepted = DragOver(right_.ItemAt(pt));
        ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(accepted ? IDC_ARROW : IDC_NO)));
      }
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) EndDrag(true);
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(lp) != hwnd_) EndDrag(false);
      return 0;
    case WM_KEYDOWN:
      if (dragging_ && wp == VK_ESCAPE) EndDrag(false);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Any mouse button on the title strip drags the window.
      if (short(HIWORD(lp)) < Scale(kStripH, dpi_)) {
        ReleaseCapture();
        SendMessageA(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wp));
        if (id == kLabel65 || id == kLabel66) {
          ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
          return TRUE;
        }
      }
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      Layout();
      return 0;
    }
    case WM_CLOSE:
      Guarded([&] {
        if (form_.FormCloseQuery()) DestroyWindow(hwnd_);
      });
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimer1);
      hwnd_ = nullptr;
      if (onDestroyed) onDestroyed();
      return 0;
  }
  return DefWindowProcA(h, msg, wp, lp);
}
