#include "support/Cp1252.h"

#include "core/Unicode.h"

namespace {
// 0x80..0x9F; 0 marks the five bytes the code page leaves undefined (the
// platform maps those to the matching C1 control).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
char16_t Decode(unsigned char b) {
  if (b >= 0x80 && b < 0xA0) return kHigh[b - 0x80] ? kHigh[b - 0x80] : char16_t(b);
  return char16_t(b);
}
}  // namespace

std::string Cp1252::ToUtf8(std::string_view bytes) {
  std::u16string wide;
  for (unsigned char b : bytes) wide += Decode(b);
  return Utf8FromUtf16(wide);
}

std::optional<std::string> Cp1252::FromUtf8(std::string_view text) {
  std::string out;
  for (char16_t c : Utf16FromUtf8(text)) {
    int found = -1;
    for (int b = 0; b < 256 && found < 0; ++b)
      if (Decode((unsigned char)b) == c) found = b;
    if (found < 0) return std::nullopt;
    out += char(found);
  }
  return out;
}
