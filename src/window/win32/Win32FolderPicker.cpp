#include "window/win32/Win32FolderPicker.h"

#include <shlobj.h>

#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"

namespace {
int CALLBACK StartAt(HWND h, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(h, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}
}  // namespace

std::optional<std::string> Win32FolderPicker::PickFolder(const std::string& title, const std::string& start) {
  const std::wstring wideTitle = WideText(title), wideStart = WideText(start);
  BROWSEINFOW bi{};
  wchar_t name[MAX_PATH] = {};
  bi.hwndOwner = owner_;
  bi.pszDisplayName = name;
  bi.lpszTitle = wideTitle.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = StartAt;
  bi.lParam = start.empty() ? 0 : LPARAM(wideStart.c_str());
  const CoTaskMem<PIDLIST_ABSOLUTE> pidl(SHBrowseForFolderW(&bi));
  if (!pidl) return std::nullopt;
  // The path without a length limit (SHGetPathFromIDList stops at MAX_PATH).
  CoTaskMem<PWSTR> path;
  const bool ok = SUCCEEDED(SHGetNameFromIDList(pidl.get(), SIGDN_FILESYSPATH, path.out())) && path;
  std::string result = ok ? Utf8Text(path.get()) : "";
  if (result.empty()) return std::nullopt;
  return result;
}
