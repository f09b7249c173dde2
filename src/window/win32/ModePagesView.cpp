#include "window/win32/ModePagesView.h"

#include "window/Settings.h"

void ModePagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // SwitchDrives
      {kAuto, P::SwitchDrives, K::Text, "Please specify the two drive letters to switch below.", 24, 100, 440, 18},
      {kAuto, P::SwitchDrives, K::Text, "&Drive letter 1:", 24, 138, 100, 18},
      {kFirstDrive, P::SwitchDrives, K::Letter, "", 130, 134, 36, 24},
      {kAuto, P::SwitchDrives, K::Text, "Drive &letter 2:", 24, 174, 100, 18},
      {kSecondDrive, P::SwitchDrives, K::Letter, "", 130, 170, 36, 24},
      {kShowChangesSwitch, P::SwitchDrives, K::Check, "Show &changes before they are made", 24, 214, 300, 22},
      {SenderControlId(Sender::SwitchBack), P::SwitchDrives, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::SwitchNext), P::SwitchDrives, K::DefButton, "&Next", B::nextX, B::bottom, B::bw, B::bh},
      // MapOnly
      {kAuto, P::MapOnly, K::Text, "Please type what to find and what to replace it with below.", 24, 100, 440, 18},
      {kAuto, P::MapOnly, K::Text, "&Find what:", 24, 138, 96, 18},
      {kFindWhat, P::MapOnly, K::Edit, "", 122, 134, 252, 24},
      {kBrowseFindWhat, P::MapOnly, K::Button, "Browse...", 380, 133, 84, 26},
      {kAuto, P::MapOnly, K::Text, "Replace &with:", 24, 174, 96, 18},
      {kReplaceWith, P::MapOnly, K::Edit, "", 122, 170, 252, 24},
      {kBrowseReplaceWith, P::MapOnly, K::Button, "Browse...", 380, 169, 84, 26},
      {kVerifyMapOnly, P::MapOnly, K::Check, "Stop and &Verify each Mapping Change", 24, 214, 300, 22},
      {kShowChangesMapOnly, P::MapOnly, K::Check, "Show &changes before they are made", 24, 240, 300, 22},
      {SenderControlId(Sender::MapOnlyBack), P::MapOnly, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::MapOnlyNext), P::MapOnly, K::DefButton, "", B::nextX, B::bottom, B::bw, B::bh},
  });
  for (PageControl& it : c)
    if (it.id == kBrowseFindWhat || it.id == kBrowseReplaceWith) it.hint = "Browse";
}

void ModePagesView::Created() {
  SendMessageW(Control(kFirstDrive), EM_LIMITTEXT, 1, 0);
  SendMessageW(Control(kSecondDrive), EM_LIMITTEXT, 1, 0);
}

void ModePagesView::Refresh(bool) {
  Text(kFirstDrive, wizard_.switchDrives.firstDrive);
  Text(kSecondDrive, wizard_.switchDrives.secondDrive);
  Text(kFindWhat, wizard_.mapOnly.findWhat);
  Text(kReplaceWith, wizard_.mapOnly.replaceWith);
  Text(SenderControlId(Sender::MapOnlyNext), wizard_.mapOnly.start.caption);
  SetCheck(Control(kVerifyMapOnly), wizard_.StopAndVerify());
  SetCheck(Control(kShowChangesSwitch), wizard_.showChangesFirst[ModeIndex(RunMode::SwitchDrives)]);
  SetCheck(Control(kShowChangesMapOnly), wizard_.showChangesFirst[ModeIndex(RunMode::MapOnly)]);
}

bool ModePagesView::Command(int id, int code) {
  std::string* field = id == kFirstDrive     ? &wizard_.switchDrives.firstDrive
                       : id == kSecondDrive  ? &wizard_.switchDrives.secondDrive
                       : id == kFindWhat     ? &wizard_.mapOnly.findWhat
                       : id == kReplaceWith  ? &wizard_.mapOnly.replaceWith
                                             : nullptr;
  if (field) {
    if (code == EN_CHANGE) *field = WindowText(Control(id));
    return true;
  }
  if (!Clicked(code)) return false;
  switch (id) {
    case kVerifyMapOnly: wizard_.VerifyClick(Checked(Control(id))); return true;
    case kShowChangesSwitch: wizard_.run.ShowChangesFirstClick(RunMode::SwitchDrives, Checked(Control(id))); return true;
    case kShowChangesMapOnly: wizard_.run.ShowChangesFirstClick(RunMode::MapOnly, Checked(Control(id))); return true;
    case kBrowseFindWhat: host_.Guarded([&] { wizard_.BrowseFindWhatClick(); }); return true;
    case kBrowseReplaceWith: host_.Guarded([&] { wizard_.BrowseReplaceWithClick(); }); return true;
    default: return false;
  }
}

HWND ModePagesView::FieldControl(Field field) const {
  switch (field) {
    case Field::FirstDrive: return Control(kFirstDrive);
    case Field::SecondDrive: return Control(kSecondDrive);
    case Field::FindWhat: return Control(kFindWhat);
    case Field::ReplaceWith: return Control(kReplaceWith);
    default: return nullptr;
  }
}
