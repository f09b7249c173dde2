#pragma once
// A single-byte code page from the table of its upper half (the lower half is
// ASCII), portable, for tests of code that reads and writes legacy text.
#include <string>

#include "core/CodePage.h"

class TableCodePage : public CodePage {
 public:
  // `high`: the characters of bytes 0x80..0xFF; 0 for a byte the code page
  // leaves undefined (the platform maps it to the C1 control of its number).
  TableCodePage(const char16_t (&high)[128], std::string name) : high_(high), name_(std::move(name)) {}
  std::string ToUtf8(std::string_view bytes) override;
  std::optional<std::string> FromUtf8(std::string_view text) override;
  std::string Name() override { return name_; }

 private:
  char16_t Decode(unsigned char b) const;
  const char16_t (&high_)[128];
  std::string name_;
};
