#pragma once
// Calendar arithmetic on file ticks (100 ns since 1601-01-01), for the
// MS-DOS times of ZIP entries, the ages of undo records and the times the
// change reports keep.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/FileSystem.h"

constexpr FileTicks kTicksPerSecond = 10'000'000;
constexpr FileTicks kTicksPerDay = 86'400 * kTicksPerSecond;

struct CivilTime {
  int year = 1601, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

CivilTime CivilOf(FileTicks ticks);
FileTicks TicksOf(const CivilTime& t);

struct DosDateTime {
  std::uint16_t date = 0;
  std::uint16_t time = 0;
};
// MS-DOS form of a local time; clamped to 1980..2107, two-second steps.
DosDateTime DosOf(FileTicks local);
// The local time an MS-DOS date and time stand for; fields out of range
// (month 0, day 0, as some tools write) are taken as their lowest value.
FileTicks LocalOfDos(DosDateTime dos);

// A UTC time as the change reports keep it for the program to read back:
// "2026-12-08T20:40:47.123Z", the same in every locale, to the millisecond.
std::string UtcStampText(FileTicks utc);
// The time such a text stands for; nullopt for any other text.
std::optional<FileTicks> UtcStampTicks(std::string_view text);
