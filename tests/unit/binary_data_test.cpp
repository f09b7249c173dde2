#include <gtest/gtest.h>

#include "core/Unicode.h"
#include "engine/BinaryData.h"
#include "support/Cp1252.h"

namespace {
using namespace std::literals;

std::optional<BinaryFind> FindIn(std::string_view bytes, const std::string& oldText,
                                 MatchRule rule = MatchRule::Path) {
  Cp1252 ansi;
  return BinarySearch(Spellings(SearchTexts{oldText, "D:\\New", "", "", rule}), ansi).Find(bytes);
}

std::string Wide(std::string_view utf8) { return Utf16LeBytesFromUtf8(utf8); }

// Binary data is searched in its UTF-16LE spelling (a recent-file list), its
// 8-bit one (a launcher's "#!" line, a settings blob) and in the ANSI code
// page, ASCII letters across case; what is read around it is shown.
TEST(BinarySearch, FindsThePlaceInEachSpellingAndShowsWhatSurroundsIt) {
  const std::string mru = "\x01\x00\x00\x00"s + Wide("c:\\old\\report.docx") + "\0\0\x07\x08"s;
  const std::optional<BinaryFind> wide = FindIn(mru, "C:\\Old");
  ASSERT_TRUE(wide);
  EXPECT_TRUE(wide->wide);
  EXPECT_EQ(wide->offset, 4u);
  EXPECT_EQ(wide->context, "c:\\old\\report.docx");

  const std::string launcher = "MZ\x90\0\3\0\0\0PE\0\0#!C:\\Old\\python.exe\r\n"s;
  const std::optional<BinaryFind> narrow = FindIn(launcher, "C:\\Old");
  ASSERT_TRUE(narrow);
  EXPECT_FALSE(narrow->wide);
  EXPECT_EQ(narrow->context, "#!C:\\Old\\python.exe");

  // "Jörg" as Windows-1252 writes it (F6), and shown as UTF-8.
  const std::optional<BinaryFind> ansi = FindIn("\0\0C:\\J\xF6rg\\x\0"s, "C:\\Jörg");
  ASSERT_TRUE(ansi);
  EXPECT_EQ(ansi->context, "C:\\Jörg\\x");
  EXPECT_TRUE(FindIn("\0\0C:\\Jörg\0"s, "C:\\Jörg"));  // and as UTF-8
}

// A path counts only where it stands whole, in either spelling; plain text
// is found anywhere.
TEST(BinarySearch, APathInsideALongerNameIsNoOccurrence) {
  EXPECT_FALSE(FindIn("\0C:\\Older\\x\0"s, "C:\\Old"));
  EXPECT_FALSE(FindIn("\0"s + Wide("C:\\Old2") + "\0\0"s, "C:\\Old"));
  EXPECT_TRUE(FindIn("\0"s + Wide("C:\\Old") + "\0\0"s, "C:\\Old"));  // ended by a NUL unit
  EXPECT_TRUE(FindIn("\0"s + Wide("C:\\Older") + "\0\0"s, "Old", MatchRule::Substring));
  EXPECT_FALSE(FindIn(std::string(4096, '\0') + "C:\\Elsewhere", "C:\\Old"));
}

}  // namespace
