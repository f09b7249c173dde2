#pragma once
// COM up on this thread for the life of the object (apartment-threaded, as
// the shell wants it); on a thread where COM already runs in another mode
// its calls work all the same and nothing is undone.
#include "core/win32/WinApi.h"
//
#include <objbase.h>

class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};
