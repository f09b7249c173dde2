#include "core/Unicode.h"

#include "core/Utf8Codec.h"

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  unsigned char bytes[4];
  out.append(reinterpret_cast<const char*>(bytes), std::size_t(EncodeUtf8(c, bytes)));
}

// Decodes one sequence at text[i]; returns its length, or 0 when malformed.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& c) {
  return std::size_t(DecodeUtf8At(reinterpret_cast<const unsigned char*>(text.data()), text.size(), i, c));
}

}  // namespace

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8(text, i, c);
    if (len == 0) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += len;
  }
  return out;
}

std::string Utf8FromUtf16LeBytes(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = char16_t((unsigned char)bytes[2 * k] | ((unsigned char)bytes[2 * k + 1] << 8));
  return Utf8FromUtf16(units);
}

std::string Utf16LeBytesFromUtf8(std::string_view text) {
  const std::u16string units = Utf16FromUtf8(text);
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t k = 0; k < units.size(); ++k) {
    bytes[2 * k] = char(units[k] & 0xFF);
    bytes[2 * k + 1] = char(units[k] >> 8);
  }
  return bytes;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t len = DecodeUtf8(text, i, c);
    if (len == 0) return false;
    i += len;
  }
  return true;
}
