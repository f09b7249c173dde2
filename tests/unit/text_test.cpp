#include <gtest/gtest.h>

#include <random>

#include "core/Ini.h"
#include "core/Text.h"

TEST(FindFold, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(FindFold("x c:\\program files\\a", "C:\\PROGRAM FILES"), 2u);
  EXPECT_EQ(FindFold("caf\xE9", "CAF\xC9"), kNotFound);  // accented letters match exactly
  EXPECT_EQ(FindFold("caf\xE9", "CAF\xE9"), 0u);
  EXPECT_EQ(FindFold("[x]", "{X}"), kNotFound);  // 0x5B/0x7B differ by 0x20 but are no letters
  EXPECT_EQ(FindFold("@", "`"), kNotFound);
  EXPECT_EQ(FindFold("anything", ""), kNotFound);
  EXPECT_EQ(FindFold("", "a"), kNotFound);
}

TEST(FindFold, FindsEveryPositionAndRespectsStart) {
  const std::string hay = "C:\\App;c:\\app;C:\\APP";
  EXPECT_EQ(FindFold(hay, "c:\\App"), 0u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 1), 7u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 8), 14u);
  EXPECT_EQ(FindFold(hay, "c:\\App", 15), kNotFound);
  EXPECT_EQ(FindFold(hay, "c:\\App", hay.size() + 1), kNotFound);
}

// The vector path and the byte loop must agree with a plain search at every
// alignment and length, including matches that straddle 16-byte blocks.
TEST(FindFold, AgreesWithNaiveSearchOnRandomText) {
  std::mt19937 rng(7);
  const std::string alphabet = "aAbB:\\.\xE9\xC9 ";
  auto naive = [](const std::string& h, const std::string& n, std::size_t from) {
    if (n.empty()) return kNotFound;
    for (std::size_t i = from; i + n.size() <= h.size(); ++i)
      if (EqualNoCaseAZ(std::string_view(h).substr(i, n.size()), n)) return i;
    return kNotFound;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string hay(rng() % 200, ' '), needle(1 + rng() % 5, ' ');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    for (char& c : needle) c = alphabet[rng() % alphabet.size()];
    const std::size_t from = hay.empty() ? 0 : rng() % (hay.size() + 1);
    ASSERT_EQ(FindFold(hay, needle, from), naive(hay, needle, from)) << hay << " / " << needle << " from " << from;
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

TEST(PathText, ChoosePairPrefersLongForm) {
  const SearchPair lp{"C:\\Program Files\\Old", "D:\\New"}, sp{"C:\\PROGRA~1\\Old", "D:\\New"};
  auto c = ChoosePair("x=C:\\PROGRA~1\\Old;c:\\program files\\old", lp, sp);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pair.oldText, lp.oldText);
  EXPECT_EQ(c.pos, 18u);
  c = ChoosePair("x=c:\\progra~1\\old", lp, sp);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pair.oldText, sp.oldText);
  EXPECT_FALSE(ChoosePair("nothing", lp, {"", ""}).found);
}

TEST(PathText, LineModelAndPadding) {
  EXPECT_EQ(JoinCrLf("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(JoinCrLf("a\n\rb"), "a\r\n\r\nb\r\n");  // LF then CR ends two lines
  EXPECT_EQ(JoinCrLf(""), "");
  EXPECT_EQ(ZeroPad5(0), "00000");
  EXPECT_EQ(ZeroPad5(42), "00042");
  EXPECT_EQ(ZeroPad5(99999), "99999");
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
