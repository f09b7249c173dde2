#include "core/TextEncoding.h"

#include <gtest/gtest.h>

#include "core/Unicode.h"
#include "support/Cp1252.h"

namespace {

std::string Le(std::string_view utf8) { return Utf16LeBytesFromUtf8(utf8); }

// A code page that decodes two bytes to the same character, as some code
// pages do with undefined or duplicate bytes: text read from it cannot always
// be written back.
class MergingCodePage : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override {
    std::string out(bytes);
    for (char& c : out)
      if (c == '\x81') c = '?';
    return out;
  }
  std::optional<std::string> FromUtf8(std::string_view text) override { return std::string(text); }
};

TEST(TextEncoding, DetectsByMarkThenByContent) {
  const struct {
    std::string bytes;
    TextEncoding expected;
  } cases[] = {
      {"\xEF\xBB\xBFp=1", TextEncoding::Utf8Bom},
      {"\xFF\xFE" + Le("p=1"), TextEncoding::Utf16LeBom},
      {"\xFE\xFF" + std::string("\0p", 2), TextEncoding::Utf16BeBom},
      {"", TextEncoding::Utf8},
      {"p=C:\\App\r\n", TextEncoding::Utf8},
      {"p=C:\\Bj\xC3\xB8rn", TextEncoding::Utf8},
      {"p=C:\\Bj\xF8rn", TextEncoding::Ansi},                       // Windows-1252
      {"long ASCII run before the byte \xE9", TextEncoding::Ansi},  // past the fast ASCII skip
      {"\xC3", TextEncoding::Ansi},                                 // cut short
      {Le("[S]\r\np=C:\\Bjørn\t数\r\n"), TextEncoding::Utf16Le},
      {std::string("MZ\x90\0\x03\0\0\0", 8), TextEncoding::Binary},
      {std::string("a\0\x01\0b\0c\0", 8), TextEncoding::Binary},  // a control character
      {std::string("a\0b\0c", 5), TextEncoding::Binary},          // odd length
      {Le("数据数据数据") + Le("ab"), TextEncoding::Binary},           // too few Latin characters to tell
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    EXPECT_EQ(DetectEncoding(c.bytes), c.expected);
  }
}

TEST(TextEncoding, DecodesExactlyAndEncodesBack) {
  Cp1252 ansi;
  const std::string text = "[Øst]\r\np=C:\\Bjørn €\n数据\U0001F600";
  const std::string loneSurrogate("\xFF\xFE\x00\xD8x\0", 6);
  const struct {
    TextEncoding encoding;
    std::string bytes;
    std::string text;
  } cases[] = {
      {TextEncoding::Utf8, text, text},
      {TextEncoding::Utf8Bom, "\xEF\xBB\xBF" + text, text},
      {TextEncoding::Utf16LeBom, "\xFF\xFE" + Le(text), text},
      {TextEncoding::Utf16Le, Le(text), text},
      {TextEncoding::Utf16LeBom, loneSurrogate, "\xED\xA0\x80x"},
      {TextEncoding::Ansi, "\x80 \xD8 \xF8 \x81", "€ Ø ø \xC2\x81"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    const std::optional<DecodedText> decoded = DecodeText(c.bytes, c.encoding, ansi);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Text(), c.text);
    EXPECT_EQ(EncodeText(std::string(decoded->Text()), c.encoding, ansi), c.bytes);
  }
  // UTF-8 is the program's own form: the text is the file's bytes, not a copy.
  const std::string bytes = "\xEF\xBB\xBFp=C:\\App";
  EXPECT_EQ(DecodeText(bytes, TextEncoding::Utf8Bom, ansi)->Text().data(), bytes.data() + 3);
  EXPECT_EQ(EncodingName(TextEncoding::Ansi, ansi), "Windows-1252");
}

TEST(TextEncoding, RefusesWhatWouldNotComeBackByteForByte) {
  Cp1252 ansi;
  MergingCodePage merging;
  EXPECT_FALSE(DecodeText("\xEF\xBB\xBFp=\xFF", TextEncoding::Utf8Bom, ansi));
  EXPECT_FALSE(DecodeText("\xFF\xFEp\0x", TextEncoding::Utf16LeBom, ansi));
  EXPECT_FALSE(DecodeText("p=\x81", TextEncoding::Ansi, merging));
  EXPECT_TRUE(DecodeText("p=\x80", TextEncoding::Ansi, merging));
  EXPECT_FALSE(DecodeText(std::string("MZ\0", 3), TextEncoding::Binary, ansi));
  // Asked for an encoding with a mark the bytes lack, shorter than the mark or not.
  for (const TextEncoding marked : {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
    EXPECT_FALSE(DecodeText("", marked, ansi));
    EXPECT_FALSE(DecodeText("\xEF", marked, ansi));
    EXPECT_FALSE(DecodeText("p=1\r\n", marked, ansi));
  }
  // Characters the code page lacks; the Unicode encodings hold everything.
  EXPECT_FALSE(EncodeText("C:\\数据", TextEncoding::Ansi, ansi));
  EXPECT_EQ(EncodeText("C:\\数据", TextEncoding::Utf16BeBom, ansi), std::string("\xFE\xFF\0C\0:\0\\\x65\x70\x63\x6E", 12));
}

// The raw search may report a place that decoding would not confirm, never
// miss one that it would.
TEST(TextEncoding, MayHoldNeverMissesWhatTheDecodedTextHolds) {
  Cp1252 ansi;
  EXPECT_TRUE(MayHold("x=c:\\app", TextEncoding::Utf8, "C:\\App", ansi));
  EXPECT_FALSE(MayHold("x=C:\\Ap", TextEncoding::Utf8, "C:\\App", ansi));
  EXPECT_TRUE(MayHold("\xFF\xFE" + Le("x=c:\\BJøRN"), TextEncoding::Utf16LeBom, "C:\\Bjørn", ansi));
  EXPECT_TRUE(MayHold("\xFF\xFE" + Le("x=C:\\BjØrn"), TextEncoding::Utf16LeBom, "C:\\Bjørn", ansi));
  EXPECT_FALSE(MayHold("\xFF\xFE" + Le("x=D:\\Bjørn"), TextEncoding::Utf16LeBom, "C:\\Bjørn", ansi));
  EXPECT_TRUE(MayHold("\xFE\xFF" + std::string("\0c\0:", 4), TextEncoding::Utf16BeBom, "C:", ansi));
  EXPECT_TRUE(MayHold("x=c:\\bj\xF8rn", TextEncoding::Ansi, "C:\\Bjørn", ansi));
  EXPECT_TRUE(MayHold("x=c:\\BJ\xD8RN", TextEncoding::Ansi, "C:\\Bjørn", ansi));
  EXPECT_FALSE(MayHold("x=D:\\\xC8\xFD", TextEncoding::Ansi, "C:\\数据", ansi));
  EXPECT_FALSE(MayHold("C:\\App", TextEncoding::Utf8, "", ansi));
}

}  // namespace
