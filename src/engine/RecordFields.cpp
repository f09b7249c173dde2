#include "engine/RecordFields.h"

#include <utility>

#include "core/Text.h"


std::string EscapeRecordField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      case '\0': out += "%00"; break;
      default: out += c;
    }
  }
  return out;
}

std::optional<std::string> UnescapeRecordField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += char(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::vector<std::string_view> RecordFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

std::vector<std::string_view> RecordLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  bool title = true;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) break;  // torn: its write never happened
    std::string_view text = bytes.substr(at, end - at);
    at = end + 1;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (std::exchange(title, false)) continue;
    if (!text.empty()) lines.push_back(text);
  }
  return lines;
}
