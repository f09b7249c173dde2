#include "core/Ini.h"

#include <charconv>

#include "core/Text.h"

void IniText::Load(std::string_view text) {
  sections_.clear();
  for (std::string_view raw : SplitLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections_.push_back({std::string(Trim(line.substr(1, line.size() - 2))), true, {}});
      continue;
    }
    if (sections_.empty()) sections_.push_back({"", false, {}});
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || Trim(line.substr(0, eq)).empty())
      sections_.back().lines.push_back({"", std::string(line)});
    else
      sections_.back().lines.push_back({std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
  }
}

std::string IniText::Save() const {
  std::string out;
  for (const Section& s : sections_) {
    if (s.headed) out += "[" + s.name + "]\r\n";
    for (const Line& l : s.lines) out += (l.key.empty() ? l.value : l.key + "=" + l.value) + "\r\n";
    out += "\r\n";
  }
  return out;
}

IniText::Section* IniText::Find(std::string_view section) {
  for (Section& s : sections_)
    if (s.headed && EqualFold(s.name, section)) return &s;
  return nullptr;
}

const IniText::Section* IniText::Find(std::string_view section) const {
  return const_cast<IniText*>(this)->Find(section);
}

std::optional<std::string> IniText::Read(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (!s) return std::nullopt;
  for (const Line& l : s->lines)
    if (!l.key.empty() && EqualFold(l.key, key)) return l.value;
  return std::nullopt;
}

std::string IniText::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  auto v = Read(section, key);
  return v ? *v : std::string(fallback);
}

int IniText::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  auto v = Read(section, key);
  if (!v || v->empty()) return fallback;
  int result = 0;
  const char* first = v->data();
  const char* last = v->data() + v->size();
  if (*first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, result);
  if (ec != std::errc() || ptr != last) return fallback;
  return result;
}

void IniText::Write(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = Find(section);
  if (!s) {
    sections_.push_back({std::string(Trim(section)), true, {}});
    s = &sections_.back();
  }
  for (Line& l : s->lines)
    if (!l.key.empty() && EqualFold(l.key, key)) {
      l.value = std::string(value);
      return;
    }
  s->lines.push_back({std::string(Trim(key)), std::string(value)});
}
