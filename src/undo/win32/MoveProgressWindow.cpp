#include "undo/win32/MoveProgressWindow.h"

#include "core/PathText.h"
#include "core/Ui.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
//
#include <shlobj.h>

MoveProgressWindow::MoveProgressWindow(void* owner, const std::string& source, const std::string& targetFolder)
    : owner_(owner), title_("Moving " + SplitItemPath(RemoveSlash(source)).name + " to " + targetFolder) {
  if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                              dialog_.OutVoid())))
    dialog_.reset();
}

MoveProgressWindow::~MoveProgressWindow() {
  if (dialog_) dialog_->StopProgressDialog();
}

void MoveProgressWindow::Begin(std::uint64_t totalBytes) {
  total_ = totalBytes;
  if (!dialog_) return;
  dialog_->SetTitle(WideText(kAppTitle).c_str());
  dialog_->SetLine(1, WideText(title_).c_str(), FALSE, nullptr);
  if (FAILED(dialog_->StartProgressDialog(static_cast<HWND>(owner_), nullptr, PROGDLG_NORMAL | PROGDLG_AUTOTIME,
                                          nullptr)))
    dialog_.reset();
}

bool MoveProgressWindow::Progress(std::uint64_t doneBytes, const std::string& file) {
  if (!dialog_) return true;
  // The line is set a few times a second at most: a tree of small files
  // would spend its time drawing names.
  const unsigned long now = GetTickCount();
  if (now - lastShown_ >= 200) {
    lastShown_ = now;
    dialog_->SetLine(2, WideText(file).c_str(), TRUE, nullptr);
  }
  dialog_->SetProgress64(doneBytes, total_ ? total_ : 1);
  return !dialog_->HasUserCancelled();
}

CopyWatcher::Clash MoveProgressWindow::AskReplace(const std::string& existing, const std::string& incoming) {
  const std::string text = existing + " already exists.\r\n\r\nReplace it with " + incoming +
                           "?\r\n\r\nYes replaces it; No leaves both files where they are; Cancel stops the move "
                           "(what has arrived so far stays, and every original is still at its place).";
  // No is the default: nothing is lost by a key pressed too soon.
  switch (MessageBoxW(static_cast<HWND>(owner_), WideText(text).c_str(), WideText(kAppTitle).c_str(),
                      MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2)) {
    case IDYES: return Clash::Replace;
    case IDNO: return Clash::Keep;
    default: return Clash::Cancel;
  }
}
