#pragma once
// The Western ANSI code page, portable, for tests of code that reads and
// writes legacy text through the CodePage port.
#include "core/CodePage.h"

class Cp1252 : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override;
  std::optional<std::string> FromUtf8(std::string_view text) override;
  std::string Name() override { return "Windows-1252"; }
};
