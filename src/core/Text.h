#pragma once
// Text helpers shared by every subsystem. Text is UTF-8 in std::string.
#include <string>
#include <string_view>
#include <vector>

#include "core/Fold.h"
#include "core/PathText.h"

// The text without any of `outer`'s characters at either end.
std::string_view Trim(std::string_view s, std::string_view outer = " \t");

// Lines end at CR LF, at a lone CR or at a lone LF; a last line without an
// end is a line too.
std::vector<std::string_view> SplitLines(std::string_view text);

std::string ZeroPad5(int n);  // 7 -> "00007"
// A text as an address holds it: UTF-8 bytes beyond ASCII, control
// characters, spaces, "%" and "#" percent-encoded.
std::string PercentEncoded(std::string_view text);
// The value of a hexadecimal digit, either case; -1 for any other character.
int HexValue(char c);
