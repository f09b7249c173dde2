#include "undo/win32/Win32UndoPlatform.h"

#include "core/win32/WinApi.h"

namespace {
FILETIME ToFileTime(FileTicks t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t) >> 32);
  return ft;
}
FileTicks FromFileTime(const FILETIME& ft) {
  return static_cast<FileTicks>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}
SYSTEMTIME ToSystemTime(FileTicks t) {
  const FILETIME ft = ToFileTime(t);
  SYSTEMTIME st{};
  FileTimeToSystemTime(&ft, &st);
  return st;
}
std::string Trimmed(const char* buf, int written) { return written > 0 ? std::string(buf, written - 1) : std::string(); }
}  // namespace

std::string Win32UndoPlatform::ToOemCodePage(const std::string& text) {
  std::string out = text;
  if (!out.empty()) CharToOemBuffA(text.data(), out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::string Win32UndoPlatform::FromOemCodePage(const std::string& text) {
  std::string out = text;
  if (!out.empty()) OemToCharBuffA(text.data(), out.data(), static_cast<DWORD>(out.size()));
  return out;
}

FileTicks Win32UndoPlatform::ToLocal(FileTicks utc) {
  const FILETIME ft = ToFileTime(utc);
  FILETIME local;
  if (!FileTimeToLocalFileTime(&ft, &local)) return utc;
  return FromFileTime(local);
}

FileTicks Win32UndoPlatform::LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return FromFileTime(ft);
}

std::string Win32UndoPlatform::ShortDate(FileTicks local) {
  const SYSTEMTIME st = ToSystemTime(local);
  char buf[128];
  return Trimmed(buf, GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf));
}

std::string Win32UndoPlatform::LongTime(FileTicks local) {
  const SYSTEMTIME st = ToSystemTime(local);
  char buf[128];
  return Trimmed(buf, GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf));
}
