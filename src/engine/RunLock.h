#pragma once
// Only one run at a time, across the window program and the console front
// end: a run, an undo and a deletion of undo records each hold the lock.
#include "core/Error.h"

inline constexpr const char* kRunInProgressMessage =
    "Another Ostrivane run is in progress.  Please wait until it has finished.";

class RunLock {
 public:
  virtual ~RunLock() = default;
  virtual bool TryAcquire() = 0;
  virtual void Release() = 0;
};

// Holds the lock (when there is one) for its own life, also on failure;
// throws Error(kRunInProgressMessage) when another holder has it.
class RunLockScope {
 public:
  explicit RunLockScope(RunLock* lock) : lock_(lock) {
    if (lock_ && !lock_->TryAcquire()) throw Error(kRunInProgressMessage);
  }
  ~RunLockScope() {
    if (lock_) lock_->Release();
  }
  RunLockScope(const RunLockScope&) = delete;
  RunLockScope& operator=(const RunLockScope&) = delete;

 private:
  RunLock* lock_;
};
