#pragma once
// The shell's file operation (SHFileOperationW, FO_MOVE) behind the move port
// within a volume; a move to another volume is copied file by file here
// instead (CopyAcross.h), shown in a progress window unless silent.
#include "undo/ShellMove.h"

class Win32ShellMove : public ShellMove {
 public:
  // The window the shell's progress window and questions belong to (an
  // HWND); none until the window program has made its main window.
  void SetOwner(void* window) { owner_ = window; }
  ShellMoveResult MoveItem(const std::string& source, const std::string& targetFolder, bool silent) override;

 private:
  void* owner_ = nullptr;
};
