#include "undo/win32/Win32ShellMove.h"

#include "undo/win32/CopyAcross.h"
#include "undo/win32/MoveProgressWindow.h"

#include "core/Ui.h"
#include "core/win32/SystemError.h"

#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
//
#include <shellapi.h>

ShellMoveResult Win32ShellMove::MoveItem(const std::string& source, const std::string& targetFolder, bool silent) {
  // The shell's copy to another volume writes each file under its final
  // name as it goes, so a kill leaves a part copy there: the copy is made
  // here, whole under each name, in front of the user with the system's
  // progress dialog and a question before anything is replaced.
  if (OnOtherVolume(source, targetFolder)) {
    ShellMoveResult r;
    if (silent) {
      r.code = int(MoveAcrossVolumes(source, targetFolder));
      return r;
    }
    const DWORD code = [&] {
      MoveProgressWindow watcher(owner_, source, targetFolder);
      return MoveAcrossVolumes(source, targetFolder, &watcher);
    }();
    r.aborted = code == ERROR_CANCELLED;
    r.code = r.aborted ? 0 : int(code);
    // The caller leaves the telling to the shell's dialogs: so do they here.
    if (!r.aborted && code != ERROR_SUCCESS)
      MessageBoxW(static_cast<HWND>(owner_),
                  WideText(source + " could not be moved to " + targetFolder + ": " + SystemMessage(code) +
                           "\r\n\r\nWhat arrived so far stays there; every original is still at its place.")
                      .c_str(),
                  WideText(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
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
