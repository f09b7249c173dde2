#pragma once
// Text helpers shared by every subsystem. Text is UTF-8 in std::string.
// Names compare as the file system compares them: every character of the
// 16-bit range is folded to its simple one-to-one uppercase (Ä/ä, Σ/σ/ς,
// Д/д, Ａ/ａ), never to several characters (ß stays ß, never "SS"), and a
// non-ASCII character never equals an ASCII one (ı and İ are not i or I).
// Bytes that form no valid UTF-8 character equal only themselves.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// A path with exactly one trailing "\" added when missing; "" stays "".
std::string AddSlash(std::string_view path);
// The text without its last character when that character is "\".
std::string RemoveSlash(std::string_view text);

// Split at the last "\" or ":": the folder keeps that character, the name is
// what follows it (C:\Dir\Sub gives C:\Dir\ and Sub; C: gives C: and "").
struct ItemPath {
  std::string folder;
  std::string name;
};
ItemPath SplitItemPath(std::string_view path);

// The text without any of `outer`'s characters at either end.
std::string_view Trim(std::string_view s, std::string_view outer = " \t");

// Lines end at CR LF, at a lone CR or at a lone LF; a last line without an
// end is a line too.
std::vector<std::string_view> SplitLines(std::string_view text);

std::string ZeroPad5(int n);  // 7 -> "00007"
