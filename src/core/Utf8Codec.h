#pragma once
// One UTF-8 character at a time, for the fold search and the UTF-16
// conversion alike. The decoder reads the generalised form (a surrogate
// encoded as its own three bytes is a character); callers that want strict
// UTF-8 pass over what IsSurrogate names.
#include <cstddef>

inline bool IsSurrogate(char32_t cp) { return cp >= 0xD800 && cp < 0xE000; }

// The character at s[i] (of n bytes) and its length, or 0 when s[i] starts
// no well-formed sequence (no overlong forms, nothing above U+10FFFF).
inline int DecodeUtf8At(const unsigned char* s, std::size_t n, std::size_t i, char32_t& cp) {
  const unsigned b0 = s[i];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  const std::size_t left = n - i;
  auto cont = [&](std::size_t k) { return k < left && (s[i + k] & 0xC0) == 0x80; };
  if (b0 < 0xC2) return 0;
  if (b0 < 0xE0) {
    if (!cont(1)) return 0;
    cp = char32_t((b0 & 0x1F) << 6 | (s[i + 1] & 0x3F));
    return 2;
  }
  if (b0 < 0xF0) {
    if (!cont(1) || !cont(2)) return 0;
    cp = char32_t((b0 & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F));
    return cp < 0x800 ? 0 : 3;
  }
  if (b0 < 0xF5) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    cp = char32_t((b0 & 0x07) << 18 | (s[i + 1] & 0x3F) << 12 | (s[i + 2] & 0x3F) << 6 | (s[i + 3] & 0x3F));
    return (cp < 0x10000 || cp > 0x10FFFF) ? 0 : 4;
  }
  return 0;
}

// Writes cp's bytes to out (room for four) and returns how many.
inline int EncodeUtf8(char32_t cp, unsigned char* out) {
  if (cp < 0x80) {
    out[0] = (unsigned char)cp;
    return 1;
  }
  if (cp < 0x800) {
    out[0] = (unsigned char)(0xC0 | cp >> 6);
    out[1] = (unsigned char)(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = (unsigned char)(0xE0 | cp >> 12);
    out[1] = (unsigned char)(0x80 | (cp >> 6 & 0x3F));
    out[2] = (unsigned char)(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = (unsigned char)(0xF0 | cp >> 18);
  out[1] = (unsigned char)(0x80 | (cp >> 12 & 0x3F));
  out[2] = (unsigned char)(0x80 | (cp >> 6 & 0x3F));
  out[3] = (unsigned char)(0x80 | (cp & 0x3F));
  return 4;
}
