#pragma once
// The US OEM code page, portable: the names of ZIP entries written without
// the UTF-8 flag, as the system's OEM code page holds them here.
#include "core/CodePage.h"

class Cp437 : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override;
  std::optional<std::string> FromUtf8(std::string_view text) override;
};
