#pragma once
// Text inside the program is UTF-8; the platform speaks UTF-16. Names and
// data read from the platform may hold lone surrogates (the platform allows
// them in file, key and value names), so the conversion is the generalised
// form of UTF-8 that encodes a lone surrogate as its own three bytes: every
// UTF-16 string survives the round trip exactly.
#include <cstddef>
#include <string>
#include <string_view>

// UTF-16 (host order) to UTF-8; lone surrogates as three-byte sequences.
std::string Utf8FromUtf16(std::u16string_view text);
// UTF-8 to UTF-16; a byte that does not start or continue a valid sequence
// becomes U+FFFD, so text from outside never stops a conversion.
std::u16string Utf16FromUtf8(std::string_view text);

// UTF-16LE bytes (as the registry and files hold them) to UTF-8 and back. An
// odd last byte is dropped by the first; callers that need exactness keep the
// raw bytes beside the text.
std::string Utf8FromUtf16LeBytes(std::string_view bytes);
std::string Utf16LeBytesFromUtf8(std::string_view text);

// True when the bytes are well-formed UTF-8 (surrogates encoded as three
// bytes are accepted, so converted platform names pass).
bool IsValidUtf8(std::string_view text);
// Number of bytes of the UTF-8 sequence that starts with this byte (1 for a
// byte that cannot start one).
std::size_t Utf8SequenceLength(unsigned char lead);
