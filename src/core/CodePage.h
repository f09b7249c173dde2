#pragma once
// A legacy code page (the system's ANSI or OEM one): older files, archives
// and registry exports hold text in it. Inside the program text is UTF-8.
#include <optional>
#include <string>
#include <string_view>

class CodePage {
 public:
  virtual ~CodePage() = default;
  // Bytes in this code page as UTF-8; every byte decodes to some character.
  virtual std::string ToUtf8(std::string_view bytes) = 0;
  // UTF-8 text in this code page; nullopt when a character has no exact
  // place in it (never a best-fit look-alike or "?").
  virtual std::optional<std::string> FromUtf8(std::string_view text) = 0;
  // How the user knows it ("Windows-1252"), for messages.
  virtual std::string Name() { return "a legacy code page"; }
};
