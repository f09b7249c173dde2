#pragma once
// The system's code pages through MultiByteToWideChar / WideCharToMultiByte.
#include "core/CodePage.h"

class Win32CodePage : public CodePage {
 public:
  enum class Which { Ansi, Oem };
  explicit Win32CodePage(Which which);
  // A numbered code page (932, 1252, 65001 ...).
  explicit Win32CodePage(unsigned number) : number_(number) {}
  unsigned Number() const { return number_; }

  std::string ToUtf8(std::string_view bytes) override;
  std::optional<std::string> FromUtf8(std::string_view text) override;
  std::string Name() override;

 private:
  unsigned number_;
};
