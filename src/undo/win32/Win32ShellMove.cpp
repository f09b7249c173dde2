#include "undo/win32/Win32ShellMove.h"

#include "undo/win32/CopyAcross.h"

#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
//
#include <shellapi.h>

ShellMoveResult Win32ShellMove::MoveItem(const std::string& source, const std::string& targetFolder, bool silent) {
  // The shell's copy to another volume writes each file under its final
  // name as it goes, so a kill leaves a part copy there. Where nobody is
  // shown its progress, the copy is made here, whole under each name.
  if (silent && OnOtherVolume(source, targetFolder)) {
    ShellMoveResult r;
    r.code = int(MoveAcrossVolumes(source, targetFolder));
    return r;
  }
  // Lists of one name each, ended by an empty name. The shell takes plain
  // paths, not the "\\?\" form.
  const std::wstring from = WideText(source) + std::wstring(2, L'\0');
  const std::wstring to = WideText(targetFolder) + std::wstring(2, L'\0');
  SHFILEOPSTRUCTW op{};
  op.hwnd = static_cast<HWND>(owner_);
  op.wFunc = FO_MOVE;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = silent ? FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR : 0;
  ShellMoveResult r;
  r.code = SHFileOperationW(&op);
  r.aborted = op.fAnyOperationsAborted != FALSE;
  return r;
}
