#include "core/win32/Win32CodePage.h"

#include "core/Unicode.h"
#include "core/win32/WinApi.h"

Win32CodePage::Win32CodePage(Which which) : number_(which == Which::Ansi ? GetACP() : GetOEMCP()) {}

std::string Win32CodePage::ToUtf8(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(number_, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string wide(std::size_t(n), u'\0');
  MultiByteToWideChar(number_, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(wide.data()), n);
  return Utf8FromUtf16(wide);
}

std::optional<std::string> Win32CodePage::FromUtf8(std::string_view text) {
  if (text.empty()) return std::string();
  const std::u16string wide = Utf16FromUtf8(text);
  const auto* w = reinterpret_cast<const wchar_t*>(wide.data());
  // UTF-7/UTF-8 refuse the default-character arguments.
  const bool unicodePage = number_ == CP_UTF8 || number_ == CP_UTF7;
  const DWORD flags = unicodePage ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = unicodePage ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(number_, flags, w, int(wide.size()), nullptr, 0, nullptr, used);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(number_, flags, w, int(wide.size()), out.data(), n, nullptr, used);
  if (usedDefault) return std::nullopt;
  // Without best fit a character can still come back as another one; a
  // round trip is the only sure test.
  if (ToUtf8(out) != text) return std::nullopt;
  return out;
}

std::string Win32CodePage::Name() {
  // The Windows code pages go by "Windows-" and their number; the rest by number.
  if (number_ == 874 || (number_ >= 1250 && number_ <= 1258)) return "Windows-" + std::to_string(number_);
  if (number_ == CP_UTF8) return "UTF-8";
  return "code page " + std::to_string(number_);
}
