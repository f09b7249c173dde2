#include "window/win32/UndoView.h"

#include <algorithm>

#include "core/win32/GdiOwned.h"
#include "core/win32/WidePath.h"

namespace {
// The widest of the lines in the list's own font: a line with a deep path
// scrolls sideways instead of being cut.
int WidestLine(HWND list, const std::vector<std::string>& lines) {
  const WindowDc dc(list);
  const Selected font(dc.get(), HGDIOBJ(SendMessageW(list, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const std::string& line : lines) {
    const std::wstring wide = WideText(line);
    SIZE size{};
    if (GetTextExtentPoint32W(dc.get(), wide.c_str(), int(wide.size()), &size)) widest = std::max(widest, int(size.cx));
  }
  return widest;
}
// A list box moves its selection on Left and Right as on Up and Down; here
// they scroll a long line sideways, as a user reading it expects.
WNDPROC undoListProc = nullptr;
LRESULT CALLBACK UndoListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_KEYDOWN && (wp == VK_LEFT || wp == VK_RIGHT)) {
    SendMessageW(h, WM_HSCROLL, wp == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0);
    return 0;
  }
  return CallWindowProcW(undoListProc, h, msg, wp, lp);
}
}  // namespace

void UndoView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      {kAuto, P::Undo, K::Heading, "Undo Changes", 24, 40, 440, 28},
      {kAuto, P::Undo, K::Text, "Using the list below, you can undo any changes that Ostrivane has made.", 24, 74, 440, 18},
      {kAuto, P::Undo, K::Text, "To undo changes, select an &entry below and then click on the Undo Changes button.", 24, 94, 440, 32},
      {kUndoList, P::Undo, K::List, "", 24, 130, 440, 100},
      {kUndoStatus, P::Undo, K::Details, "", 24, 234, 440, 64},
      {kAuto, P::Undo, K::Text, "Delete undo &files older than:", 24, 308, 230, 18},
      {kUndoAge, P::Undo, K::Combo, "", 260, 304, 160, 120},
      {kUndoChanges, P::Undo, K::DefButton, "&Undo Changes", 24, B::bottom, 112, B::bh},
      {kDeleteUndo, P::Undo, K::Button, "&Delete", 144, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::UndoDetails), P::Undo, K::Button, "De&tails", 236, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::UndoBack), P::Undo, K::Button, "&Back", B::nextX, B::bottom, B::bw, B::bh},
  });
}

void UndoView::Created() {
  undoListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Control(kUndoList), GWLP_WNDPROC, LONG_PTR(UndoListProc)));
  HWND combo = Control(kUndoAge);
  for (const wchar_t* age : {L"1 day", L"1 week", L"1 month", L"never"})
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(age));
}

void UndoView::Refresh(bool) {
  const UndoPage& undo = wizard_.undo;
  HWND list = Control(kUndoList);
  if (shownLines_ != undo.lines) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : undo.lines) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(WideText(line).c_str()));
    SendMessageW(list, LB_SETHORIZONTALEXTENT, WPARAM(WidestLine(list, undo.lines) + 8), 0);
    shownLines_ = undo.lines;
  }
  if (int(SendMessageW(list, LB_GETCURSEL, 0, 0)) != undo.selection)
    SendMessageW(list, LB_SETCURSEL, WPARAM(undo.selection), 0);
  EnableWindow(Control(kUndoChanges), undo.CanUndo());
  ShowStatus();
  HWND combo = Control(kUndoAge);
  if (int(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != undo.ageIndex)
    SendMessageW(combo, CB_SETCURSEL, WPARAM(undo.ageIndex), 0);
}

void UndoView::ShowStatus() {
  SetTextIfChanged(Control(kUndoStatus), EditLines(wizard_.undo.Status()));
}

HWND UndoView::FieldControl(Field field) const { return field == Field::UndoList ? Control(kUndoList) : nullptr; }

bool UndoView::Command(int id, int code) {
  switch (id) {
    case kUndoList:
      if (code == LBN_SELCHANGE) {
        wizard_.undo.selection = int(SendMessageW(Control(kUndoList), LB_GETCURSEL, 0, 0));
        EnableWindow(Control(kUndoChanges), wizard_.undo.CanUndo());
        ShowStatus();
      }
      return true;
    case kUndoAge:
      if (code == CBN_SELCHANGE)
        host_.Guarded([&] { wizard_.undoing.UndoAgeChange(int(SendMessageW(Control(id), CB_GETCURSEL, 0, 0))); });
      return true;
    case kUndoChanges:
      if (Clicked(code)) host_.Guarded([&] { wizard_.undoing.UndoChangesClick(); });
      return true;
    case kDeleteUndo:
      if (Clicked(code)) host_.Guarded([&] { wizard_.undoing.DeleteUndoClick(); });
      return true;
    default: return false;
  }
}
