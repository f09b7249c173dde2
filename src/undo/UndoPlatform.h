#pragma once
// What the backup archive and the undo list need of the platform beyond the
// file system: the OEM code page of older ZIP names, local time and the
// system's date and time formats.
#include <string>

#include "core/CodePage.h"
#include "core/FileSystem.h"

class UndoPlatform {
 public:
  virtual ~UndoPlatform() = default;
  // ZIP names without the UTF-8 flag (archives of earlier builds, other
  // tools) are in the system's OEM code page.
  virtual CodePage& OemCodePage() = 0;
  // A file time (UTC) as local time, in the same unit.
  virtual FileTicks ToLocal(FileTicks utc) = 0;
  // The way back from ToLocal.
  virtual FileTicks FromLocal(FileTicks local) = 0;
  virtual FileTicks LocalNow() = 0;
  // The time now in UTC, as file times are: the records keep it so, as no
  // change of zone or clock setting can reorder them.
  virtual FileTicks UtcNow() = 0;
  // A local time in the system's short date format and long time format,
  // and in its short time format (no seconds).
  virtual std::string ShortDate(FileTicks local) = 0;
  virtual std::string LongTime(FileTicks local) = 0;
  virtual std::string ShortTime(FileTicks local) = 0;
};
