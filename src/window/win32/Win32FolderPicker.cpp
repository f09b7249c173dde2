#include "window/win32/Win32FolderPicker.h"

#include <shlobj.h>

namespace {
int CALLBACK StartAt(HWND h, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageA(h, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}
}  // namespace

std::optional<std::string> Win32FolderPicker::PickFolder(const std::string& title, const std::string& start) {
  BROWSEINFOA bi{};
  char name[MAX_PATH] = {};
  bi.hwndOwner = owner_;
  bi.pszDisplayName = name;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = StartAt;
  bi.lParam = start.empty() ? 0 : LPARAM(start.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderA(&bi);
  if (!pidl) return std::nullopt;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(pidl, path) != FALSE;
  CoTaskMemFree(pidl);
  if (!ok || !path[0]) return std::nullopt;
  return std::string(path);
}
