#include "window/win32/ChromeView.h"

#include "OstrivaneVersion.h"

namespace {
constexpr const char* kVersionText = "Version " OSTRIVANE_VERSION;
}

void ChromeView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  const Wizard& w = wizard_;
  c.push_back({kTitleStripName, P::None, K::Heading, "Ostrivane", 12, 4, 150, 22, Zone::Strip});
  c.push_back({SenderControlId(Sender::TitleFront), P::None, K::Flat, "Front", 246, 4, 50, 22, Zone::Strip});
  c.back().hint = "Front";
  c.push_back({SenderControlId(Sender::TitleUndo), P::None, K::Flat, "Undo", 300, 4, 50, 22, Zone::Strip});
  c.back().hint = "Undo";
  c.push_back({kHelpButton, P::None, K::Flat, "Help", 354, 4, 40, 22, Zone::Strip});
  c.back().hint = "Help (F1)";
  c.back().face = "?";
  c.push_back({kMinimiseButton, P::None, K::Flat, "Minimise", 398, 4, 36, 22, Zone::Strip});
  c.back().hint = "Minimise";
  c.back().face = "_";
  c.push_back({kExitButton, P::None, K::Flat, "Exit", 438, 4, 40, 22, Zone::Strip});
  c.back().hint = "Exit";
  c.back().face = "X";
  // Description panels
  const auto move = [&w] { return w.moveDescriptionVisible; };
  const auto sw = [&w] { return w.switchDescriptionVisible; };
  const auto map = [&w] { return w.mapOnlyDescriptionVisible; };
  c.push_back({kMoveDescription, P::None, K::Bold, "Move and Map", 16, 38, 300, 18, Zone::Band, move});
  c.push_back({kMoveDescription + 1, P::None, K::Text, "moves files and folders to another location and maps system links to the new location", 16, 56, 456, 30, Zone::Band, move});
  c.push_back({kSwitchDescription, P::None, K::Bold, "Switch Drives", 16, 38, 300, 18, Zone::Band, sw});
  c.push_back({kSwitchDescription + 1, P::None, K::Text, "searches for links to one drive letter and switches them to the other drive letter, and vice versa.", 16, 56, 456, 30, Zone::Band, sw});
  c.push_back({kSwitchDescription + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band, sw});
  c.push_back({kMapOnlyDescription, P::None, K::Bold, "Map Only", 16, 38, 300, 18, Zone::Band, map});
  c.push_back({kMapOnlyDescription + 1, P::None, K::Text, "searches for system links to the old item and changes them to its new location.", 16, 56, 456, 30, Zone::Band, map});
  c.push_back({kMapOnlyDescription + 2, P::None, K::Small, "Advanced", 396, 38, 76, 16, Zone::Band, map});
}

void ChromeView::AddBottomControls(PageControls& c) {
  const Wizard& w = wizard_;
  c.push_back({kShowAdvanced, Page::None, Kind::Check, "Show Advanced &Map Options", 16, 369, 230, 22, Zone::Page,
               [&w] { return w.showAdvancedVisible; }});
  c.push_back({kVersionLine, Page::None, Kind::Small, kVersionText, 16, 378, 200, 16, Zone::Page,
               [&w] { return w.versionLineVisible; }});
  // Under the button row, in the window's strip below the pages' own room.
  c.push_back({kTargetsInEffect, Page::None, Kind::Small, "", 16, kButtonRowEnd + 5, 456, 28, Zone::Page,
               [&w] {
                 const Page p = w.CurrentPage;
                 return !w.showAdvanced && (p == Page::MoveConfirm || p == Page::MoveGiven || p == Page::MapOnly);
               }});
}

void ChromeView::Refresh(bool) {
  SetCheck(Control(kShowAdvanced), wizard_.showAdvanced);
  Text(kTargetsInEffect, TargetsInEffectLine(wizard_.choices.targets));
}

bool ChromeView::Command(int id, int code) {
  if (!Clicked(code)) return false;
  switch (id) {
    case kShowAdvanced: wizard_.ShowAdvancedClick(Checked(Control(id))); return true;
    case kExitButton: PostMessageW(host_.hwnd(), WM_CLOSE, 0, 0); return true;
    case kMinimiseButton: ShowWindow(host_.hwnd(), SW_MINIMIZE); return true;
    case kHelpButton: host_.Guarded([&] { wizard_.help.HelpButtonClick(); }); return true;
    default: return false;
  }
}
