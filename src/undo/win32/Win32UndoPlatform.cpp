#include "undo/win32/Win32UndoPlatform.h"

#include "core/win32/WidePath.h"
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
std::string Trimmed(const wchar_t* buf, int written) {
  return written > 0 ? Utf8Text(std::wstring_view(buf, std::size_t(written - 1))) : std::string();
}
}  // namespace

FileTicks Win32UndoPlatform::ToLocal(FileTicks utc) {
  const FILETIME ft = ToFileTime(utc);
  FILETIME local;
  if (!FileTimeToLocalFileTime(&ft, &local)) return utc;
  return FromFileTime(local);
}

FileTicks Win32UndoPlatform::FromLocal(FileTicks local) {
  const FILETIME ft = ToFileTime(local);
  FILETIME utc;
  if (!LocalFileTimeToFileTime(&ft, &utc)) return local;
  return FromFileTime(utc);
}

FileTicks Win32UndoPlatform::LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return FromFileTime(ft);
}

FileTicks Win32UndoPlatform::UtcNow() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return FromFileTime(ft);
}

std::string Win32UndoPlatform::ShortDate(FileTicks local) {
  const SYSTEMTIME st = ToSystemTime(local);
  wchar_t buf[128];
  return Trimmed(buf, GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128));
}

std::string Win32UndoPlatform::LongTime(FileTicks local) {
  const SYSTEMTIME st = ToSystemTime(local);
  wchar_t buf[128];
  return Trimmed(buf, GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 128));
}

std::string Win32UndoPlatform::ShortTime(FileTicks local) {
  const SYSTEMTIME st = ToSystemTime(local);
  wchar_t buf[128];
  return Trimmed(buf, GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, 128));
}
