#pragma once
// The undo store's platform on Windows: the OEM code page, local time and
// the user's date and time formats.
#include "core/win32/Win32CodePage.h"
#include "undo/UndoPlatform.h"

class Win32UndoPlatform : public UndoPlatform {
 public:
  CodePage& OemCodePage() override { return oem_; }
  FileTicks ToLocal(FileTicks utc) override;
  FileTicks FromLocal(FileTicks local) override;
  FileTicks LocalNow() override;
  FileTicks UtcNow() override;
  std::string ShortDate(FileTicks local) override;
  std::string LongTime(FileTicks local) override;
  std::string ShortTime(FileTicks local) override;

 private:
  Win32CodePage oem_{Win32CodePage::Which::Oem};
};
