#pragma once
// The rails an undo keeps to, as a test machine has them: the program's
// records folder and the Windows folder named, a run lock no one else holds.
#include <string>

#include "engine/GuardRails.h"
#include "engine/RunLock.h"

struct TestKnownFolders : KnownFolders {
  ProtectedPlaces places;
  ProtectedPlaces Places() override { return places; }
};

struct FreeRunLock : RunLock {
  bool TryAcquire() override { return true; }
  void Release() override {}
};
