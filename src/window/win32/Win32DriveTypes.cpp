#include "window/win32/Win32DriveTypes.h"

#include "core/Text.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

int Win32DriveTypes::DriveTypeOf(const std::string& drive) {
  if (drive.empty()) return DRIVE_UNKNOWN;
  return int(GetDriveTypeW(WideText(AddSlash(drive)).c_str()));
}
