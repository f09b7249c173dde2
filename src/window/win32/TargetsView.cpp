#include "window/win32/TargetsView.h"

#include <shellapi.h>

#include "core/win32/WidePath.h"

void TargetsView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // Targets
      {kAuto, P::Targets, K::Text, "Please select what to search through.", 24, 100, 440, 18},
      {kRegistryTarget, P::Targets, K::Check, "&Registry", 40, 130, 300, 22},
      {kSettingsTarget, P::Targets, K::Check, "S&ettings", 40, 156, 300, 22},
      {kShortcutsTarget, P::Targets, K::Check, "S&hortcuts", 40, 182, 300, 22},
      {kConfigurationFilesTarget, P::Targets, K::Check, "&Configuration files", 40, 208, 300, 22},
      {kAllFilesTarget, P::Targets, K::Check, "&All Files (not recommended)", 40, 234, 300, 22},
      {kTargetsHint, P::Targets, K::Text, "", 24, 272, 440, 18},
      {SenderControlId(Sender::TargetsBack), P::Targets, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::TargetsNext), P::Targets, K::DefButton, "", B::nextX, B::bottom, B::bw, B::bh},
      // Drives
      {kAuto, P::Drives, K::Text, "Select the drives to do mapping on.", 24, 94, 440, 18},
      {kAuto, P::Drives, K::Text, "By default, all harddrives are selected.  Hold down on the Ctrl key to select more than one drive.", 24, 114, 440, 32},
      {kDriveList, P::Drives, K::Drives, "Drives", 24, 150, 440, 180},
      {kAuto, P::Drives, K::Text, "Press the Start button to Begin", 24, 336, 260, 18},
      {SenderControlId(Sender::DrivesBack), P::Drives, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::DrivesStart), P::Drives, K::DefButton, "&Start", B::nextX, B::bottom, B::bw, B::bh},
  });
}

void TargetsView::Created() {
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
}

// The one column fills the list, so a selected drive is highlighted to its right edge.
void TargetsView::Laid(int) { SendMessageW(Control(kDriveList), LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER); }

void TargetsView::Started() {
  HWND list = Control(kDriveList);
  filling_ = true;
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const DriveRow& d : wizard_.choices.drives) {
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
  filling_ = false;
}

void TargetsView::ReadDriveSelection() {
  HWND list = Control(kDriveList);
  for (std::size_t i = 0; i < wizard_.choices.drives.size(); ++i)
    wizard_.choices.drives[i].selected = SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) != 0;
}

void TargetsView::Refresh(bool) {
  const Targets& t = wizard_.choices.targets;
  Text(kTargetsHint, wizard_.targetsPage.hint);
  Text(SenderControlId(Sender::TargetsNext), wizard_.targetsPage.next.caption);
  SetCheck(Control(kRegistryTarget), t.registry);
  SetCheck(Control(kSettingsTarget), t.settingsFiles);
  SetCheck(Control(kShortcutsTarget), t.shortcuts);
  SetCheck(Control(kAllFilesTarget), t.allFiles);
  SetCheck(Control(kConfigurationFilesTarget), t.configFiles);
}

bool TargetsView::Command(int id, int code) {
  if (!Clicked(code)) return false;
  switch (id) {
    case kRegistryTarget:
    case kSettingsTarget:
    case kShortcutsTarget:
    case kAllFilesTarget:
    case kConfigurationFilesTarget: {
      Targets& t = wizard_.choices.targets;
      t.registry = Checked(Control(kRegistryTarget));
      t.settingsFiles = Checked(Control(kSettingsTarget));
      t.shortcuts = Checked(Control(kShortcutsTarget));
      t.allFiles = Checked(Control(kAllFilesTarget));
      t.configFiles = Checked(Control(kConfigurationFilesTarget));
      wizard_.TargetChecksClick();
      return true;
    }
    default: return false;
  }
}

bool TargetsView::Notify(const NMHDR& n, LRESULT& result) {
  if (n.idFrom != UINT_PTR(kDriveList)) return false;
  result = 0;
  if (n.code == LVN_ITEMCHANGED && !filling_) ReadDriveSelection();
  if (n.code == NM_CUSTOMDRAW) result = DriveListDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&n)));
  return true;
}

// The selected drives stand out in the highlight colours even while the list
// does not have the focus (the system would draw them pale grey).
LRESULT TargetsView::DriveListDraw(NMLVCUSTOMDRAW& cd) {
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
