#include "core/Unicode.h"

#include <gtest/gtest.h>

TEST(Unicode, RoundTripsEveryKindOfText) {
  // ASCII, Latin, CJK, Cyrillic, an emoji (surrogate pair) and a lone
  // surrogate, which platform names may hold.
  const std::u16string samples[] = {u"D:\\Old", u"Łódź Bjørn €", u"数据\\日本", u"Данные", u"\U0001F600.ini",
                                    std::u16string(1, char16_t(0xD800)) + u"x" + std::u16string(1, char16_t(0xDC05))};
  for (const auto& s : samples) {
    const std::string utf8 = Utf8FromUtf16(s);
    EXPECT_EQ(Utf16FromUtf8(utf8), s);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8FromUtf16LeBytes(Utf16LeBytesFromUtf8(utf8)), utf8);
  }
  EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16LeBytesFromUtf8("A\xC3\xA9"), std::string("A\0\xE9\0", 4));
}

TEST(Unicode, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));       // a legacy code page byte
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong "/"
  EXPECT_FALSE(IsValidUtf8("\xE6\x95"));      // cut short
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_EQ(Utf16FromUtf8("a\xE9z"), u"a\xFFFDz");
  EXPECT_EQ(Utf16FromUtf8("\xE6\x95"), u"\xFFFD\xFFFD");
}
