#include "core/Text.h"

std::string_view Trim(std::string_view s, std::string_view outer) {
  const std::size_t first = s.find_first_not_of(outer);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(outer) - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size()) start += (text[start] == '\r' && start + 1 < text.size() && text[start + 1] == '\n') ? 2 : 1;
  }
  return lines;
}

std::string ZeroPad5(int n) {
  std::string digits = std::to_string(n);
  if (digits.size() >= 5) return digits;
  return std::string(5 - digits.size(), '0') + digits;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentEncoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto b = (unsigned char)c;
    if (b >= 0x80 || b <= 0x20 || c == '%' || c == '#') {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}
