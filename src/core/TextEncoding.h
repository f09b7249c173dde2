#pragma once
// The encodings text files come in, and the way from a file's bytes to the
// program's UTF-8 and back. A file is rewritten in the encoding it was read
// in, so only the replaced text changes: every decoding is checked by a round
// trip, and a file that would not come back byte for byte is not touched.
#include <optional>
#include <string>
#include <string_view>

#include "core/CodePage.h"

enum class TextEncoding {
  Utf8,        // valid UTF-8 without a byte order mark; pure ASCII too
  Utf8Bom,     // EF BB BF
  Utf16LeBom,  // FF FE
  Utf16BeBom,  // FE FF
  Utf16Le,     // no mark, but plainly UTF-16LE text (see DetectEncoding)
  Ansi,        // anything else without NUL bytes: the system's ANSI code page
  Binary,      // NUL bytes and no sign of UTF-16: no text
};

// The encoding of a file's bytes, from its byte order mark, else its content.
// Text without a mark counts as UTF-16LE only when it has an even length, no
// NUL character, every character below U+0100 is a printable one or a line
// end or tab, and at least three quarters of the characters are below U+0100
// (every second byte NUL, as Latin text in UTF-16LE has it).
TextEncoding DetectEncoding(std::string_view bytes);

// The encoding as the user knows it: "UTF-8", "UTF-16LE", "Windows-1252" ...
std::string EncodingName(TextEncoding encoding, CodePage& ansi);

// A file's text as UTF-8, without its byte order mark. For a UTF-8 file it
// is a view of the file's own bytes (no copy); otherwise the decoded copy.
class DecodedText {
 public:
  DecodedText(TextEncoding encoding, std::string_view view) : encoding_(encoding), view_(view) {}
  DecodedText(TextEncoding encoding, std::string owned)
      : encoding_(encoding), owned_(std::move(owned)), isOwned_(true) {}
  TextEncoding Encoding() const { return encoding_; }
  std::string_view Text() const { return isOwned_ ? std::string_view(owned_) : view_; }

 private:
  TextEncoding encoding_;
  std::string_view view_;
  std::string owned_;
  bool isOwned_ = false;
};

// nullopt when the bytes are no text in that encoding (Binary), or would not
// be given back byte for byte by EncodeText (malformed UTF-8 after a UTF-8
// mark, an odd UTF-16 length, bytes the code page does not map both ways).
// A Utf8 result views `bytes`, which must outlive it.
std::optional<DecodedText> DecodeText(std::string_view bytes, TextEncoding encoding, CodePage& ansi);

// UTF-8 text as a file's bytes in the encoding, byte order mark included;
// nullopt when the encoding cannot hold every character of it.
std::optional<std::string> EncodeText(std::string text, TextEncoding encoding, CodePage& ansi);

// False only when a file with these bytes in this encoding cannot hold
// `text` (ignoring the case of a-z, as FindFold does) once decoded: a search
// of the raw bytes that lets most files be passed over without decoding.
bool MayHold(std::string_view bytes, TextEncoding encoding, std::string_view text, CodePage& ansi);
