#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>

#include "core/Ini.h"
#include "core/Text.h"

// Which two texts are the same name. The rule is the file system's: one
// simple uppercase per character of the 16-bit range, never a spelling of
// several characters, and never a non-ASCII character equal to ASCII.
struct FoldCase {
  const char* a;
  const char* b;
  bool same;
  const char* why;
};
const FoldCase kFoldCases[] = {
    {"C:\\Program Files", "c:\\PROGRAM FILES", true, "ASCII letters"},
    {"[x]", "{X}", false, "0x5B/0x7B differ by 0x20 but are no letters"},
    {"@", "`", false, "no letters"},
    {"straße", "STRASSE", false, "ß has no one-character uppercase"},
    {"ß", "ss", false, "ß is not a spelling of ss"},
    {"ß", "ẞ", false, "capital sharp s is its own uppercase; ß upcases to itself"},
    {"Straße", "sTRAßE", true, "ß equals itself among folded letters"},
    {"Ärger", "äRGER", true, "Latin-1 letters"},
    {"Σ", "σ", true, "Greek sigma"},
    {"σ", "ς", true, "final sigma upcases to Σ as well"},
    {"ΣΑΣ", "σας", true, "Greek word"},
    {"İ", "i", false, "dotted capital I is not ASCII"},
    {"İ", "I", false, "dotted capital I is not ASCII"},
    {"ı", "I", false, "dotless i would upcase to ASCII I"},
    {"ı", "i", false, "dotless i is not ASCII"},
    {"İ", "ı", false, "neither upcases to the other"},
    {"ſ", "S", false, "long s would upcase to ASCII S"},
    {"\xE2\x84\xAA", "k", false, "Kelvin sign"},
    {"\xE2\x84\xAA", "K", false, "Kelvin sign"},
    {"Документы", "дОКУМЕНТЫ", true, "Cyrillic"},
    {"Д", "\xE1\xB2\x81", true, "rounded de (3 bytes) upcases to Д (2 bytes)"},
    {"µ", "Μ", true, "micro sign upcases to Greek capital mu"},
    {"ȿ", "Ȿ", true, "2-byte letter with a 3-byte uppercase"},
    {"Ａｂ", "ａＢ", true, "full-width letters"},
    {"Ａ", "A", false, "full-width is not ASCII"},
    {"ａ", "a", false, "full-width is not ASCII"},
    {"文件夹", "文件夹", true, "CJK is only itself"},
    {"文", "攵", false, "CJK is only itself"},
    {"😀", "😀", true, "emoji is only itself"},
    {"😀", "😁", false, "emoji is only itself"},
    {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", false, "Deseret lies outside the 16-bit table"},
    {"caf\xE9", "CAF\xE9", true, "a stray byte equals itself"},
    {"caf\xE9", "CAF\xC9", false, "stray bytes are not folded"},
    {"\xC3", "\xC3\xA4", false, "a lone lead byte is not the letter it starts"},
    {"\xC1\x81", "A", false, "overlong form of A is two stray bytes"},
    {"\xED\xA0\x80", "\xED\xA0\x80", true, "a lone surrogate equals itself"},
    {"", "", true, "empty"},
    {"a", "", false, "lengths"},
};

TEST(CaseFold, RulesForNamesAndSearch) {
  for (const FoldCase& c : kFoldCases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b + ": " + c.why);
    EXPECT_EQ(EqualFold(c.a, c.b), c.same);
    EXPECT_EQ(EqualFold(c.b, c.a), c.same);
    EXPECT_EQ(FoldKey(c.a) == FoldKey(c.b), c.same);
    if (*c.b == 0) continue;
    // Found inside other text, at the right place and with its own length.
    const std::string hay = std::string("x\\") + c.a + "\\y";
    const FoldMatch m = FindFoldMatch(hay, c.b);
    EXPECT_EQ(m.pos, c.same ? 2u : kNotFound);
    if (c.same) {
      EXPECT_EQ(m.length, std::strlen(c.a));
    }
    EXPECT_EQ(FoldPrefixLength(std::string(c.a) + "\\y", c.b), c.same ? std::strlen(c.a) : kNotFound);
  }
}

TEST(CaseFold, EmptyNeedleAndStart) {
  EXPECT_EQ(FindFold("anything", ""), kNotFound);
  EXPECT_EQ(FindFold("", "a"), kNotFound);
  EXPECT_EQ(FindFold("", "ä"), kNotFound);
  const std::string hay = "C:\\App;c:\\app;C:\\APP";
  EXPECT_EQ(FindFold(hay, "c:\\App"), 0u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 1), 7u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 8), 14u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 15), kNotFound);
  EXPECT_EQ(FindFold(hay, "c:\\App", hay.size() + 1), kNotFound);
  const std::string cyr = "Д:\\Папка;д:\\ПАПКА;\xE1\xB2\x81:\\папка";
  EXPECT_EQ(FindFold(cyr, "д:\\папка"), 0u);
  EXPECT_EQ(FindFold(cyr, "д:\\папка", 1), 15u);
  const FoldMatch rounded = FindFoldMatch(cyr, "д:\\папка", 16);
  EXPECT_EQ(rounded.pos, 30u);
  EXPECT_EQ(rounded.length, cyr.size() - 30);  // one byte longer than the needle
  EXPECT_EQ(FindFold(cyr, "д:\\папка", cyr.size() + 1), kNotFound);
}

// Pieces that make letters of different lengths, several spellings of one
// letter, near misses and stray bytes meet in one text.
const char* const kPieces[] = {"a", "A", "b", "\\", " ", "ä", "Ä", "ß", "Σ", "σ", "ς", "Д", "д",
                               "\xE1\xB2\x81", "ȿ", "Ȿ", "ı", "i", "I", "文", "\xD0", "\x80", "\xE2\x82", "Ａ", "ａ"};

std::string RandomText(std::mt19937& rng, std::size_t pieces) {
  std::string s;
  for (std::size_t k = 0; k < pieces; ++k) s += kPieces[rng() % std::size(kPieces)];
  return s;
}

// The search finds the first place where some part of hay is EqualFold to
// the needle, at every alignment, across 16-byte blocks and from any start,
// even inside a character.
TEST(CaseFold, SearchAgreesWithEqualFoldOnEveryPart) {
  std::mt19937 rng(7);
  auto naive = [](const std::string& h, const std::string& n, std::size_t from) -> FoldMatch {
    for (std::size_t i = from; i < h.size(); ++i)
      for (std::size_t len = 1; len <= 2 * n.size() && i + len <= h.size(); ++len)
        if (EqualFold(std::string_view(h).substr(i, len), n)) return {i, len};
    return {};
  };
  for (int round = 0; round < 1500; ++round) {
    const std::string hay = RandomText(rng, rng() % 100);  // past 64 bytes the filters are used
    std::string needle = RandomText(rng, 1 + rng() % 4);
    // Often take the needle out of hay itself, so that matches are common.
    if (hay.size() > 8 && rng() % 2) {
      const std::size_t at = rng() % (hay.size() - 4);
      needle = hay.substr(at, 1 + rng() % 6);
    }
    const std::size_t from = hay.empty() ? 0 : rng() % (hay.size() + 1);
    const FoldMatch expected = naive(hay, needle, from), got = FindFoldMatch(hay, needle, from);
    ASSERT_EQ(got.pos, expected.pos) << hay << " / " << needle << " from " << from;
    ASSERT_EQ(got.length, expected.length) << hay << " / " << needle << " from " << from;
  }  // Long texts pick their filters from the bytes they hold.
  for (int round = 0; round < 6; ++round) {
    const std::string hay = RandomText(rng, 6000) + "ȿ\\\xE1\xB2\x81ОМ";
    const std::string needle = round % 2 ? "Ȿ\\дом" : RandomText(rng, 3);
    const FoldMatch expected = naive(hay, needle, 0), got = FindFoldMatch(hay, needle);
    ASSERT_EQ(got.pos, expected.pos) << needle;
    ASSERT_EQ(got.length, expected.length) << needle;
  }
}

// FoldKey is usable for maps: two texts share a key exactly when they are
// the same name, also around stray bytes next to letters that change length.
TEST(CaseFold, KeyAgreesWithEqualFold) {
  std::mt19937 rng(11);
  for (int round = 0; round < 3000; ++round) {
    const std::string a = RandomText(rng, rng() % 6);
    std::string b;
    if (rng() % 2) {
      b = RandomText(rng, rng() % 6);
    } else {  // the same text with its letters respelled
      b = a;
      for (auto [from, to] : {std::pair{"ä", "Ä"}, {"σ", "ς"}, {"Д", "\xE1\xB2\x81"}, {"ȿ", "Ȿ"}, {"a", "A"}})
        for (std::size_t at = b.find(from); at != std::string::npos; at = b.find(from, at + std::strlen(to)))
          b.replace(at, std::strlen(from), to);
    }
    ASSERT_EQ(FoldKey(a) == FoldKey(b), EqualFold(a, b)) << a << " / " << b;
    ASSERT_TRUE(EqualFold(FoldKey(a), a)) << a;
  }
}

TEST(PathText, SlashesAndSplit) {
  EXPECT_EQ(AddSlash(""), "");
  EXPECT_EQ(AddSlash("C:\\A"), "C:\\A\\");
  EXPECT_EQ(AddSlash("C:\\A\\"), "C:\\A\\");
  EXPECT_EQ(RemoveSlash("C:\\A\\"), "C:\\A");
  EXPECT_EQ(RemoveSlash("C:\\A\\\\"), "C:\\A\\");
  EXPECT_EQ(RemoveSlash(""), "");

  auto s = SplitItemPath("C:\\Dir\\Sub");
  EXPECT_EQ(s.folder, "C:\\Dir\\");
  EXPECT_EQ(s.name, "Sub");
  s = SplitItemPath("D:file.txt");
  EXPECT_EQ(s.folder, "D:");
  EXPECT_EQ(s.name, "file.txt");
  s = SplitItemPath("-D");
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "-D");
  s = SplitItemPath("C:\\Dir\\");
  EXPECT_EQ(s.name, "");
}

TEST(PathText, LineModelAndPadding) {
  EXPECT_EQ(ZeroPad5(0), "00000");
  EXPECT_EQ(ZeroPad5(42), "00042");
  EXPECT_EQ(ZeroPad5(99999), "99999");
}

// Settings and .reg lines lose blanks and tabs; a typed destination loses
// only blanks, as it always has.
TEST(PathText, TrimTakesOnlyTheNamedCharacters) {
  EXPECT_EQ(Trim(" \tkey = v\t "), "key = v");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim(" \tD:\\Dir\t ", " "), "\tD:\\Dir\t");
  EXPECT_EQ(Trim("   ", " "), "");
}

TEST(IniText, ReadsLooselyAndWritesInPlace) {
  IniText ini(
      "; comment\n"
      "[ Undo List ]\r\n"
      "  deleteolderthan =  3  \r\n"
      "\r\n"
      "Other = keep me\r"
      "[Start]\n"
      "SkipStartPage=0");
  EXPECT_EQ(ini.ReadInteger("UNDO LIST", "DeleteOlderThan", 1), 3);
  EXPECT_EQ(ini.ReadString("undo list", "other", ""), "keep me");
  EXPECT_EQ(ini.ReadInteger("Start", "Missing", 1), 1);
  EXPECT_EQ(ini.ReadInteger("Nope", "DeleteOlderThan", 1), 1);
  IniText letters("[Ärger]\nСчёт=5\n");
  EXPECT_EQ(letters.ReadInteger("äRGER", "сЧЁТ", 1), 5);

  ini.Write("undo list", "DELETEOLDERTHAN", "-1");
  ini.Write("Start", "Extra", "x");
  ini.Write("Move", "To", "D:\\A");
  EXPECT_EQ(ini.Save(),
            "[Undo List]\r\ndeleteolderthan=-1\r\nOther=keep me\r\n\r\n"
            "[Start]\r\nSkipStartPage=0\r\nExtra=x\r\n\r\n"
            "[Move]\r\nTo=D:\\A\r\n\r\n");
}

TEST(IniText, MoveRecordLayoutAndMalformedInput) {
  IniText rec;
  rec.Write("Move", "To", "D:\\Apps\\Tool");
  rec.Write("Move", "From", "C:\\Apps\\Tool");
  EXPECT_EQ(rec.Save(), "[Move]\r\nTo=D:\\Apps\\Tool\r\nFrom=C:\\Apps\\Tool\r\n\r\n");

  // Values may hold "=" and brackets; non-numbers fall back.
  IniText odd("[Move]\nTo=C:\\a=b[1]\nFrom\n[Undo List]\nDeleteOlderThan=1x\n[broken\n");
  EXPECT_EQ(odd.ReadString("Move", "To", ""), "C:\\a=b[1]");
  EXPECT_FALSE(odd.Read("Move", "From").has_value());
  EXPECT_EQ(odd.ReadInteger("Undo List", "DeleteOlderThan", 1), 1);
  // Lines that are no key are kept, not lost.
  EXPECT_NE(odd.Save().find("From\r\n"), std::string::npos);
}
