#include "core/TextEncoding.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/Text.h"
#include "core/Unicode.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }


// Valid UTF-8, runs of ASCII skipped eight bytes at a time: most files are
// plain ASCII and this runs over every file a walk opens.
bool IsUtf8(std::string_view bytes) {
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    if ((unsigned char)bytes[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8SequenceLength((unsigned char)bytes[i]);
    if (len == 1 || i + len > n || !IsValidUtf8(bytes.substr(i, len))) return false;
    i += len;
  }
  return true;
}

char16_t UnitAt(std::string_view bytes, std::size_t k, bool bigEndian) {
  const auto lo = (unsigned char)bytes[2 * k + (bigEndian ? 1 : 0)];
  const auto hi = (unsigned char)bytes[2 * k + (bigEndian ? 0 : 1)];
  return char16_t(lo | (hi << 8));
}

bool LooksLikeUtf16Le(std::string_view bytes) {
  if (bytes.size() < 4 || bytes.size() % 2 != 0) return false;
  const std::size_t units = bytes.size() / 2;
  std::size_t low = 0;
  for (std::size_t k = 0; k < units; ++k) {
    const char16_t u = UnitAt(bytes, k, false);
    if (u >= 0x100) continue;
    if (u < 0x20 && u != '\t' && u != '\r' && u != '\n') return false;
    if (u == 0x7F) return false;
    ++low;
  }
  return low * 4 >= units * 3;
}

std::string Utf8FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t k = 0; k < units.size(); ++k) units[k] = UnitAt(bytes, k, bigEndian);
  return Utf8FromUtf16(units);
}

std::string Utf16BytesFromUtf8(std::string_view text, bool bigEndian) {
  std::string bytes = Utf16LeBytesFromUtf8(text);
  if (bigEndian)
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) std::swap(bytes[k], bytes[k + 1]);
  return bytes;
}

std::string_view BomOf(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8Bom: return kUtf8Bom;
    case TextEncoding::Utf16LeBom: return kUtf16LeBom;
    case TextEncoding::Utf16BeBom: return kUtf16BeBom;
    default: return {};
  }
}

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
  if (StartsWith(bytes, kUtf8Bom)) return TextEncoding::Utf8Bom;
  if (StartsWith(bytes, kUtf16LeBom)) return TextEncoding::Utf16LeBom;
  if (StartsWith(bytes, kUtf16BeBom)) return TextEncoding::Utf16BeBom;
  if (bytes.find('\0') != std::string_view::npos)
    return LooksLikeUtf16Le(bytes) ? TextEncoding::Utf16Le : TextEncoding::Binary;
  return IsUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

std::string EncodingName(TextEncoding encoding, CodePage& ansi) {
  switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom: return "UTF-8";
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16Le: return "UTF-16LE";
    case TextEncoding::Utf16BeBom: return "UTF-16BE";
    case TextEncoding::Ansi: return ansi.Name();
    case TextEncoding::Binary: break;
  }
  return "binary";
}

std::optional<DecodedText> DecodeText(std::string_view bytes, TextEncoding encoding, CodePage& ansi) {
  // Bytes without the encoding's mark are no text in it (and may be shorter than the mark).
  if (!StartsWith(bytes, BomOf(encoding))) return std::nullopt;
  const std::string_view body = bytes.substr(BomOf(encoding).size());
  std::string text;
  switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
      // UTF-8 is the program's own form: nothing to convert, nothing to copy.
      if (!IsUtf8(body)) return std::nullopt;
      return DecodedText(encoding, body);
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16BeBom:
      if (body.size() % 2 != 0) return std::nullopt;  // a stray last byte would be lost
      text = Utf8FromUtf16Bytes(body, encoding == TextEncoding::Utf16BeBom);
      break;
    case TextEncoding::Ansi: text = ansi.ToUtf8(body); break;
    case TextEncoding::Binary: return std::nullopt;
  }
  // Some code pages decode several byte sequences to one character, or leave
  // bytes undefined: such a file could not be written back as it was.
  const std::optional<std::string> back = EncodeText(text, encoding, ansi);
  if (!back || *back != bytes) return std::nullopt;
  return DecodedText(encoding, std::move(text));
}

std::optional<std::string> EncodeText(std::string text, TextEncoding encoding, CodePage& ansi) {
  switch (encoding) {
    case TextEncoding::Utf8: return text;
    case TextEncoding::Utf8Bom:
      text.insert(0, kUtf8Bom);
      return text;
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16BeBom:
      return std::string(BomOf(encoding)) + Utf16BytesFromUtf8(text, encoding == TextEncoding::Utf16BeBom);
    case TextEncoding::Ansi: return ansi.FromUtf8(text);
    case TextEncoding::Binary: break;
  }
  return std::nullopt;
}

namespace {
std::string_view LongestAsciiStretch(std::string_view text) {
  std::string_view best;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && (unsigned char)text[i] < 0x80) continue;
    if (i - start > best.size()) best = text.substr(start, i - start);
    start = i + 1;
  }
  return best;
}
}  // namespace

bool MayHold(std::string_view bytes, TextEncoding encoding, std::string_view text, CodePage& /*ansi*/) {
  if (text.empty()) return false;
  if (encoding == TextEncoding::Binary) return false;
  if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) return FindFold(bytes, text) != kNotFound;
  // In other encodings a letter beyond ASCII has other bytes in each case, so
  // only the text's longest ASCII stretch is looked for; its letters are the
  // same few bytes in any case. More hits than there are, never fewer.
  const std::string_view ascii = LongestAsciiStretch(text);
  if (ascii.size() < 2) return true;
  if (encoding == TextEncoding::Ansi) return FindFold(bytes, ascii) != kNotFound;
  return FindFold(bytes, Utf16BytesFromUtf8(ascii, encoding == TextEncoding::Utf16BeBom)) != kNotFound;
}
