#pragma once
// OLE up on this thread for the life of the object (drag and drop, the
// clipboard and the shell's dialogs want it); undone only when this object
// brought it up.
#include "core/win32/WinApi.h"
//
#include <ole2.h>

class OleScope {
 public:
  OleScope() : hr_(OleInitialize(nullptr)) {}
  ~OleScope() {
    if (SUCCEEDED(hr_)) OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;

 private:
  HRESULT hr_;
};
