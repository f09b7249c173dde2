#pragma once
// The undo store's platform for native tests: a fixed time zone, a clock the
// test sets, US-style date and time formats and a two-letter OEM code page.
#include <cstdio>
#include <string>

#include "undo/CivilTime.h"
#include "undo/UndoPlatform.h"

class FakeUndoPlatform : public UndoPlatform {
 public:
  FileTicks utcOffset = 2 * 3600 * kTicksPerSecond;
  FileTicks localNow = 0;

  // ANSI e-acute and u-umlaut have OEM codes of their own; the euro sign has none.
  std::string ToOemCodePage(const std::string& text) override {
    std::string out = text;
    for (char& c : out) c = c == '\xE9' ? '\x82' : c == '\xFC' ? '\x81' : c == '\x80' ? '?' : c;
    return out;
  }
  std::string FromOemCodePage(const std::string& text) override {
    std::string out = text;
    for (char& c : out) c = c == '\x82' ? '\xE9' : c == '\x81' ? '\xFC' : c;
    return out;
  }
  FileTicks ToLocal(FileTicks utc) override { return utc + utcOffset; }
  FileTicks LocalNow() override { return localNow; }
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
};
