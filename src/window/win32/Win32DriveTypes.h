#pragma once
// Drive types from the system (GetDriveTypeW).
#include "window/MoveSelection.h"

class Win32DriveTypes : public DriveTypeSource {
 public:
  // Asked with the root (C:\): without its backslash the system may answer
  // "no root directory" for any drive, a CD drive included.
  int DriveTypeOf(const std::string& drive) override;
};
