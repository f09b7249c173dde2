#include "window/win32/FolderTree.h"

#include <shellapi.h>
#include <shlobj.h>

#include <iterator>

#include "core/ScopeExit.h"
#include "core/Text.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"

namespace {
// lParam of a node: whether its children have been listed.
constexpr LPARAM kListed = 1;

int SystemIcon(const std::string& path, DWORD attributes, UINT extra) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(WideText(path).c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra))
    return 0;
  return info.iIcon;
}

int MyComputerIcon() {
  CoTaskMem<PIDLIST_ABSOLUTE> pidl;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, pidl.out())) || !pidl) return 0;
  SHFILEINFOW info{};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl.get()), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  return info.iIcon;
}

std::string ItemText(HWND tree, HTREEITEM item) {
  // Node texts are names of one folder or file, or a drive's caption.
  wchar_t buffer[MAX_PATH * 2] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = int(std::size(buffer));
  SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
  return Utf8Text(buffer);
}
}  // namespace

void FolderTree::Attach(HWND tree) {
  tree_ = tree;
  // The system's list of small icons, shared with the shell (not ours to free).
  SHFILEINFOW info{};
  auto images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (images) SendMessageW(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
}

void FolderTree::Reload() {
  SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(tree_, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
  Fill(TVI_ROOT);
  if (auto root = HTREEITEM(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0)))
    SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, LPARAM(root));
  SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
  loaded_ = true;
}

NodeChain FolderTree::ChainOf(HTREEITEM item) const {
  NodeChain chain;
  for (; item; item = HTREEITEM(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(item))))
    chain.push_back(ItemText(tree_, item));
  return chain;
}

HTREEITEM FolderTree::Selected() const { return HTREEITEM(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0)); }

HTREEITEM FolderTree::ItemAt(POINT screen) const {
  TVHITTESTINFO hit{};
  hit.pt = screen;
  ScreenToClient(tree_, &hit.pt);
  RECT rc;
  GetClientRect(tree_, &rc);
  if (!PtInRect(&rc, hit.pt)) return nullptr;
  const auto item = HTREEITEM(SendMessageW(tree_, TVM_HITTEST, 0, LPARAM(&hit)));
  return (hit.flags & TVHT_ONITEM) ? item : nullptr;
}

void FolderTree::ClearSelection() { SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, 0); }

bool FolderTree::Expanding(HTREEITEM item) {
  TVITEMW tv{};
  tv.mask = TVIF_PARAM | TVIF_CHILDREN;
  tv.hItem = item;
  SendMessageW(tree_, TVM_GETITEMW, 0, LPARAM(&tv));
  if (tv.lParam == kListed) return false;
  {
    const HCURSOR old = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
    const ScopeExit arrowBack{[old] { SetCursor(old); }};
    Fill(item);
  }
  tv.mask = TVIF_PARAM | TVIF_CHILDREN;
  tv.lParam = kListed;
  tv.cChildren = SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item)) ? 1 : 0;
  SendMessageW(tree_, TVM_SETITEMW, 0, LPARAM(&tv));
  return tv.cChildren == 0;
}

void FolderTree::ChildrenAsked(NMTVDISPINFOW& info) {
  if (!(info.item.mask & TVIF_CHILDREN)) return;
  info.item.cChildren = wizard_.moving.TreeFolderShowsAnything(side_, ChainOf(info.item.hItem)) ? 1 : 0;
  info.item.mask |= TVIF_DI_SETITEM;  // kept: asked once per folder
}

void FolderTree::Fill(HTREEITEM parent) {
  const NodeChain chain = parent == TVI_ROOT ? NodeChain{} : ChainOf(parent);
  for (const TreeEntry& e : wizard_.moving.TreeChildrenOf(side_, chain)) {
    std::wstring text = WideText(e.text);
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = text.data();
    // A folder's button waits until the tree shows the folder: telling
    // whether it holds anything reads the disk.
    ins.item.cChildren = !e.mayExpand ? 0 : e.folder && chain.size() >= 2 ? I_CHILDRENCALLBACK : 1;
    ins.item.lParam = 0;
    ins.item.iImage = ins.item.iSelectedImage = IconOf(e, chain);
    SendMessageW(tree_, TVM_INSERTITEMW, 0, LPARAM(&ins));
  }
}

int FolderTree::IconOf(const TreeEntry& e, const NodeChain& parentChain) const {
  // Folders and files by kind and extension: the shell need not touch the disk.
  if (parentChain.empty()) return MyComputerIcon();
  if (parentChain.size() == 1) return SystemIcon(AddSlash(NodePath({e.text})), 0, 0);
  return SystemIcon(e.text, e.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
}

HTREEITEM FolderTree::Child(HTREEITEM parent, const std::string& text) const {
  auto item = HTREEITEM(SendMessageW(tree_, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, LPARAM(parent)));
  for (; item; item = HTREEITEM(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item)))) {
    const std::string t = ItemText(tree_, item);
    if (t == text) return item;
    if (text.size() == 2 && text[1] == ':' && t.find(':') != std::string::npos && EqualNoCaseAZ(NodeDrive({t}), text))
      return item;
  }
  return nullptr;
}

void FolderTree::Expand(HTREEITEM item) { SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, LPARAM(item)); }
