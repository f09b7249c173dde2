#include "engine/UndoName.h"

#include "core/Text.h"

namespace {
constexpr std::string_view kStem = "Undo";
constexpr std::size_t kDigits = 5;
constexpr std::size_t kLength = 4 + kDigits;
}  // namespace

std::optional<UndoName> UndoName::OfNumber(int number) {
  if (number < kFirst || number > kLast) return std::nullopt;
  return UndoName(number);
}

std::optional<UndoName> UndoName::Parse(std::string_view text) {
  if (text.size() != kLength || !EqualNoCaseAZ(text.substr(0, kStem.size()), kStem))
    return std::nullopt;
  int number = 0;
  for (char c : text.substr(kStem.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return UndoName(number);
}

std::optional<UndoName> UndoName::OfFileName(std::string_view fileName) {
  if (fileName.size() <= kLength || fileName[kLength] != '.') return std::nullopt;
  return Parse(fileName.substr(0, kLength));
}

std::string UndoName::Text() const { return std::string(kStem) + ZeroPad5(number_); }
