#include "support/TableCodePage.h"

#include "core/Unicode.h"

char16_t TableCodePage::Decode(unsigned char b) const {
  if (b < 0x80) return char16_t(b);
  return high_[b - 0x80] ? high_[b - 0x80] : char16_t(b);
}

std::string TableCodePage::ToUtf8(std::string_view bytes) {
  std::u16string wide;
  for (unsigned char b : bytes) wide += Decode(b);
  return Utf8FromUtf16(wide);
}

std::optional<std::string> TableCodePage::FromUtf8(std::string_view text) {
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
