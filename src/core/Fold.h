#pragma once
// Text compared across case. Text is UTF-8 in std::string.
// Names compare as the file system compares them: every character of the
// 16-bit range is folded to its simple one-to-one uppercase (Ä/ä, Σ/σ/ς,
// Д/д, Ａ/ａ), never to several characters (ß stays ß, never "SS"), and a
// non-ASCII character never equals an ASCII one (ı and İ are not i or I).
// Bytes that form no valid UTF-8 character equal only themselves.
#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kNotFound = std::string_view::npos;

// ASCII-only helpers, for fixed keywords and drive letters.
inline bool IsLetterAZ(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char UpperAZ(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
std::string UpperAZ(std::string_view s);
bool EqualNoCaseAZ(std::string_view a, std::string_view b);

// Names and paths compared across case.
bool EqualFold(std::string_view a, std::string_view b);
// The form two texts share exactly when EqualFold holds: for map keys, sets
// and sorting.
std::string FoldKey(std::string_view s);
// Byte length of the start of `text` that equals `prefix` across case (it may
// differ from prefix.size()), or kNotFound.
std::size_t FoldPrefixLength(std::string_view text, std::string_view prefix);

// First place at or after `from` where a part of hay equals needle across
// case, and that part's length in hay: a letter and its other case may take
// a different number of bytes. An empty needle matches nothing.
struct FoldMatch {
  std::size_t pos = kNotFound;
  std::size_t length = 0;
};
FoldMatch FindFoldMatch(std::string_view hay, std::string_view needle, std::size_t from = 0);
inline std::size_t FindFold(std::string_view hay, std::string_view needle, std::size_t from = 0) {
  return FindFoldMatch(hay, needle, from).pos;
}
