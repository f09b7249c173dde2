#pragma once
// Byte-string helpers shared by every subsystem. Strings are ANSI byte
// strings; only the letters a-z and A-Z are treated as equal across case.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kNotFound = std::string_view::npos;

inline bool IsLetterAZ(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char UpperAZ(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }
std::string UpperAZ(std::string_view s);
bool EqualNoCaseAZ(std::string_view a, std::string_view b);

// First occurrence of needle in hay at or after `from`, folding only a-z onto
// A-Z; every other byte must match exactly. An empty needle matches nothing.
std::size_t FindFold(std::string_view hay, std::string_view needle, std::size_t from = 0);

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

// The pair of texts a walk replaces with in one entry: the long pair when the
// long old text occurs, else the short pair when the short old text occurs.
struct SearchPair {
  std::string_view oldText;
  std::string_view newText;
};
struct PairChoice {
  bool found = false;
  SearchPair pair;
  std::size_t pos = kNotFound;  // first occurrence of pair.oldText
};
PairChoice ChoosePair(std::string_view text, SearchPair longPair, SearchPair shortPair);

// Lines end at CR LF, at a lone CR or at a lone LF; a last line without an
// end is a line too. The joined form puts CR LF after every line.
std::vector<std::string_view> SplitLines(std::string_view text);
std::string JoinCrLf(std::string_view text);

std::string ZeroPad5(int n);  // 7 -> "00007"
