#pragma once
// What the backup archive and the undo list need of the platform beyond the
// file system: the OEM code page of ZIP names, local time and the system's
// date and time formats.
#include <string>

#include "core/FileSystem.h"

class UndoPlatform {
 public:
  virtual ~UndoPlatform() = default;
  // ZIP names are stored in the OEM code page; paths are ANSI.
  virtual std::string ToOemCodePage(const std::string& text) = 0;
  virtual std::string FromOemCodePage(const std::string& text) = 0;
  // A file time (UTC) as local time, in the same unit.
  virtual FileTicks ToLocal(FileTicks utc) = 0;
  virtual FileTicks LocalNow() = 0;
  // A local time in the system's short date format and long time format.
  virtual std::string ShortDate(FileTicks local) = 0;
  virtual std::string LongTime(FileTicks local) = 0;
};
