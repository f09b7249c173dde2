#include "core/Occurrence.h"

#include <gtest/gtest.h>

#include "core/Text.h"

namespace {
bool Found(std::string_view hay, std::string_view needle, MatchRule rule = MatchRule::Path) {
  return FindOccurrence(hay, needle, rule) != kNotFound;
}
}  // namespace

TEST(Occurrence, APathIsFoundOnlyWhereItStandsWhole) {
  // Other items that begin with the same characters stay untouched.
  for (const char* sibling : {"C:\\Apple\\y.exe", "C:\\App2\\z", "C:\\App Stuff\\a.exe", "C:\\App.bak", "C:\\App.",
                              "C:\\App\xC3\xA9\\x", "C:\\App_old"})
    EXPECT_FALSE(Found(sibling, "C:\\App")) << sibling;
  // The item itself, in every way a path ends.
  for (const char* ref : {"C:\\App\\x.exe", "C:\\App", "\"C:\\App\" -run", "C:\\App;D:\\Bin", "C:\\App,C:\\Bin",
                          "c:\\app\\X", "'C:\\App'", "C:\\App|more", "C:\\App\r\n", "<C:\\App>"})
    EXPECT_TRUE(Found(ref, "C:\\App")) << ref;
  // A drive letter after a letter or digit is part of another word.
  EXPECT_FALSE(Found("XC:\\App\\x", "C:\\App"));
  EXPECT_FALSE(Found("2C:\\App", "C:\\App"));
  EXPECT_TRUE(Found("PATH=C:\\App;", "C:\\App"));
  // A later occurrence that stands whole is found past an earlier one that does not.
  EXPECT_EQ(FindOccurrence("C:\\Apple C:\\App\\", "C:\\App", MatchRule::Path), 9u);
}

TEST(Occurrence, SeparatorsAndUncNames) {
  // A find text ending in "\" has ended its own name (Switch Drives' "C:\").
  EXPECT_TRUE(Found("C:\\Anything", "C:\\"));
  EXPECT_FALSE(Found("ABC:\\x", "C:\\"));
  EXPECT_TRUE(Found("\\\\srv\\share\\dir", "\\\\srv\\share"));
  EXPECT_FALSE(Found("\\\\srv\\shared", "\\\\srv\\share"));
  EXPECT_FALSE(Found("\\\\\\srv\\share", "\\\\srv\\share"));
}

TEST(Occurrence, RuleFollowsTheFindText) {
  EXPECT_EQ(RuleFor("C:\\App", false), MatchRule::Path);
  EXPECT_EQ(RuleFor("\\\\srv\\share", false), MatchRule::Path);
  EXPECT_EQ(RuleFor("C:\\App", true), MatchRule::Substring);
  EXPECT_EQ(RuleFor("Program Files", false), MatchRule::Substring);
  EXPECT_EQ(RuleFor("\\App", false), MatchRule::Substring);
  // Plain text matching finds what the path rule would not.
  EXPECT_TRUE(Found("C:\\Apple", "C:\\App", MatchRule::Substring));
  EXPECT_TRUE(Found("oldname.exe", "oldname", RuleFor("oldname", false)));
}

TEST(Occurrence, ChoosePairPrefersLongForm) {
  const SearchPair lp{"C:\\Program Files\\Old", "D:\\New"}, sp{"C:\\PROGRA~1\\Old", "D:\\New"};
  auto c = ChoosePair("x=C:\\PROGRA~1\\Old;c:\\program files\\old", lp, sp, MatchRule::Substring);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pair.oldText, lp.oldText);
  EXPECT_EQ(c.pos, 18u);
  EXPECT_EQ(c.length, lp.oldText.size());
  // The found text keeps its own length when its letters are spelled longer.
  c = ChoosePair("x=\xE1\xB2\x81:\\Ȿ", {"д:\\ȿ", "D:\\s"}, sp, MatchRule::Substring);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pos, 2u);
  EXPECT_EQ(c.length, 8u);
  c = ChoosePair("x=c:\\progra~1\\old", lp, sp, MatchRule::Substring);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pair.oldText, sp.oldText);
  EXPECT_FALSE(ChoosePair("nothing", lp, {"", ""}, MatchRule::Substring).found);
  // Under the path rule a longer name is no occurrence: the short form is taken.
  c = ChoosePair("C:\\Program Files\\Older;C:\\PROGRA~1\\Old\\x", lp, sp, MatchRule::Path);
  ASSERT_TRUE(c.found);
  EXPECT_EQ(c.pair.oldText, sp.oldText);
  EXPECT_EQ(c.pos, 23u);
}
