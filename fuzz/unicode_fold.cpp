// The UTF-8 / UTF-16 conversions and the search across case. The first
// input byte picks the needle's length, the second where the search starts;
// the rest is the text searched (and, as UTF-16LE bytes, converted).
// Properties: conversions give back exactly what they were given wherever
// that is promised; FindFoldMatch finds what a plain scan with EqualFold
// finds, first place first; FoldKey agrees with EqualFold; a fold prefix is
// a prefix that EqualFold accepts.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/Text.h"
#include "core/Unicode.h"

namespace {
// The first place at or after `from` where some part of hay equals needle
// across case; a character of either case takes at most four bytes.
std::size_t BruteForceFind(std::string_view hay, std::string_view needle, std::size_t from) {
  const std::size_t longest = 4 * needle.size();
  for (std::size_t i = from; i < hay.size(); ++i)
    for (std::size_t len = 1; len <= std::min(longest, hay.size() - i); ++len)
      if (EqualFold(hay.substr(i, len), needle)) return i;
  return kNotFound;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::string_view rest = all.substr(2);

  // Conversions.
  const std::string asText(rest);
  const std::u16string units = Utf16FromUtf8(asText);
  if (IsValidUtf8(asText)) {
    const std::string back = Utf8FromUtf16(units);
    // Equal, but for a surrogate pair spelt as two three-byte sequences,
    // which comes back as the one four-byte sequence of its character.
    FUZZ_CHECK(back.size() <= asText.size());
    FUZZ_CHECK(Utf16FromUtf8(back) == units);
    FUZZ_CHECK(Utf8FromUtf16LeBytes(Utf16LeBytesFromUtf8(asText)) == back);
  } else {
    FUZZ_CHECK(units.find(u'\xFFFD') != std::u16string::npos);
  }
  std::u16string wide(rest.size() / 2, u'\0');
  for (std::size_t k = 0; k < wide.size(); ++k)
    wide[k] = char16_t((unsigned char)rest[2 * k] | ((unsigned char)rest[2 * k + 1] << 8));
  const std::string narrow = Utf8FromUtf16(wide);
  FUZZ_CHECK(IsValidUtf8(narrow));
  FUZZ_CHECK(Utf16FromUtf8(narrow) == wide);
  FUZZ_CHECK(Utf8FromUtf16LeBytes(rest) == narrow);
  for (std::size_t i = 0; i < narrow.size();) {
    const std::size_t len = Utf8SequenceLength((unsigned char)narrow[i]);
    FUZZ_CHECK(len >= 1 && len <= 4 && i + len <= narrow.size());
    i += len;
  }

  // The search across case: needle from the front of the text, hay the rest.
  const std::size_t needleLength = std::min<std::size_t>(data[0] % 17, rest.size());
  const std::string_view needle = rest.substr(0, needleLength);
  const std::string_view hay = rest.substr(needleLength);
  const std::size_t from = std::min<std::size_t>(data[1], hay.size());
  const FoldMatch match = FindFoldMatch(hay, needle, from);
  if (needle.empty()) {
    FUZZ_CHECK(match.pos == kNotFound);
  } else {
    if (match.pos != kNotFound) {
      FUZZ_CHECK(match.pos >= from && match.pos + match.length <= hay.size());
      FUZZ_CHECK(EqualFold(hay.substr(match.pos, match.length), needle));
    }
    if (hay.size() <= 300) FUZZ_CHECK(match.pos == BruteForceFind(hay, needle, from));
  }

  // Equality and its key, with the needle and the start of the hay, and
  // with the needle against its own upper-case form.
  const std::string_view other = hay.substr(0, std::min(hay.size(), needle.size() + data[1] % 4));
  FUZZ_CHECK(EqualFold(needle, other) == EqualFold(other, needle));
  FUZZ_CHECK(EqualFold(needle, other) == (FoldKey(needle) == FoldKey(other)));
  FUZZ_CHECK(EqualFold(needle, needle));
  FUZZ_CHECK(EqualFold(needle, UpperAZ(needle)));
  FUZZ_CHECK(EqualFold(FoldKey(needle), needle));
  const std::size_t prefix = FoldPrefixLength(hay, needle);
  if (prefix != kNotFound) {
    FUZZ_CHECK(prefix <= hay.size());
    FUZZ_CHECK(EqualFold(hay.substr(0, prefix), needle));
    if (!needle.empty()) FUZZ_CHECK(FindFoldMatch(hay, needle).pos == 0);
  }
  return 0;
}
