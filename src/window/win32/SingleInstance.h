#pragma once
// One copy of the window program at a time: the named mutex of the first
// copy, and the hand-over by which a further copy passes its command line to
// the running one before it ends.
#include <string>

#include "core/win32/Owned.h"
#include "core/win32/WinApi.h"

// Taken at start and held for the process's whole life.
class InstanceMutex {
 public:
  InstanceMutex();
  ~InstanceMutex();
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;
  // False when another copy holds it, or it could not be made at all.
  bool First() const { return first_; }

 private:
  OwnedHandle handle_;
  bool first_ = false;
};

// The running copy's main window (class kMainWindowClass, titled "Ostrivane", of
// another process); null when there is none.
HWND FindRunningCopy();

// Restores the running copy, brings it to the front and delivers the text
// synchronously, as UTF-16: a global atom when it fits, else WM_COPYDATA. Waits a
// little for a copy that holds the mutex but has no window yet. Writes
// nothing; a copy that cannot be found is passed over silently.
void HandOverToRunningCopy(const std::string& text);

// The receiving side: true when the message is a hand-over, with its text
// (empty when the atom cannot be read). `result` is what the window
// procedure returns for it.
bool ReadHandOver(UINT msg, WPARAM wp, LPARAM lp, std::string& text, LRESULT& result);
