#include "window/win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "core/ScopeExit.h"
#include "core/win32/WidePath.h"
#include "window/PageFlow.h"
#include "window/win32/ChromeView.h"
#include "window/win32/EndPagesView.h"
#include "window/win32/IntroPagesView.h"
#include "window/win32/ModePagesView.h"
#include "window/win32/MovePagesView.h"
#include "window/win32/ReviewPagesView.h"
#include "window/win32/TargetsView.h"
#include "window/win32/UndoView.h"
#include "window/win32/Win32WindowUi.h"
#include "window/win32/WindowClass.h"

namespace {
constexpr int kClientW = 488, kClientH = kPagesH + kLineBelowRowsH;
// What the review and report pages ask for: Where, Old and New of long paths
// side by side; less where the screen is smaller.
constexpr int kListPageW = 960, kListPageH = 600;
// Where a control goes when the window is larger than its fixed size: the
// lists grow, what is below them or at the bottom moves down, what is at the
// right of the title strip or the bottom row moves right.
RECT Placed(const PageControl& c, int extraW, int extraH) {
  RECT r{c.x, c.y, c.x + c.w, c.y + c.h};
  const bool listPage = RowOf(c.page).holdsList;
  const bool list = c.kind == Kind::Review || c.kind == Kind::Report;
  const bool bottomRow = c.y >= 360;
  if (list) {
    r.right += extraW;
    r.bottom += extraH;
  } else if (bottomRow || (listPage && c.y >= 262)) {
    OffsetRect(&r, 0, extraH);
    if (!bottomRow) r.right += extraW;  // the details pane and the review's count line
  } else if (listPage) {
    r.right += extraW;  // the report's title and line above its list
  }
  const bool right = c.zone == Zone::Strip ? c.x >= 200 : c.x >= 240;
  if ((bottomRow || c.zone == Zone::Strip || c.zone == Zone::Band) && right) OffsetRect(&r, extraW, 0);
  return r;
}
constexpr int kStripH = 30;
constexpr UINT_PTR kIntroAnimationTimer = 1;
// The system's colours, so a high-contrast or dark scheme holds here too:
// the page as a window's face, the title strip as a selection, the band
// describing the mode as a button's face.
constexpr int kPageColour = COLOR_WINDOW, kPageText = COLOR_WINDOWTEXT;
constexpr int kStripColour = COLOR_HIGHLIGHT, kStripText = COLOR_HIGHLIGHTTEXT;
constexpr int kBandColour = COLOR_BTNFACE, kBandText = COLOR_BTNTEXT;

// The path fields wrap like an edit control and can be selected, but they
// are not stops of the Tab key: Tab, Enter and Esc go on to the window.
WNDPROC pathFieldProc = nullptr;
LRESULT CALLBACK PathFieldProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT r = CallWindowProcW(pathFieldProc, h, msg, wp, lp);
  if (msg == WM_GETDLGCODE) r &= ~LRESULT(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
  return r;
}

// A link draws its words itself, each letter at the advance the font
// measures for it: Wine places letters at finer advances than it measures
// and underlines the measured width, so the underline ran past the words.
// The static control keeps its text and style, so the dialog keys still work.
WNDPROC linkProc = nullptr;
LRESULT CALLBACK LinkProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_PAINT) return CallWindowProcW(linkProc, h, msg, wp, lp);
  const Painting paint(h);
  const HDC dc = paint.dc();
  RECT rc{};
  GetClientRect(h, &rc);
  // The window's colours and brush for the control, as the static control asks for them.
  if (auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(h), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(h))))
    FillRect(dc, &rc, brush);
  const Selected font(dc, HGDIOBJ(SendMessageW(h, WM_GETFONT, 0, 0)));
  const std::wstring words = CaptionWords(WindowText(h));
  const int n = int(words.size());
  std::vector<int> ends(words.size()), advances(words.size());
  SIZE size{};
  if (n > 0 && GetTextExtentExPointW(dc, words.c_str(), n, 0, nullptr, ends.data(), &size)) {
    for (int i = 0; i < n; ++i) advances[std::size_t(i)] = ends[std::size_t(i)] - (i ? ends[std::size_t(i - 1)] : 0);
    ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &rc, words.c_str(), UINT(n), advances.data());
  }
  return 0;
}

// The lists whose rows Enter would otherwise act on. A folder tree's Enter
// leads to the page that asks before anything moves, as "Move to..." does.
bool IsList(Kind kind) {
  return kind == Kind::List || kind == Kind::Drives || kind == Kind::Review || kind == Kind::Report;
}

HFONT FontOf(Kind kind, const ViewFonts& fonts) {
  switch (kind) {
    case Kind::Bold:
    case Kind::Flat:
    case Kind::Letter:
    case Kind::BoldPath: return fonts.bold.get();
    case Kind::Heading: return fonts.heading.get();
    case Kind::Title: return fonts.title.get();
    case Kind::Link: return fonts.link.get();
    default: return fonts.normal.get();
  }
}

// A control the window makes by its kind: class and style.
HWND MakeControl(HWND parent, const PageControl& it) {
  DWORD style = 0;
  const wchar_t* cls = L"STATIC";
  std::string text = it.text;
  switch (it.kind) {
    case Kind::Text:
    case Kind::Bold:
    case Kind::Heading:
    case Kind::Title:
    case Kind::Small: style = SS_LEFT | (text.find('&') == std::string::npos ? SS_NOPREFIX : 0); break;
    case Kind::Link: style = SS_NOTIFY | WS_TABSTOP | SS_LEFTNOWORDWRAP; break;
    case Kind::Button: cls = L"BUTTON"; style = WS_TABSTOP | BS_PUSHBUTTON; break;
    case Kind::DefButton: cls = L"BUTTON"; style = WS_TABSTOP | BS_DEFPUSHBUTTON; break;
    case Kind::Flat: cls = L"BUTTON"; style = WS_TABSTOP | BS_OWNERDRAW; break;
    case Kind::Check: cls = L"BUTTON"; style = WS_TABSTOP | BS_AUTOCHECKBOX; break;
    case Kind::Edit: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL; break;
    case Kind::ReadOnly: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY; break;
    case Kind::Path:
    case Kind::BoldPath: cls = L"EDIT"; style = ES_MULTILINE | ES_READONLY; break;
    case Kind::Details:
      cls = L"EDIT";
      style = WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
      break;
    case Kind::Letter: cls = L"EDIT"; style = WS_TABSTOP | WS_BORDER | ES_UPPERCASE | ES_CENTER; break;
    case Kind::List: cls = L"LISTBOX"; style = WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT; break;
    case Kind::Combo: cls = L"COMBOBOX"; style = WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL; break;
    case Kind::Drives:
      cls = WC_LISTVIEWW;
      style = WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
      break;
    case Kind::Tree:
      cls = WC_TREEVIEWW;
      style = WS_TABSTOP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS;
      break;
    case Kind::Review:
    case Kind::Report: break;  // made by their view
  }
  // The list and tree controls take their accessible names from the label
  // before them; their own window text stays empty.
  if (it.kind == Kind::Drives || it.kind == Kind::Tree) text.clear();
  HWND h = MakeChild(parent, cls, text, style, it.id);
  if (it.kind == Kind::Path || it.kind == Kind::BoldPath || it.kind == Kind::Details)
    pathFieldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, LONG_PTR(PathFieldProc)));
  if (it.kind == Kind::Link) linkProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, LONG_PTR(LinkProc)));
  return h;
}
}  // namespace

MainWindow::MainWindow(Wizard& wizard, Win32WindowUi& ui)
    : wizard_(wizard), ui_(ui) {
  MakeBrushes();
  auto chrome = std::make_unique<ChromeView>(wizard_, *this);
  auto move = std::make_unique<MovePagesView>(wizard_, *this);
  auto targets = std::make_unique<TargetsView>(wizard_, *this);
  chrome_ = chrome.get();
  movePages_ = move.get();
  targets_ = targets.get();
  views_.push_back(std::move(chrome));
  views_.push_back(std::make_unique<IntroPagesView>(wizard_, *this));
  views_.push_back(std::move(move));
  views_.push_back(std::make_unique<ModePagesView>(wizard_, *this));
  views_.push_back(std::move(targets));
  views_.push_back(std::make_unique<EndPagesView>(wizard_, *this));
  views_.push_back(std::make_unique<UndoView>(wizard_, *this));
  auto review = std::make_unique<ReviewPagesView>(wizard_, *this);
  reviewPages_ = review.get();
  views_.push_back(std::move(review));
  for (const auto& view : views_) view->AddControls(controls_);
  chrome_->AddBottomControls(controls_);
  int next = kStaticFirst;
  for (PageControl& it : controls_)
    if (it.id == kAuto) it.id = next++;
}

void MainWindow::MakeBrushes() {
  pageBrush_.reset(CreateSolidBrush(GetSysColor(kPageColour)));
  stripBrush_.reset(CreateSolidBrush(GetSysColor(kStripColour)));
  bandBrush_.reset(CreateSolidBrush(GetSysColor(kBandColour)));
}

void MainWindow::ColoursChanged(UINT msg, WPARAM wp, LPARAM lp) {
  MakeBrushes();
  // The common controls learn of the change only from their parent.
  for (const PageControl& it : controls_) SendMessageW(it.hwnd, msg, wp, lp);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

MainWindow::~MainWindow() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

HWND MainWindow::Control(int id) const {
  for (const PageControl& c : controls_)
    if (c.id == id) return c.hwnd;
  return nullptr;
}

HWND MainWindow::SenderButton(Sender s) const { return Control(SenderControlId(s)); }

FolderTree& MainWindow::Tree(TreeSide side) { return movePages_->Tree(side); }
bool MainWindow::DragOver(HTREEITEM target) { return movePages_->DragOver(target); }
void MainWindow::DragDrop(HTREEITEM target) { movePages_->DragDrop(target); }

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
                          WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, 0,
                          0, 0, 0, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  ui_.SetOwner(hwnd_);
  dpi_ = DpiOf(hwnd_);
  MakeControls();
  Layout();
  Guarded([&] { wizard_.Start(firstArgument); });
  for (const auto& view : views_) view->Started();
  // The size the user left it at, read by Start.
  Layout();
  Show();
  const bool asked = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT || showCommand == SW_SHOW;
  ShowWindow(hwnd_, wizard_.windowSize.maximised && asked ? SW_SHOWMAXIMIZED : showCommand);
  UpdateWindow(hwnd_);
  if (HWND first = Control(DefaultId())) SetFocus(first);
}

void MainWindow::MakeControls() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  for (PageControl& it : controls_) {
    it.hwnd = it.make ? it.make(hwnd_) : MakeControl(hwnd_, it);
    if (!it.hint) continue;
    std::wstring wideHint = WideText(it.hint);
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = UINT_PTR(it.hwnd);
    ti.lpszText = wideHint.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, LPARAM(&ti));
  }
  for (const auto& view : views_) view->Created();
}

SIZE MainWindow::ClientSizeFor(Page page) const {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
  const int roomW = MulDiv(mi.rcWork.right - mi.rcWork.left, 96, dpi_) - 16;
  const int roomH = MulDiv(mi.rcWork.bottom - mi.rcWork.top, 96, dpi_) - 16;
  const WindowSize& chosen = wizard_.windowSize;
  const bool list = RowOf(page).holdsList;
  SIZE want{kClientW, kClientH};
  if (list) want = chosen.listWidth > 0 ? SIZE{chosen.listWidth, chosen.listHeight} : SIZE{kListPageW, kListPageH};
  else if (chosen.width > 0) want = {chosen.width, chosen.height};
  // Never smaller than the pages' own room, nor larger than the screen.
  return {std::max<LONG>(kClientW, std::min<LONG>(want.cx, roomW)), std::max<LONG>(kClientH, std::min<LONG>(want.cy, roomH))};
}

void MainWindow::Layout() {
  fonts_.Create(dpi_);
  // A maximised window keeps its size; the controls follow it.
  if (!IsZoomed(hwnd_)) {
    const SIZE size = ClientSizeFor(wizard_.CurrentPage);
    laying_ = true;
    SizeAndCentre(hwnd_, size.cx, size.cy, dpi_);
    laying_ = false;
  }
  PlaceControls();
}

void MainWindow::PlaceControls() {
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  client_ = {std::max<LONG>(kClientW, MulDiv(rc.right, 96, dpi_)), std::max<LONG>(kClientH, MulDiv(rc.bottom, 96, dpi_))};
  // The list pages lay their bottom row out from the pages' room, so it sits
  // at the grown window's foot; the other pages keep the strip below it.
  const bool listPage = RowOf(wizard_.CurrentPage).holdsList;
  const int extraW = client_.cx - kClientW, extraH = client_.cy - (listPage ? kPagesH : kClientH);
  for (PageControl& it : controls_) {
    const RECT r = Placed(it, extraW, extraH);
    int width = Scale(r.right - r.left, dpi_);
    // A link ends with its words: past them the hand cursor showed and a
    // click on empty page opened the link.
    if (it.kind == Kind::Link) width = std::min(width, CaptionWidth(it.hwnd, fonts_.link.get(), it.text));
    MoveWindow(it.hwnd, Scale(r.left, dpi_), Scale(r.top, dpi_), width, Scale(r.bottom - r.top, dpi_), FALSE);
    SendMessageW(it.hwnd, WM_SETFONT, WPARAM(FontOf(it.kind, fonts_)), FALSE);
  }
  for (const auto& view : views_) view->Laid(dpi_);
  // Moved without drawing: the window and every control are drawn anew, or
  // the title strip's buttons showed what lay under them before.
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::Resized(WPARAM how) {
  if (laying_ || how == SIZE_MINIMIZED || !hwnd_) return;
  wizard_.windowSize.maximised = how == SIZE_MAXIMIZED;
  PlaceControls();
  // The user's own size, kept for the kind of page it was chosen on.
  if (how != SIZE_RESTORED) return;
  if (RowOf(wizard_.CurrentPage).holdsList) {
    wizard_.windowSize.listWidth = client_.cx;
    wizard_.windowSize.listHeight = client_.cy;
  } else {
    wizard_.windowSize.width = client_.cx;
    wizard_.windowSize.height = client_.cy;
  }
}

void MainWindow::LeastSize(MINMAXINFO& info) const {
  RECT r{0, 0, Scale(kClientW, dpi_), Scale(kClientH, dpi_)};
  AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  info.ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
}

bool MainWindow::Visible(const PageControl& it) const {
  if (it.page != Page::None) return it.page == wizard_.CurrentPage;
  return !it.shownWhen || it.shownWhen();
}

void MainWindow::Show() {
  syncing_ = true;
  const bool pageChanged = wizard_.CurrentPage != shownPage_;
  // The window grows for the lists and returns to its size after them.
  if (pageChanged) {
    const SIZE wanted = ClientSizeFor(wizard_.CurrentPage);
    if (IsZoomed(hwnd_))
      PlaceControls();
    else if (wanted.cx != client_.cx || wanted.cy != client_.cy)
      Layout();
    else if (RowOf(wizard_.CurrentPage).holdsList != RowOf(shownPage_).holdsList)
      PlaceControls();
  }
  for (const auto& view : views_) view->Refresh(pageChanged);
  HWND focus = GetFocus();
  for (const PageControl& it : controls_) ShowIfChanged(it.hwnd, Visible(it));
  // Focus on a hidden control would swallow the keyboard: move it to the page's default.
  if (!focus || !IsWindowVisible(focus) || !IsChild(hwnd_, focus))
    if (HWND def = Control(DefaultId()); def && IsWindowVisible(def) && GetForegroundWindow() == hwnd_) SetFocus(def);
  GiveDefaultLook(DefaultId());
  if (wizard_.intro.animationOn)
    SetTimer(hwnd_, kIntroAnimationTimer, 50, nullptr);
  else
    KillTimer(hwnd_, kIntroAnimationTimer);
  InvalidateRect(hwnd_, nullptr, FALSE);
  shownPage_ = wizard_.CurrentPage;
  syncing_ = false;
}

void MainWindow::ShowModel(bool turned) {
  const Page before = shownPage_;
  Show();
  if (turned) PlaceFocus(wizard_.CurrentPage != before);
}

int MainWindow::DefaultId() const {
  for (const PageControl& it : controls_)
    if (it.kind == Kind::DefButton && it.page == wizard_.CurrentPage) return it.id;
  return 0;
}

int MainWindow::BackId() const {
  const std::optional<Sender> back = RowOf(wizard_.CurrentPage).back;
  return back ? SenderControlId(*back) : 0;
}

bool MainWindow::PreTranslate(MSG& msg) {
  if (!hwnd_ || !IsWindowEnabled(hwnd_)) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    Guarded([&] { wizard_.help.HelpFor(wizard_.CurrentPage); });
    return true;
  }
  // Enter on a focused button presses that button, as in a dialog box; the
  // page's default button answers Enter elsewhere, but never on a list: a
  // user pressing Enter to look at a row must not start or apply anything.
  // On a row of changes it opens the pane that shows the row whole.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    for (const PageControl& it : controls_) {
      if (it.hwnd != focus) continue;
      if (it.kind == Kind::Button || it.kind == Kind::Flat || it.kind == Kind::DefButton) {
        Command(GetDlgCtrlID(focus), BN_CLICKED);
        return true;
      }
      if (IsList(it.kind)) {
        if (HWND pane = reviewPages_->Details(focus); pane && IsWindowVisible(pane)) SetFocus(pane);
        return true;
      }
    }
  }
  const bool taken = IsDialogMessageW(hwnd_, &msg) != 0;
  // Tab onto a push button takes the default look from the start button; the
  // dialog manager does not give it back once the focus moves on to a field.
  if (taken && (msg.message == WM_KEYDOWN || msg.message == WM_SYSCHAR)) ShowDefaultButton();
  return taken;
}

void MainWindow::ShowDefaultButton() {
  const HWND focus = GetFocus();
  int shown = DefaultId();
  for (const PageControl& it : controls_)
    if (it.hwnd == focus && (it.kind == Kind::Button || it.kind == Kind::DefButton)) shown = it.id;
  GiveDefaultLook(shown);
}

void MainWindow::GiveDefaultLook(int id) {
  // Only a button whose look changes is drawn again.
  for (const PageControl& it : controls_) {
    if (it.kind != Kind::Button && it.kind != Kind::DefButton) continue;
    const LONG_PTR want = it.id == id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((GetWindowLongPtrW(it.hwnd, GWL_STYLE) & BS_TYPEMASK) != want) SendMessageW(it.hwnd, BM_SETSTYLE, WPARAM(want), TRUE);
  }
}

void MainWindow::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    // The application's general error report.
    MessageBoxW(hwnd_, WideText(e.what()).c_str(), WideText(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
  }
}

void MainWindow::Press(Sender s) { Command(SenderControlId(s), BN_CLICKED); }

void MainWindow::Command(int id, int code) {
  if (syncing_) return;
  bool turned = false;
  if (id == IDOK) {
    if (int def = DefaultId()) Command(def, BN_CLICKED);
    return;
  }
  if (id == IDCANCEL) {
    if (movePages_->CancelDrag()) return;
    if (int back = BackId()) Command(back, BN_CLICKED);
    return;
  }
  bool taken = false;
  for (const auto& view : views_)
    if ((taken = view->Command(id, code))) break;
  // A field typed into or a list's selection: the model took it, nothing else follows.
  if (taken && !Clicked(code) && code != CBN_SELCHANGE) return;
  if (!taken) {
    if (!IsSender(id) || !Clicked(code)) return;
    // No input while a run is on: the window is disabled for the length
    // of any turn that may start one, and the model refuses besides.
    targets_->ReadDriveSelection();
    const Sender sender = Sender(id - kSenderId);
    {
      EnableWindow(hwnd_, FALSE);
      const ScopeExit enabled{[this] { EnableWindow(hwnd_, TRUE); }};
      Guarded([&] { wizard_.TurnPage(sender); });
    }
    turned = true;
    for (const auto& view : views_) view->Turned(sender);
  }
  if (wizard_.Terminated) {
    DestroyWindow(hwnd_);
    return;
  }
  const Page before = shownPage_;
  Show();
  if (turned && GetForegroundWindow() != hwnd_) SetForegroundWindow(hwnd_);
  // After a turn, or a refusal that names the field to correct.
  if (turned || wizard_.focusField != Field::None) PlaceFocus(wizard_.CurrentPage != before);
}

HWND MainWindow::FirstField() const {
  // After a run with an item waiting, its "Go"; else the page's first field
  // to fill in or choose from; else its default button.
  if (HWND go = SenderButton(Sender::HandOverGo); go && IsWindowVisible(go)) return go;
  for (const PageControl& it : controls_) {
    if (it.page != wizard_.CurrentPage || !IsWindowVisible(it.hwnd)) continue;
    switch (it.kind) {
      case Kind::Edit:
      case Kind::Letter:
      case Kind::List:
      case Kind::Tree:
      case Kind::Drives:
      case Kind::Review:
      case Kind::Report: return it.hwnd;
      default: break;
    }
  }
  return Control(DefaultId());
}

void MainWindow::PlaceFocus(bool pageChanged) {
  HWND target = nullptr;
  for (const auto& view : views_)
    if ((target = view->FieldControl(wizard_.focusField))) break;
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

void MainWindow::Paint(HDC dc) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(dc, &rc, pageBrush_.get());
  RECT strip{0, 0, rc.right, Scale(kStripH, dpi_)};
  FillRect(dc, &strip, stripBrush_.get());
  if (wizard_.moveDescriptionVisible || wizard_.switchDescriptionVisible || wizard_.mapOnlyDescriptionVisible) {
    RECT band{0, strip.bottom, rc.right, Scale(88, dpi_)};
    FillRect(dc, &band, bandBrush_.get());
  }
  for (const auto& view : views_) view->Paint(dc, dpi_);
}

void MainWindow::PaintOffScreen() {
  const Painting paint(hwnd_);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  // Drawn off screen first, so the travelling picture does not flicker.
  const OwnedMemoryDc mem(CreateCompatibleDC(paint.dc()));
  const OwnedBitmap bitmap(CreateCompatibleBitmap(paint.dc(), rc.right, rc.bottom));
  {
    const Selected drawn(mem.get(), bitmap.get());
    Paint(mem.get());
    BitBlt(paint.dc(), 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
  }
}

void MainWindow::DrawOwnerButton(const DRAWITEMSTRUCT& d) {
  FillRect(d.hDC, &d.rcItem, stripBrush_.get());
  const bool pressed = d.itemState & ODS_SELECTED, focused = d.itemState & ODS_FOCUS;
  if (pressed || focused) FrameRect(d.hDC, &d.rcItem, GetSysColorBrush(kStripText));
  const char* face = nullptr;
  for (const PageControl& it : controls_)
    if (it.hwnd == d.hwndItem) face = it.face;
  const std::string text = face ? face : WindowText(d.hwndItem);
  SetBkMode(d.hDC, TRANSPARENT);
  SetTextColor(d.hDC, GetSysColor(kStripText));
  RECT r = d.rcItem;
  if (pressed) OffsetRect(&r, 1, 1);
  ::DrawTextW(d.hDC, WideText(text).c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT MainWindow::ControlColour(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  for (const PageControl& it : controls_) {
    if (it.id != id) continue;
    if (it.kind == Kind::ReadOnly || it.kind == Kind::Details) break;
    if (it.kind == Kind::Path || it.kind == Kind::BoldPath) {
      // An edit control paints its own background: opaque in the page colour.
      SetBkColor(dc, GetSysColor(kPageColour));
      SetTextColor(dc, GetSysColor(kPageText));
      return LRESULT(pageBrush_.get());
    }
    SetBkMode(dc, TRANSPARENT);
    if (it.zone == Zone::Strip) {
      SetTextColor(dc, GetSysColor(kStripText));
      return LRESULT(stripBrush_.get());
    }
    if (it.zone == Zone::Band) {
      SetTextColor(dc, GetSysColor(kBandText));
      return LRESULT(bandBrush_.get());
    }
    SetTextColor(dc, GetSysColor(it.kind == Kind::Link ? COLOR_HOTLIGHT : it.kind == Kind::Small ? COLOR_GRAYTEXT : kPageText));
    return LRESULT(pageBrush_.get());
  }
  return 0;
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
      Command(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_NOTIFY: {
      const auto* n = reinterpret_cast<const NMHDR*>(lp);
      for (const auto& view : views_)
        if (LRESULT result = 0; view->Notify(*n, result)) return result;
      return 0;
    }
    case WM_NEXTDLGCTL: NextControl(wp, lp); return 0;
    case DM_GETDEFID:
      if (int def = DefaultId()) return MAKELRESULT(def, DC_HASDEFID);
      return 0;
    case WM_TIMER:
      if (wp == kIntroAnimationTimer) AnimateIntroPicture();
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintOffScreen(); return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (LRESULT brush = ControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp))) return brush;
      break;
    case WM_DRAWITEM: DrawOwnerButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp)); return TRUE;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KEYDOWN: movePages_->DragMessage(msg, wp, lp); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: DragByStrip(lp); return 0;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && ShowLinkCursor(reinterpret_cast<HWND>(wp))) return TRUE;
      break;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      Layout();
      return 0;
    }
    case WM_SIZE: Resized(wp); return 0;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: ColoursChanged(msg, wp, lp); return 0;
    case WM_GETMINMAXINFO: LeastSize(*reinterpret_cast<MINMAXINFO*>(lp)); return 0;
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

void MainWindow::AnimateIntroPicture() {
  wizard_.AnimateIntroPicture();
  RECT r{0, Scale(200, dpi_), Scale(client_.cx, dpi_), Scale(300, dpi_)};
  InvalidateRect(hwnd_, &r, FALSE);
}

void MainWindow::DragByStrip(LPARAM lp) {
  // Any mouse button on the title strip drags the window.
  if (short(HIWORD(lp)) < Scale(kStripH, dpi_)) {
    ReleaseCapture();
    SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
  }
}

bool MainWindow::ShowLinkCursor(HWND control) {
  const int id = GetDlgCtrlID(control);
  for (const PageControl& it : controls_)
    if (it.id == id && it.kind == Kind::Link) {
      ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      return true;
    }
  return false;
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
