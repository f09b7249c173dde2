#include "undo/CivilTime.h"

#include <algorithm>
#include <cstdio>

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date and back (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}
const std::int64_t kDays1601To1970 = -DaysFromCivil(1601, 1, 1);
}  // namespace

CivilTime CivilOf(FileTicks ticks) {
  if (ticks < 0) ticks = 0;
  CivilTime t;
  const std::int64_t days = ticks / kTicksPerDay;
  std::int64_t rest = ticks % kTicksPerDay;
  CivilFromDays(days - kDays1601To1970, t.year, t.month, t.day);
  t.hour = static_cast<int>(rest / (3600 * kTicksPerSecond));
  rest %= 3600 * kTicksPerSecond;
  t.minute = static_cast<int>(rest / (60 * kTicksPerSecond));
  rest %= 60 * kTicksPerSecond;
  t.second = static_cast<int>(rest / kTicksPerSecond);
  t.millisecond = static_cast<int>(rest % kTicksPerSecond / 10'000);
  return t;
}

FileTicks TicksOf(const CivilTime& t) {
  const std::int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) +
                            kDays1601To1970;
  return days * kTicksPerDay + ((t.hour * 60 + t.minute) * 60 + t.second) * kTicksPerSecond +
         static_cast<FileTicks>(t.millisecond) * 10'000;
}

FileTicks LocalOfDos(DosDateTime dos) {
  CivilTime t;
  t.year = 1980 + (dos.date >> 9);
  t.month = std::clamp((dos.date >> 5) & 0xF, 1, 12);
  t.day = std::max(dos.date & 0x1F, 1);
  t.hour = std::min(dos.time >> 11, 23);
  t.minute = std::min((dos.time >> 5) & 0x3F, 59);
  t.second = std::min((dos.time & 0x1F) * 2, 59);
  return TicksOf(t);
}

DosDateTime DosOf(FileTicks local) {
  CivilTime t = CivilOf(local);
  if (t.year < 1980) t = CivilTime{1980, 1, 1};
  if (t.year > 2107) t = CivilTime{2107, 12, 31, 23, 59, 58};
  DosDateTime d;
  d.date = static_cast<std::uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
  d.time = static_cast<std::uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
  return d;
}

std::string UtcStampText(FileTicks utc) {
  const CivilTime t = CivilOf(utc);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  return buf;
}

std::optional<FileTicks> UtcStampTicks(std::string_view text) {
  static constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kForm.size()) return std::nullopt;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
  }
  const auto number = [&](std::size_t at, std::size_t length) {
    int n = 0;
    for (std::size_t i = at; i < at + length; ++i) n = n * 10 + (text[i] - '0');
    return n;
  };
  CivilTime t;
  t.year = number(0, 4);
  t.month = number(5, 2);
  t.day = number(8, 2);
  t.hour = number(11, 2);
  t.minute = number(14, 2);
  t.second = number(17, 2);
  t.millisecond = number(20, 3);
  if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59)
    return std::nullopt;
  const FileTicks ticks = TicksOf(t);
  // A day past the month's end (February 30) would come back as another date.
  const CivilTime back = CivilOf(ticks);
  if (back.month != t.month || back.day != t.day) return std::nullopt;
  return ticks;
}
