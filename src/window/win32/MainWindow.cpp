#include "window/win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <exception>

#include "core/win32/WidePath.h"
#include "window/Settings.h"
#include "window/win32/Win32WindowUi.h"
#include "window/win32/WindowClass.h"
#include "OstrivaneVersion.h"

namespace {
constexpr const char* kVersionText = "Version " OSTRIVANE_VERSION;
constexpr int kClientW = 488, kClientH = 403;
constexpr int kStripH = 30;
constexpr UINT_PTR kIntroAnimationTimer = 1;
constexpr COLORREF kPageColour = RGB(248, 250, 253);
constexpr COLORREF kStripColour = RGB(31, 58, 95);
constexpr COLORREF kBandColour = RGB(228, 236, 247);

// Path and BoldPath: read-only wrapping fields, so a long path is read whole and can be selected.
enum class Kind { Text, Bold, Heading, Title, Small, Button, DefButton, Flat, Check, Edit, ReadOnly, Letter, List, Combo, Drives, Tree, Link, Path, BoldPath, Review, Report };
enum class Zone { Page, Strip, Band };

int SenderControlId(Sender s) { return kSenderId + int(s); }

bool WindowClassIs(HWND h, const wchar_t* name) {
  wchar_t cls[32] = {};
  GetClassNameW(h, cls, 32);
  return lstrcmpiW(cls, name) == 0;
}
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
      {kTitleStripName, P::None, K::Heading, "Ostrivane", 12, 4, 150, 22, Zone::Strip},
      {SenderControlId(Sender::TitleFront), P::None, K::Flat, "Front", 246, 4, 50, 22, Zone::Strip},
      {SenderControlId(Sender::TitleUndo), P::None, K::Flat, "Undo", 300, 4, 50, 22, Zone::Strip},
      {kHelpButton, P::None, K::Flat, "Help", 354, 4, 40, 22, Zone::Strip},
      {kMinimiseButton, P::None, K::Flat, "Minimise", 398, 4, 36, 22, Zone::Strip},
      {kExitButton, P::None, K::Flat, "Exit", 438, 4, 40, 22, Zone::Strip},
      // Description panels
      {kMoveDescription, P::None, K::Bold, "Move and Map", 16, 38, 300, 18, Zone::Band},
      {kMoveDescription + 1, P::None, K::Text, "moves files and folders to another location and maps system links to the new location", 16, 56, 456, 30, Zone::Band},
      {kSwitchDescription, P::None, K::Bold, "Switch Drives", 16, 38, 300, 18, Zone::Band},
      {kSwitchDescription + 1, P::None, K::Text, "searches for links to one drive letter and switches them to the other drive letter, and vice versa.", 16, 56, 456, 30, Zone::Band},
      {kSwitchDescription + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band},
      {kMapOnlyDescription, P::None, K::Bold, "Map Only", 16, 38, 300, 18, Zone::Band},
      {kMapOnlyDescription + 1, P::None, K::Text, "searches for system links to the old item and changes them to its new location.", 16, 56, 456, 30, Zone::Band},
      {kMapOnlyDescription + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band},

      // Intro1
      {kAuto, P::Intro1, K::Heading, "Without", 24, 44, 200, 26},
      {kAuto, P::Intro1, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::Intro1, K::Text, "Moving files without Ostrivane leads to left behind clutter, errors, and programs not knowing where the file was moved to.", 24, 124, 440, 48},
      {kAuto, P::Intro1, K::Bold, "Move it the correct way with Ostrivane.", 24, 304, 440, 20},
      {SenderControlId(Sender::Intro1Next), P::Intro1, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // Intro2
      {kAuto, P::Intro2, K::Heading, "With", 24, 44, 200, 26},
      {kAuto, P::Intro2, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::Intro2, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 20},
      {kAuto, P::Intro2, K::Text, "Ostrivane moves the shortcuts, links, references, and registry entries with the moved file", 24, 304, 440, 36},
      {SenderControlId(Sender::Intro2Back), P::Intro2, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::Intro2Next), P::Intro2, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // Intro3
      {kAuto, P::Intro3, K::Title, "Ostrivane", 24, 44, 300, 44},
      {kMoreInformationLink, P::Intro3, K::Link, "Click Here for more &Information", 24, 120, 300, 20},
      {kAskQuestionsLink, P::Intro3, K::Link, "Click Here to &Ask Questions", 24, 148, 300, 20},
      {kSkipIntroduction, P::Intro3, K::Check, "&Skip Introduction", 24, 330, 200, 22},
      {SenderControlId(Sender::Intro3Back), P::Intro3, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::Intro3Next), P::Intro3, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // Front
      {kAuto, P::Front, K::Title, "Ostrivane", 24, 38, 300, 44},
      {kAuto, P::Front, K::Text, "Moving files without Ostrivane leads to errors, left behind litter, and programs not knowing where the file was moved to.", 24, 86, 440, 34},
      {kAuto, P::Front, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 18},
      {kAuto, P::Front, K::Text, "Ostrivane not only moves files, but it also re-maps system links that point to the moved files.", 24, 146, 440, 34},
      {SenderControlId(Sender::MoveAndMap), P::Front, K::DefButton, "&Move and Map", 24, 196, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button to move items and map them.", 156, 205, 310, 20},
      {SenderControlId(Sender::SwitchDrives), P::Front, K::Button, "&Switch Drives", 24, 246, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button to map the drive letters of drives that you have switched.", 156, 248, 250, 32},
      {kAuto, P::Front, K::Small, "Advanced", 410, 255, 64, 16},
      {SenderControlId(Sender::MapOnly), P::Front, K::Button, "Map &Only", 24, 296, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button if you have already moved items but would like to map them.", 156, 298, 250, 32},
      {kAuto, P::Front, K::Small, "Advanced", 410, 305, 64, 16},
      // MoveTrees
      {kAuto, P::MoveTrees, K::Text, "Drag an item from the left box to where you want it to be moved to in the right box.  All files and folders in the dragged item will be moved and mapped.", 16, 92, 456, 34},
      {kAuto, P::MoveTrees, K::Bold, "Move &From...", 16, 130, 200, 18},
      {kMoveFromTree, P::MoveTrees, K::Tree, "Move From...", 16, 148, 224, 208},
      {kAuto, P::MoveTrees, K::Bold, "Move &To...", 248, 130, 140, 18},
      {kMoveToTree, P::MoveTrees, K::Tree, "Move To...", 248, 148, 224, 208},
      {kRefreshTrees, P::MoveTrees, K::Button, "&Refresh", 392, 122, 80, 24},
      {SenderControlId(Sender::MoveTreesBack), P::MoveTrees, K::Button, "&Back", backX - 16, bottom, bw, bh},
      {kMoveSelectedPair, P::MoveTrees, K::DefButton, "Mo&ve to...", nextX - 16, bottom, bw + 16, bh},
      // MoveConfirm
      // Room for a path of 260 characters in each path field.
      {kConfirmItemName, P::MoveConfirm, K::BoldPath, "", 24, 92, 440, 32},
      {kConfirmFromLine, P::MoveConfirm, K::Text, "", 24, 124, 440, 16},
      {kConfirmSourceFolder, P::MoveConfirm, K::BoldPath, "", 24, 140, 440, 62},
      {kConfirmToLine, P::MoveConfirm, K::Text, "", 24, 202, 440, 16},
      {kConfirmDestination, P::MoveConfirm, K::BoldPath, "", 24, 218, 440, 62},
      {kAuto, P::MoveConfirm, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 280, 440, 30},
      {kMoveConfirmHint, P::MoveConfirm, K::Text, "", 24, 310, 440, 16},
      {kVerifyMoveConfirm, P::MoveConfirm, K::Check, "Stop and &Verify each Mapping Change", 24, 326, 300, 20},
      {kShowChangesMoveConfirm, P::MoveConfirm, K::Check, "Show &changes before they are made", 24, 346, 260, 20},
      {SenderControlId(Sender::MoveConfirmBack), P::MoveConfirm, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::MoveConfirmNext), P::MoveConfirm, K::DefButton, "", nextX, bottom, bw, bh},
      // MoveGiven
      {kGivenItemName, P::MoveGiven, K::BoldPath, "", 24, 92, 440, 32},
      {kAuto, P::MoveGiven, K::Text, "and all files and folders in it will be moved from", 24, 124, 440, 16},
      {kGivenSourceFolder, P::MoveGiven, K::BoldPath, "", 24, 140, 440, 62},
      {kAuto, P::MoveGiven, K::Text, "&to", 24, 204, 440, 16},
      {kGivenDestination, P::MoveGiven, K::Edit, "", 24, 222, 344, 24},
      {kBrowseDestination, P::MoveGiven, K::Button, "Bro&wse", 376, 221, 88, 26},
      {kAuto, P::MoveGiven, K::Text, "If the above information is not correct, click on the Back button and correct it.", 24, 254, 440, 30},
      {kMoveGivenHint, P::MoveGiven, K::Text, "", 24, 286, 440, 16},
      {kVerifyMoveGiven, P::MoveGiven, K::Check, "Stop and &Verify each Mapping Change", 24, 306, 300, 22},
      {kShowChangesMoveGiven, P::MoveGiven, K::Check, "Show &changes before they are made", 24, 330, 300, 22},
      {SenderControlId(Sender::MoveGivenBack), P::MoveGiven, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::MoveGivenNext), P::MoveGiven, K::DefButton, "", nextX, bottom, bw, bh},
      // SwitchDrives
      {kAuto, P::SwitchDrives, K::Text, "Please specify the two drive letters to switch below.", 24, 100, 440, 18},
      {kAuto, P::SwitchDrives, K::Text, "&Drive Letter:", 24, 138, 100, 18},
      {kFirstDrive, P::SwitchDrives, K::Letter, "", 130, 134, 36, 24},
      {kAuto, P::SwitchDrives, K::Text, "Drive &Letter:", 24, 174, 100, 18},
      {kSecondDrive, P::SwitchDrives, K::Letter, "", 130, 170, 36, 24},
      {kShowChangesSwitch, P::SwitchDrives, K::Check, "Show &changes before they are made", 24, 214, 300, 22},
      {SenderControlId(Sender::SwitchBack), P::SwitchDrives, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::SwitchNext), P::SwitchDrives, K::DefButton, "&Next", nextX, bottom, bw, bh},
      // MapOnly
      {kAuto, P::MapOnly, K::Text, "Please type what to find and what to replace it with below.", 24, 100, 440, 18},
      {kAuto, P::MapOnly, K::Text, "&Find what:", 24, 138, 96, 18},
      {kFindWhat, P::MapOnly, K::Edit, "", 122, 134, 302, 24},
      {kBrowseFindWhat, P::MapOnly, K::Button, "...", 430, 133, 34, 26},
      {kAuto, P::MapOnly, K::Text, "Replace &with:", 24, 174, 96, 18},
      {kReplaceWith, P::MapOnly, K::Edit, "", 122, 170, 302, 24},
      {kBrowseReplaceWith, P::MapOnly, K::Button, "...", 430, 169, 34, 26},
      {kVerifyMapOnly, P::MapOnly, K::Check, "Stop and &Verify each Mapping Change", 24, 214, 300, 22},
      {kShowChangesMapOnly, P::MapOnly, K::Check, "Show &changes before they are made", 24, 240, 300, 22},
      {SenderControlId(Sender::MapOnlyBack), P::MapOnly, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::MapOnlyNext), P::MapOnly, K::DefButton, "", nextX, bottom, bw, bh},
      // Targets
      {kAuto, P::Targets, K::Text, "Please select what to search through.", 24, 100, 440, 18},
      {kRegistryTarget, P::Targets, K::Check, "&Registry", 40, 130, 300, 22},
      {kSettingsTarget, P::Targets, K::Check, "S&ettings", 40, 156, 300, 22},
      {kShortcutsTarget, P::Targets, K::Check, "S&hortcuts", 40, 182, 300, 22},
      {kConfigurationFilesTarget, P::Targets, K::Check, "&Configuration files", 40, 208, 300, 22},
      {kAllFilesTarget, P::Targets, K::Check, "&All Files (not recommended)", 40, 234, 300, 22},
      {kTargetsHint, P::Targets, K::Text, "", 24, 272, 440, 18},
      {SenderControlId(Sender::TargetsBack), P::Targets, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::TargetsNext), P::Targets, K::DefButton, "", nextX, bottom, bw, bh},
      // Drives
      {kAuto, P::Drives, K::Text, "Select the drives to do mapping on.", 24, 94, 440, 18},
      {kAuto, P::Drives, K::Text, "By default, all harddrives are selected.  Hold down on the Ctrl key to select more than one drive.", 24, 114, 440, 32},
      {kDriveList, P::Drives, K::Drives, "Drives", 24, 150, 440, 180},
      {kAuto, P::Drives, K::Text, "Press the Start button to Begin", 24, 336, 260, 18},
      {SenderControlId(Sender::DrivesBack), P::Drives, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::DrivesStart), P::Drives, K::DefButton, "&Start", nextX, bottom, bw, bh},
      // Finished
      {kFinishedTitle, P::Finished, K::Title, "", 24, 110, 440, 44},
      {kFinishedMoveLine, P::Finished, K::Text, "", 24, 164, 440, 18},
      {kFinishedCount, P::Finished, K::Bold, "", 24, 186, 440, 18},
      {SenderControlId(Sender::GoToStart), P::Finished, K::Button, "&Go to Start", backX - 16, bottom, bw + 16, bh},
      {SenderControlId(Sender::Exit), P::Finished, K::DefButton, "E&xit", nextX, bottom, bw, bh},
      // Cancelled
      {kCancelledTitle, P::Cancelled, K::Title, "", 24, 110, 440, 44},
      {kCancelledMoveLine, P::Cancelled, K::Text, "", 24, 164, 440, 18},
      {kCancelledCount, P::Cancelled, K::Bold, "", 24, 186, 440, 18},
      // either end page, when the run passed over places
      {kPassedOverLine, P::None, K::Text, "", 24, 214, 330, 18},
      {kShowPassedOver, P::None, K::Button, "S&how", 360, 209, 88, 26},
      // either end page, when another start handed an item over during the run
      {kHandOverNotice, P::None, K::Path, "", 24, 244, 354, 114},
      {SenderControlId(Sender::HandOverGo), P::None, K::Button, "G&o", 392, 248, bw, bh},
      // either end page, when the run wrote a change report
      {SenderControlId(Sender::ShowChanges), P::None, K::Button, "Show what &changed", 24, bottom, 140, bh},
      {SenderControlId(Sender::GoToStartCancelled), P::Cancelled, K::Button, "&Go to Start", backX - 16, bottom, bw + 16, bh},
      {SenderControlId(Sender::ExitCancelled), P::Cancelled, K::DefButton, "E&xit", nextX, bottom, bw, bh},
      // Undo
      {kAuto, P::Undo, K::Heading, "Undo Changes", 24, 40, 440, 28},
      {kAuto, P::Undo, K::Text, "Using the list below, you can undo any changes that Ostrivane has made.", 24, 74, 440, 18},
      {kAuto, P::Undo, K::Text, "To undo changes, select an item below and then click on the Undo Changes button.", 24, 94, 440, 32},
      {kUndoList, P::Undo, K::List, "", 24, 130, 440, 164},
      {kAuto, P::Undo, K::Text, "Delete Undo &files that are older than", 24, 308, 230, 18},
      {kUndoAge, P::Undo, K::Combo, "", 260, 304, 160, 120},
      {kUndoChanges, P::Undo, K::DefButton, "&Undo Changes", 24, bottom, 112, bh},
      {kDeleteUndo, P::Undo, K::Button, "&Delete", 144, bottom, bw, bh},
      {SenderControlId(Sender::UndoDetails), P::Undo, K::Button, "De&tails", 236, bottom, bw, bh},
      {SenderControlId(Sender::UndoBack), P::Undo, K::Button, "&Back", nextX, bottom, bw, bh},
      // Review
      {kAuto, P::Review, K::Text, "&Changes found (untick what should stay as it is; space unticks):", 24, 92, 440, 18},
      {kReviewList, P::Review, K::Review, "", 24, 112, 440, 210},
      {kReviewLine, P::Review, K::Text, "", 24, 326, 440, 34},
      {SenderControlId(Sender::ReviewBack), P::Review, K::Button, "&Back", backX, bottom, bw, bh},
      {SenderControlId(Sender::ReviewApply), P::Review, K::DefButton, "&Apply", nextX, bottom, bw, bh},
      // Report
      {kReportTitle, P::Report, K::Bold, "", 24, 92, 440, 18},
      {kReportLine, P::Report, K::Path, "", 24, 112, 440, 34},
      {kReportList, P::Report, K::Report, "", 24, 150, 440, 208},
      {kOpenReportAsText, P::Report, K::Button, "Open as &text", 24, bottom, 112, bh},
      {SenderControlId(Sender::ReportBack), P::Report, K::DefButton, "&Back", nextX, bottom, bw, bh},

      // Window-wide, bottom left
      {kShowAdvanced, P::None, K::Check, "Show Advanced &Map Options", 16, 369, 230, 22},
      {kVersionLine, P::None, K::Small, kVersionText, 16, 378, 200, 16},
  };
  int next = kStaticFirst;
  for (auto& item : *v)
    if (item.id == kAuto) item.id = next++;
  return v;
}

// Tooltips (the hints of the title strip and of the small browse buttons).
const char* HintOf(int id) {
  switch (id) {
    case kExitButton: return "Exit";
    case kHelpButton: return "Help (F1)";
    case kMinimiseButton: return "Minimise";
    case kBrowseFindWhat:
    case kBrowseReplaceWith: return "Browse";
    default:
      if (id == SenderControlId(Sender::TitleUndo)) return "Undo";
      if (id == SenderControlId(Sender::TitleFront)) return "Front";
      return nullptr;
  }
}

// What the title strip buttons show; their window text is their name.
const char* FaceOf(int id) {
  if (id == kExitButton) return "X";
  if (id == kHelpButton) return "?";
  if (id == kMinimiseButton) return "_";
  return nullptr;
}

std::string WithMnemonic(const std::string& caption) { return caption.empty() ? caption : "&" + caption; }

void SetCheck(HWND h, bool on) {
  if ((SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool Checked(HWND h) { return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool IsSender(int id) { return id >= kSenderId && id <= kSenderId + int(kLastSender); }

// The path fields wrap like an edit control and can be selected, but they
// are not stops of the Tab key: Tab, Enter and Esc go on to the window.
WNDPROC pathFieldProc = nullptr;
LRESULT CALLBACK PathFieldProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT r = CallWindowProcW(pathFieldProc, h, msg, wp, lp);
  if (msg == WM_GETDLGCODE) r &= ~LRESULT(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
  return r;
}
}  // namespace

MainWindow::MainWindow(Wizard& wizard, Win32WindowUi& ui) : wizard_(wizard), ui_(ui), items_(MakeItems()) {
  pageBrush_ = CreateSolidBrush(kPageColour);
  stripBrush_ = CreateSolidBrush(kStripColour);
  bandBrush_ = CreateSolidBrush(kBandColour);
}

MainWindow::~MainWindow() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
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

HWND MainWindow::SenderButton(Sender s) const { return Control(SenderControlId(s)); }

void MainWindow::Create(const std::string& firstArgument, int showCommand) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  hwnd_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kMainWindowClass, WideText(kAppTitle).c_str(),
                          WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  ui_.SetOwner(hwnd_);
  dpi_ = DpiOf(hwnd_);
  // Pictures of the introduction pages: the system's folder and document icons.
  ExtractIconExW(L"shell32.dll", 3, &pictures_[0], nullptr, 1);
  ExtractIconExW(L"shell32.dll", 4, &pictures_[1], nullptr, 1);
  ExtractIconExW(L"shell32.dll", 0, &pictures_[2], nullptr, 1);
  MakeControls();
  Layout();
  Guarded([&] { wizard_.Start(firstArgument); });
  FillDriveItems();
  Show();
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  if (HWND first = Control(DefaultId())) SetFocus(first);
}

void MainWindow::MakeControls() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  for (Item& it : *items_) {
    if (it.kind == K::Review || it.kind == K::Report) {
      ReviewListView& view = it.kind == K::Review ? reviewView_ : reportView_;
      view.Create(hwnd_, it.id, it.kind == K::Review);
      it.hwnd = view.hwnd();
      continue;
    }
    DWORD style = 0;
    const wchar_t* cls = L"STATIC";
    std::string text = it.text;
    switch (it.kind) {
      case K::Text:
      case K::Bold:
      case K::Heading:
      case K::Title:
      case K::Small: style = SS_LEFT | (text.find('&') == std::string::npos ? SS_NOPREFIX : 0); break;
      case K::Link: style = SS_NOTIFY | WS_TABSTOP; break;
      case K::Button: cls = L"BUTTON"; style = WS_TABSTOP | BS_PUSHBUTTON; break;
      case K::DefButton: cls = L"BUTTON"; style = WS_TABSTOP | BS_DEFPUSHBUTTON; break;
      case K::Flat: cls = L"BUTTON"; style = WS_TABSTOP | BS_OWNERDRAW; break;
      case K::Check: cls = L"BUTTON"; style = WS_TABSTOP | BS_AUTOCHECKBOX; break;
      case K::Edit: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL; break;
      case K::ReadOnly: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY; break;
      case K::Path:
      case K::BoldPath: cls = L"EDIT"; style = ES_MULTILINE | ES_READONLY; break;
      case K::Letter: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_CENTER; break;
      case K::List: cls = L"LISTBOX"; style = WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT; break;
      case K::Combo: cls = L"COMBOBOX"; style = WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL; break;
      case K::Drives:
        cls = WC_LISTVIEWW;
        style = WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
        break;
      case K::Tree:
        cls = WC_TREEVIEWW;
        style = WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
        break;
      case K::Review:
      case K::Report: break;  // made by their views above
    }
    // The list and tree controls take their accessible names from the label
    // before them; their own window text stays empty.
    if (it.kind == K::Drives || it.kind == K::Tree) text.clear();
    it.hwnd = MakeChild(hwnd_, cls, text, style, it.id);
    if (it.kind == K::Path || it.kind == K::BoldPath)
      pathFieldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(it.hwnd, GWLP_WNDPROC, LONG_PTR(PathFieldProc)));
    if (const char* hint = HintOf(it.id)) {
      std::wstring wideHint = WideText(hint);
      TOOLINFOW ti{};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = hwnd_;
      ti.uId = UINT_PTR(it.hwnd);
      ti.lpszText = wideHint.data();
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, LPARAM(&ti));
    }
  }
  if (HWND edit = Control(kFirstDrive)) SendMessageW(edit, EM_LIMITTEXT, 1, 0);
  if (HWND edit = Control(kSecondDrive)) SendMessageW(edit, EM_LIMITTEXT, 1, 0);
  HWND combo = Control(kUndoAge);
  for (const wchar_t* age : {L"1 day old", L"1 week old", L"1 month old", L"Do Not Delete"})
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(age));
  HWND list = Control(kDriveList);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW col{};
  col.mask = LVCF_WIDTH;
  col.cx = 400;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, LPARAM(&col));
  // The system's list of small icons, shared with the shell (not ours to free).
  SHFILEINFOW info{};
  auto images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (images) SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images));
  left_.Attach(Control(kMoveFromTree));
  right_.Attach(Control(kMoveToTree));
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
      case K::BoldPath: f = fonts_.bold; break;
      default: break;
    }
    SendMessageW(it.hwnd, WM_SETFONT, WPARAM(f), FALSE);
  }
  SendMessageW(Control(kDriveList), LVM_SETCOLUMNWIDTH, 0, Scale(400, dpi_));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

bool MainWindow::Visible(const Item& it) const {
  if (it.page != Page::None) return it.page == wizard_.CurrentPage;
  if (it.id >= kMoveDescription && it.id < kSwitchDescription) return wizard_.moveDescriptionVisible;
  if (it.id >= kSwitchDescription && it.id < kMapOnlyDescription) return wizard_.switchDescriptionVisible;
  if (it.id >= kMapOnlyDescription && it.id < kStaticFirst) return wizard_.mapOnlyDescriptionVisible;
  if (it.id == kShowAdvanced) return wizard_.showAdvancedVisible;
  if (it.id == kVersionLine) return wizard_.versionLineVisible;
  if (it.id == kHandOverNotice || it.id == SenderControlId(Sender::HandOverGo))
    return !(it.id == kHandOverNotice ? wizard_.EndNoticeText() : wizard_.handOverWaiting).empty() &&
           (wizard_.CurrentPage == Page::Finished || wizard_.CurrentPage == Page::Cancelled);
  if (it.id == SenderControlId(Sender::ShowChanges))
    return wizard_.showChangesVisible &&
           (wizard_.CurrentPage == Page::Finished || wizard_.CurrentPage == Page::Cancelled);
  if (it.id == kPassedOverLine || it.id == kShowPassedOver)
    return !wizard_.passedOverLine.empty() &&
           (wizard_.CurrentPage == Page::Finished || wizard_.CurrentPage == Page::Cancelled);
  return true;  // the title strip
}

void MainWindow::Show() {
  syncing_ = true;
  const Wizard& wizard = wizard_;
  const auto text = [this](int id, const std::string& s) { SetTextIfChanged(Control(id), s); };
  text(kConfirmItemName, wizard.confirmItemName);
  text(kConfirmFromLine, wizard.confirmFromLine);
  text(kConfirmSourceFolder, wizard.confirmSourceFolder);
  text(kConfirmToLine, wizard.confirmToLine);
  text(kConfirmDestination, wizard.confirmDestination);
  text(kMoveConfirmHint, wizard.moveConfirmHint);
  text(kGivenItemName, wizard.givenItemName);
  text(kGivenSourceFolder, wizard.givenSourceFolder);
  text(kMoveGivenHint, wizard.moveGivenHint);
  text(kTargetsHint, wizard.targetsHint);
  text(kFinishedTitle, wizard.finishedTitle);
  text(kFinishedMoveLine, wizard.finishedMoveLineVisible ? wizard.finishedMoveLine : "");
  text(kFinishedCount, wizard.finishedCount);
  text(kCancelledTitle, wizard.cancelledTitle);
  text(kCancelledMoveLine, wizard.cancelledMoveLineVisible ? wizard.cancelledMoveLine : "");
  text(kCancelledCount, wizard.cancelledCount);
  text(kPassedOverLine, wizard.passedOverLine);
  text(kHandOverNotice, wizard.EndNoticeText());
  text(kGivenDestination, wizard.givenDestination);
  text(kReviewLine, wizard.ReviewLine());
  text(kReportTitle, wizard.reportTitle);
  text(kReportLine, wizard.reportLine);
  text(kFirstDrive, wizard.firstDrive);
  text(kSecondDrive, wizard.secondDrive);
  text(kFindWhat, wizard.findWhat);
  text(kReplaceWith, wizard.replaceWith);
  text(SenderControlId(Sender::MoveConfirmNext), WithMnemonic(wizard.moveConfirmStart.caption));
  text(SenderControlId(Sender::MoveGivenNext), WithMnemonic(wizard.moveGivenStart.caption));
  text(SenderControlId(Sender::MapOnlyNext), WithMnemonic(wizard.mapOnlyStart.caption));
  text(SenderControlId(Sender::TargetsNext), WithMnemonic(wizard.targetsNext.caption));
  SetCheck(Control(kShowAdvanced), wizard.showAdvanced);
  SetCheck(Control(kSkipIntroduction), wizard.skipIntroduction);
  for (int box : {kVerifyMoveGiven, kVerifyMapOnly, kVerifyMoveConfirm}) SetCheck(Control(box), wizard.StopAndVerify());
  SetCheck(Control(kShowChangesMoveConfirm), wizard.showChangesFirst[ModeIndex(RunMode::MoveAndMap)]);
  SetCheck(Control(kShowChangesMoveGiven), wizard.showChangesFirst[ModeIndex(RunMode::MoveAndMap)]);
  SetCheck(Control(kShowChangesSwitch), wizard.showChangesFirst[ModeIndex(RunMode::SwitchDrives)]);
  SetCheck(Control(kShowChangesMapOnly), wizard.showChangesFirst[ModeIndex(RunMode::MapOnly)]);
  EnableWindow(SenderButton(Sender::ReviewApply), !wizard.reviewEmpty);
  // The lists are shown anew with their page: their rows were loaded on the way there.
  if (wizard.CurrentPage != shownPage_) {
    reviewView_.Show(wizard_.review);
    reportView_.Show(wizard_.report);
  }
  SetCheck(Control(kRegistryTarget), wizard.ctx.targets.registry);
  SetCheck(Control(kSettingsTarget), wizard.ctx.targets.settingsFiles);
  SetCheck(Control(kShortcutsTarget), wizard.ctx.targets.shortcuts);
  SetCheck(Control(kAllFilesTarget), wizard.ctx.targets.allFiles);
  SetCheck(Control(kConfigurationFilesTarget), wizard.ctx.targets.configFiles);
  HWND list = Control(kUndoList);
  if (shownUndoLines_ != wizard.undoLines) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : wizard.undoLines)
      SendMessageW(list, LB_ADDSTRING, 0, LPARAM(WideText(line).c_str()));
    shownUndoLines_ = wizard.undoLines;
  }
  if (int(SendMessageW(list, LB_GETCURSEL, 0, 0)) != wizard.undoSelection) SendMessageW(list, LB_SETCURSEL, WPARAM(wizard.undoSelection), 0);
  HWND combo = Control(kUndoAge);
  if (int(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != wizard.undoAgeIndex) SendMessageW(combo, CB_SETCURSEL, WPARAM(wizard.undoAgeIndex), 0);

  // The trees are listed when the move page is first shown, not at start.
  if (wizard.CurrentPage == Page::MoveTrees && !left_.Loaded()) {
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
      SendMessageW(it.hwnd, BM_SETSTYLE, it.id == DefaultId() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  if (wizard_.introAnimationOn)
    SetTimer(hwnd_, kIntroAnimationTimer, 50, nullptr);
  else
    KillTimer(hwnd_, kIntroAnimationTimer);
  InvalidateRect(hwnd_, nullptr, FALSE);
  shownPage_ = wizard.CurrentPage;
  syncing_ = false;
}

void MainWindow::FillDriveItems() {
  HWND list = Control(kDriveList);
  syncing_ = true;
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const DriveRow& d : wizard_.ctx.drives) {
    SHFILEINFOW info{};
    SHGetFileInfoW(WideText(d.root).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    std::wstring caption = WideText(d.caption);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = caption.data();
    item.iImage = info.iIcon;
    const int at = int(SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item)));
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = d.selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(at), LPARAM(&state));
    ++row;
  }
  syncing_ = false;
}

void MainWindow::ReadDriveSelection() {
  HWND list = Control(kDriveList);
  for (std::size_t i = 0; i < wizard_.ctx.drives.size(); ++i)
    wizard_.ctx.drives[i].selected = SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) != 0;
}

int MainWindow::DefaultId() const {
  for (const Item& it : *items_)
    if (it.kind == K::DefButton && it.page == wizard_.CurrentPage) return it.id;
  return 0;
}

int MainWindow::BackId() const {
  switch (wizard_.CurrentPage) {
    case Page::Intro2: return SenderControlId(Sender::Intro2Back);
    case Page::MoveTrees: return SenderControlId(Sender::MoveTreesBack);
    case Page::Intro3: return SenderControlId(Sender::Intro3Back);
    case Page::MoveConfirm: return SenderControlId(Sender::MoveConfirmBack);
    case Page::MoveGiven: return SenderControlId(Sender::MoveGivenBack);
    case Page::SwitchDrives: return SenderControlId(Sender::SwitchBack);
    case Page::MapOnly: return SenderControlId(Sender::MapOnlyBack);
    case Page::Targets: return SenderControlId(Sender::TargetsBack);
    case Page::Drives: return SenderControlId(Sender::DrivesBack);
    case Page::Undo: return SenderControlId(Sender::UndoBack);
    case Page::Review: return SenderControlId(Sender::ReviewBack);
    case Page::Report: return SenderControlId(Sender::ReportBack);
    default: return 0;
  }
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (!hwnd_ || !IsWindowEnabled(hwnd_)) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    Guarded([&] { wizard_.HelpForCurrentPage(); });
    return true;
  }
  // Enter on a focused button presses that button, as in a dialog box; the
  // page's default button answers Enter everywhere else.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    const int id = focus && IsChild(hwnd_, focus) ? GetDlgCtrlID(focus) : 0;
    for (const Item& it : *items_) {
      if (it.hwnd != focus || (it.kind != K::Button && it.kind != K::Flat && it.kind != K::DefButton)) continue;
      Command(id, BN_CLICKED, focus);
      return true;
    }
  }
  return IsDialogMessageW(hwnd_, &msg) != 0;
}

void MainWindow::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    // The application's general error report.
    MessageBoxW(hwnd_, WideText(e.what()).c_str(), WideText(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
  }
}

void MainWindow::Press(Sender s) { Command(SenderControlId(s), BN_CLICKED, SenderButton(s)); }

void MainWindow::Command(int id, int code, HWND from) {
  (void)from;
  if (syncing_) return;
  Wizard& wizard = wizard_;
  bool turned = false;
  switch (id) {
    case kGivenDestination:
      if (code == EN_CHANGE) wizard.givenDestination = WindowText(Control(id));
      return;
    case kFirstDrive:
    case kSecondDrive:
    case kFindWhat:
    case kReplaceWith:
      if (code == EN_CHANGE) {
        const std::string t = WindowText(Control(id));
        (id == kFirstDrive ? wizard.firstDrive : id == kSecondDrive ? wizard.secondDrive : id == kFindWhat ? wizard.findWhat : wizard.replaceWith) = t;
      }
      return;
    case kUndoList:
      if (code == LBN_SELCHANGE) wizard.undoSelection = int(SendMessageW(Control(kUndoList), LB_GETCURSEL, 0, 0));
      return;
    case kUndoAge:
      if (code == CBN_SELCHANGE) Guarded([&] { wizard.UndoAgeChange(int(SendMessageW(Control(id), CB_GETCURSEL, 0, 0))); });
      break;
    default:
      if (code != BN_CLICKED && code != STN_CLICKED) return;
      break;
  }
  switch (id) {
    case kShowAdvanced: wizard.ShowAdvancedClick(Checked(Control(id))); break;
    case kSkipIntroduction: wizard.skipIntroduction = Checked(Control(id)); break;
    case kVerifyMoveGiven:
    case kVerifyMapOnly:
    case kVerifyMoveConfirm: wizard.VerifyClick(Checked(Control(id))); break;
    case kShowChangesMoveConfirm:
    case kShowChangesMoveGiven: wizard.ShowChangesFirstClick(RunMode::MoveAndMap, Checked(Control(id))); break;
    case kShowChangesSwitch: wizard.ShowChangesFirstClick(RunMode::SwitchDrives, Checked(Control(id))); break;
    case kShowChangesMapOnly: wizard.ShowChangesFirstClick(RunMode::MapOnly, Checked(Control(id))); break;
    case kOpenReportAsText: Guarded([&] { wizard.OpenReportAsTextClick(); }); break;
    case kRegistryTarget:
    case kSettingsTarget:
    case kShortcutsTarget:
    case kAllFilesTarget:
    case kConfigurationFilesTarget:
      wizard.ctx.targets.registry = Checked(Control(kRegistryTarget));
      wizard.ctx.targets.settingsFiles = Checked(Control(kSettingsTarget));
      wizard.ctx.targets.shortcuts = Checked(Control(kShortcutsTarget));
      wizard.ctx.targets.allFiles = Checked(Control(kAllFilesTarget));
      wizard.ctx.targets.configFiles = Checked(Control(kConfigurationFilesTarget));
      wizard.TargetChecksClick();
      break;
    case kBrowseDestination: Guarded([&] { wizard.BrowseDestinationClick(); }); break;
    case kShowPassedOver: Guarded([&] { wizard.ShowPassedOverClick(); }); break;
    case kBrowseFindWhat: Guarded([&] { wizard.BrowseFindWhatClick(); }); break;
    case kBrowseReplaceWith: Guarded([&] { wizard.BrowseReplaceWithClick(); }); break;
    case kUndoChanges: Guarded([&] { wizard.UndoChangesClick(); }); break;
    case kDeleteUndo: Guarded([&] { wizard.DeleteUndoClick(); }); break;
    case kExitButton: PostMessageW(hwnd_, WM_CLOSE, 0, 0); break;
    case kMinimiseButton: ShowWindow(hwnd_, SW_MINIMIZE); return;
    case kMoveSelectedPair: MoveSelectedPair(); return;
    case kHelpButton: Guarded([&] { wizard.HelpButtonClick(); }); break;
    case kMoreInformationLink: Guarded([&] { wizard.MoreInformationClick(); }); break;
    case kAskQuestionsLink: Guarded([&] { wizard.AskQuestionsClick(); }); break;
    case kRefreshTrees:
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
        Guarded([&] { wizard.TurnPage(Sender(id - kSenderId)); });
        EnableWindow(hwnd_, TRUE);
        turned = true;
        // A move that got past its checks leaves both trees unselected.
        const Sender s = Sender(id - kSenderId);
        if ((s == Sender::MoveConfirmNext || s == Sender::MoveGivenNext) && !wizard.confirmSourceFolder.empty() &&
            !wizard.confirmItemName.empty() && !wizard.confirmDestination.empty()) {
          left_.ClearSelection();
          right_.ClearSelection();
        }
      }
      break;
  }
  if (wizard.Terminated) {
    DestroyWindow(hwnd_);
    return;
  }
  const Page before = shownPage_;
  Show();
  if (turned && GetForegroundWindow() != hwnd_) SetForegroundWindow(hwnd_);
  if (turned) PlaceFocus(wizard.CurrentPage != before);
}

HWND MainWindow::FirstField() const {
  // After a run with an item waiting, its "Go"; else the page's first field
  // to fill in or choose from; else its default button.
  if (HWND go = SenderButton(Sender::HandOverGo); go && IsWindowVisible(go)) return go;
  for (const Item& it : *items_) {
    if (it.page != wizard_.CurrentPage || !IsWindowVisible(it.hwnd)) continue;
    switch (it.kind) {
      case K::Edit:
      case K::Letter:
      case K::List:
      case K::Tree:
      case K::Drives:
      case K::Review:
      case K::Report: return it.hwnd;
      default: break;
    }
  }
  return Control(DefaultId());
}

HWND MainWindow::FieldControl(Field field) const {
  switch (field) {
    case Field::GivenDestination: return Control(kGivenDestination);
    case Field::FirstDrive: return Control(kFirstDrive);
    case Field::SecondDrive: return Control(kSecondDrive);
    case Field::FindWhat: return Control(kFindWhat);
    case Field::ReplaceWith: return Control(kReplaceWith);
    case Field::None: break;
  }
  return nullptr;
}

void MainWindow::PlaceFocus(bool pageChanged) {
  HWND target = FieldControl(wizard_.focusField);
  wizard_.focusField = Field::None;
  if (!target && pageChanged) target = FirstField();
  if (!target) {
    HWND focus = GetFocus();
    if (focus && IsWindowVisible(focus) && IsChild(hwnd_, focus)) return;
    target = FirstField();
  }
  if (!target || !IsWindowVisible(target)) return;
  SetFocus(target);
  if (WindowClassIs(target, L"Edit")) SendMessageW(target, EM_SETSEL, 0, -1);
}

void MainWindow::MoveSelectedPair() {
  const HTREEITEM from = left_.Selected(), to = right_.Selected();
  const NodeChain dragged = from ? left_.ChainOf(from) : NodeChain{};
  const NodeChain target = to ? right_.ChainOf(to) : NodeChain{};
  Guarded([&] { wizard_.MoveSelectedPair(from ? &dragged : nullptr, to ? &target : nullptr); });
  const Page before = shownPage_;
  Show();
  PlaceFocus(wizard_.CurrentPage != before);
}

void MainWindow::Paint(HDC dc) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(dc, &rc, pageBrush_);
  RECT strip{0, 0, rc.right, Scale(kStripH, dpi_)};
  FillRect(dc, &strip, stripBrush_);
  if (wizard_.moveDescriptionVisible || wizard_.switchDescriptionVisible || wizard_.mapOnlyDescriptionVisible) {
    RECT band{0, strip.bottom, rc.right, Scale(88, dpi_)};
    FillRect(dc, &band, bandBrush_);
  }
  // The introduction pages' pictures: an item travelling from one folder to another.
  const int icon = Scale(32, dpi_);
  auto draw = [&](HICON i, int x, int y) {
    if (i) DrawIconEx(dc, Scale(x, dpi_), Scale(y, dpi_), i, icon, icon, 0, nullptr, DI_NORMAL);
  };
  if (wizard_.CurrentPage == Page::Intro1) {
    draw(pictures_[0], 40, 230);
    draw(pictures_[0], 250, 230);
    draw(pictures_[2], wizard_.intro1Picture.left, wizard_.intro1Picture.top + 126);
  } else if (wizard_.CurrentPage == Page::Intro2) {
    draw(pictures_[0], 20, 230);
    draw(pictures_[0], 220, 230);
    draw(pictures_[1], wizard_.intro2Picture.left, wizard_.intro2Picture.top + 126);
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
  ::DrawTextW(d.hDC, WideText(text).c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT MainWindow::TreeNotify(const NMHDR& n) {
  FolderTree& tree = n.idFrom == UINT_PTR(kMoveFromTree) ? left_ : right_;
  const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(n);
  switch (n.code) {
    case TVN_ITEMEXPANDINGW:
      if (tv.action & TVE_EXPAND) return tree.Expanding(tv.itemNew.hItem) ? TRUE : FALSE;
      return FALSE;
    case TVN_BEGINDRAGW:
      // Items are dragged from the left tree only.
      if (&tree == &left_) BeginDrag(tv.itemNew.hItem);
      return 0;
  }
  return 0;
}

void MainWindow::BeginDrag(HTREEITEM item) {
  // The item dragged is the left tree's selected node.
  SendMessageW(left_.hwnd(), TVM_SELECTITEM, TVGN_CARET, LPARAM(item));
  dragging_ = true;
  dropTarget_ = nullptr;
  SetCapture(hwnd_);
  SetFocus(hwnd_);  // Esc ends the drag
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_NO)));
}

void MainWindow::EndDrag(bool drop) {
  dragging_ = false;
  HTREEITEM target = dropTarget_;
  SendMessageW(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  dropTarget_ = nullptr;
  if (GetCapture() == hwnd_) ReleaseCapture();
  if (drop && target) DragDrop(target);
}

bool MainWindow::DragOver(HTREEITEM target) {
  const NodeChain dragged = left_.ChainOf(left_.Selected());
  const NodeChain under = right_.ChainOf(target);
  const HTREEITEM hilite = target && wizard_.MayDropOnMoveTo(TreeSide::MoveFrom, TreeSide::MoveTo, dragged, &under) ? target : nullptr;
  if (hilite != dropTarget_) SendMessageW(right_.hwnd(), TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(hilite));
  dropTarget_ = hilite;
  return hilite != nullptr;
}

void MainWindow::DragDrop(HTREEITEM target) {
  if (!target) return;
  Guarded([&] { wizard_.DropOnMoveTo(TreeSide::MoveFrom, left_.ChainOf(left_.Selected()), right_.ChainOf(target)); });
  Show();
}

LRESULT CALLBACK MainWindow::Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = ViewOfWindow<MainWindow>(h, msg, lp);
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  // Messages arrive before CreateWindowExW returns the handle.
  if (msg == WM_NCCREATE) self->hwnd_ = h;
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
      if (LRESULT result = 0; reviewView_.OnNotify(*n, result) || reportView_.OnNotify(*n, result)) return result;
      // A box ticked or unticked: the count under the list follows.
      if (n->idFrom == UINT_PTR(kReviewList) && n->code == LVN_ITEMCHANGED)
        SetTextIfChanged(Control(kReviewLine), wizard_.ReviewLine());
      if (n->idFrom == UINT_PTR(kDriveList) && n->code == LVN_ITEMCHANGED && !syncing_) ReadDriveSelection();
      if (n->idFrom == UINT_PTR(kDriveList) && n->code == NM_CUSTOMDRAW)
        return DriveListDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
      if (n->idFrom == UINT_PTR(kMoveFromTree) || n->idFrom == UINT_PTR(kMoveToTree)) return TreeNotify(*n);
      return 0;
    }
    case WM_NEXTDLGCTL: NextControl(wp, lp); return 0;
    case DM_GETDEFID:
      if (int def = DefaultId()) return MAKELRESULT(def, DC_HASDEFID);
      return 0;
    case WM_TIMER:
      if (wp == kIntroAnimationTimer) {
        wizard_.AnimateIntroPicture();
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
        if (it.kind == K::Path || it.kind == K::BoldPath) {
          // An edit control paints its own background: opaque in the page colour.
          SetBkColor(dc, kPageColour);
          return LRESULT(pageBrush_);
        }
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
        ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(accepted ? IDC_ARROW : IDC_NO)));
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
        SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT) {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wp));
        if (id == kMoreInformationLink || id == kAskQuestionsLink) {
          ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
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
        if (wizard_.MayClose()) DestroyWindow(hwnd_);
      });
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kIntroAnimationTimer);
      hwnd_ = nullptr;
      if (onDestroyed) onDestroyed();
      return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// What a dialog box does with WM_NEXTDLGCTL, which the label mnemonics send:
// the focus to the control given, or to the next (previous) tab stop.
void MainWindow::NextControl(WPARAM wp, LPARAM lp) {
  HWND target = nullptr;
  if (LOWORD(lp))
    target = reinterpret_cast<HWND>(wp);
  else
    target = GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0);
  if (!target || !IsChild(hwnd_, target)) return;
  SetFocus(target);
  if (WindowClassIs(target, L"Edit") && (GetWindowLongPtrW(target, GWL_STYLE) & ES_MULTILINE) == 0)
    SendMessageW(target, EM_SETSEL, 0, -1);
}

// The selected drives stand out in the highlight colours even while the list
// does not have the focus (the system would draw them pale grey).
LRESULT MainWindow::DriveListDraw(NMLVCUSTOMDRAW& cd) {
  switch (cd.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      HWND list = Control(kDriveList);
      if (SendMessageW(list, LVM_GETITEMSTATE, cd.nmcd.dwItemSpec, LVIS_SELECTED) & LVIS_SELECTED) {
        cd.nmcd.uItemState &= ~UINT(CDIS_SELECTED);
        cd.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        cd.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
      }
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}
