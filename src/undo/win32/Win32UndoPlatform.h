#pragma once
// The undo store's platform on Windows: the OEM code page, local time and
// the user's date and time formats.
#include "undo/UndoPlatform.h"

class Win32UndoPlatform : public UndoPlatform {
 public:
  std::string ToOemCodePage(const std::string& text) override;
  std::string FromOemCodePage(const std::string& text) override;
  FileTicks ToLocal(FileTicks utc) override;
  FileTicks LocalNow() override;
  std::string ShortDate(FileTicks local) override;
  std::string LongTime(FileTicks local) override;
};
