#pragma once
// The wide Win32 functions take UTF-16 in wchar_t; inside, text is UTF-8.
// These convert at that boundary (lone surrogates survive both ways).
#include <string>
#include <string_view>

#include "core/Unicode.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

inline std::wstring WideFromUtf8(std::string_view utf8) {
  const std::u16string units = Utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string Utf8FromWide(std::wstring_view wide) {
  return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}
