#pragma once
// INI text as the settings file and the move record use it: sections and keys
// found without regard to A-Z case, keys and values trimmed, blank lines and
// ";" lines ignored (and dropped on writing), values updated where they stand,
// missing keys added at the end of their section, CR LF after every line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string_view text) { Load(text); }

  void Load(std::string_view text);
  std::string Save() const;

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The value as a decimal integer; the fallback when missing or not a number.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  void Write(std::string_view section, std::string_view key, std::string_view value);

 private:
  struct Line {
    std::string key;    // empty for a line that holds no "=" (kept as it stands)
    std::string value;  // the raw line when key is empty
  };
  struct Section {
    std::string name;
    bool headed = true;  // false for lines that stood before the first header
    std::vector<Line> lines;
  };
  Section* Find(std::string_view section);
  const Section* Find(std::string_view section) const;
  std::vector<Section> sections_;
};
