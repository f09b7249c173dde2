#include "core/win32/SystemError.h"

#include "core/Error.h"
#include "core/win32/WidePath.h"

std::string SystemMessage(DWORD code) {
  wchar_t buf[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buf,
                           sizeof buf / sizeof buf[0], nullptr);
  while (n > 0 && (buf[n - 1] == L'\r' || buf[n - 1] == L'\n' || buf[n - 1] == L' ')) --n;
  if (n == 0) return "Error " + std::to_string(code) + ".";
  return Utf8Text(std::wstring_view(buf, n));
}

std::string Failure(std::string_view what, std::string_view place, DWORD code) {
  std::string text(what);
  text += " \"";
  text += place;
  text += "\": ";
  text += SystemMessage(code);
  return text;
}

void ThrowFailure(std::string_view what, std::string_view place, DWORD code) {
  throw Error(Failure(what, place, code));
}
