#pragma once
// The name of an undo entry, "Undo00003": the stem of every record file of
// that entry (Undo00003.zip, Undo00003.log ...). Read once from the text and
// written once from the number; nothing else cuts the name apart.
#include <compare>
#include <optional>
#include <string>
#include <string_view>

class UndoName {
 public:
  static constexpr int kFirst = 0;
  static constexpr int kLast = 99999;

  // 0..99999; none for any other number.
  static std::optional<UndoName> OfNumber(int number);
  // "Undo" and five digits, the letters in any case (the file system keeps
  // the records' names without case); none for any other text.
  static std::optional<UndoName> Parse(std::string_view text);
  // The entry a file belongs to by its name: "Undo00042." followed by any
  // extension at all; none for every other name.
  static std::optional<UndoName> OfFileName(std::string_view fileName);

  int Number() const { return number_; }
  // "Undo00042", as the records are named.
  std::string Text() const;
  // The record file with that extension (".zip"), beside no folder.
  std::string FileName(std::string_view extension) const { return Text() + std::string(extension); }

  auto operator<=>(const UndoName&) const = default;

 private:
  explicit UndoName(int number) : number_(number) {}
  int number_ = 0;
};
