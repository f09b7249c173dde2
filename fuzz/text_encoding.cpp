// The decoding of settings and configuration files: the detected encoding,
// the text, and the bytes the text encodes back to. Properties: a decoding
// that succeeds gives text that encodes back to exactly the file's bytes (in
// every encoding tried, not only the detected one); UTF-16 and UTF-8 text
// is well-formed; and the raw-byte prefilter never passes over a file whose
// text holds the searched text.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/Text.h"
#include "core/TextEncoding.h"
#include "core/Unicode.h"
#include "support/Cp1252.h"

namespace {
constexpr TextEncoding kAll[] = {TextEncoding::Utf8,    TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom,
                                 TextEncoding::Utf16BeBom, TextEncoding::Utf16Le, TextEncoding::Ansi,
                                 TextEncoding::Binary};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Cp1252 ansi;
  const TextEncoding detected = DetectEncoding(bytes);
  FUZZ_CHECK(!EncodingName(detected, ansi).empty());
  if (detected == TextEncoding::Binary) FUZZ_CHECK(bytes.find('\0') != std::string_view::npos);
  if (detected == TextEncoding::Utf8) FUZZ_CHECK(IsValidUtf8(bytes));

  for (const TextEncoding encoding : kAll) {
    const auto decoded = DecodeText(bytes, encoding, ansi);
    if (!decoded) continue;
    FUZZ_CHECK(encoding != TextEncoding::Binary);
    const std::string text(decoded->Text());
    FUZZ_CHECK(decoded->Encoding() == encoding);
    const auto back = EncodeText(text, encoding, ansi);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(*back == bytes);

    // The prefilter against the search it stands for, with a piece of the
    // text itself (in another case) and a fixed path.
    const std::size_t at = text.size() / 3;
    const std::string piece = UpperAZ(std::string_view(text).substr(at, 12));
    for (const std::string_view needle : {std::string_view(piece), std::string_view("C:\\Program Files")}) {
      if (needle.empty()) continue;
      if (FindFold(text, needle) != kNotFound) FUZZ_CHECK(MayHold(bytes, encoding, needle, ansi));
    }
  }

  // The other way: the bytes taken as text, encoded and decoded again.
  // Only text the platform can give (a surrogate pair spelt as two
  // three-byte sequences comes back from UTF-16 as one four-byte one).
  if (IsValidUtf8(bytes) && Utf8FromUtf16(Utf16FromUtf8(bytes)) == bytes) {
    for (const TextEncoding encoding : kAll) {
      const auto encoded = EncodeText(std::string(bytes), encoding, ansi);
      if (!encoded) continue;
      const auto decoded = DecodeText(*encoded, encoding, ansi);
      if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf8) {
        // No mark: the text may begin like one, and then decodes otherwise.
        if (!decoded) continue;
      } else {
        FUZZ_CHECK(decoded.has_value());
      }
      FUZZ_CHECK(decoded->Text() == bytes);
    }
  }
  return 0;
}
