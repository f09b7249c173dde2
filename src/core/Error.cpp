#include "core/Error.h"

std::string Format1(const std::string& pattern, const std::string& arg) {
  const std::size_t at = pattern.find("%s");
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + arg + pattern.substr(at + 2);
}
