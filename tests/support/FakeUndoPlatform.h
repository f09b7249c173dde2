#pragma once
// The undo store's platform for native tests: a fixed time zone, a clock the
// test sets, US-style date and time formats and the US OEM code page.
#include <cstdio>
#include <string>

#include "support/Cp437.h"
#include "undo/CivilTime.h"
#include "undo/UndoPlatform.h"

class FakeUndoPlatform : public UndoPlatform {
 public:
  FileTicks utcOffset = 2 * 3600 * kTicksPerSecond;
  FileTicks localNow = 0;

  Cp437 oem;

  CodePage& OemCodePage() override { return oem; }
  FileTicks ToLocal(FileTicks utc) override { return utc + utcOffset; }
  FileTicks FromLocal(FileTicks local) override { return local - utcOffset; }
  FileTicks LocalNow() override { return localNow; }
  FileTicks UtcNow() override { return FromLocal(localNow); }
  std::string ShortDate(FileTicks local) override {
    const CivilTime t = CivilOf(local);
    return std::to_string(t.month) + "/" + std::to_string(t.day) + "/" + std::to_string(t.year);
  }
  std::string LongTime(FileTicks local) override {
    const CivilTime t = CivilOf(local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", t.hour % 12 == 0 ? 12 : t.hour % 12, t.minute, t.second,
                  t.hour < 12 ? "AM" : "PM");
    return buf;
  }
  std::string ShortTime(FileTicks local) override {
    const CivilTime t = CivilOf(local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d %s", t.hour % 12 == 0 ? 12 : t.hour % 12, t.minute,
                  t.hour < 12 ? "AM" : "PM");
    return buf;
  }
};
