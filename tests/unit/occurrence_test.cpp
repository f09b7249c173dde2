#include "core/Occurrence.h"

#include <gtest/gtest.h>

#include "core/Text.h"
#include "engine/SearchTexts.h"
#include "support/FakeEnvironment.h"

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

TEST(Spellings, LongFormFirstThenShortEachInItsOwnSpelling) {
  SearchTexts t{"C:\\Program Files\\Old", "D:\\New", "C:\\PROGRA~1\\Old", "D:\\NEW~1", MatchRule::Path};
  const Spellings spellings(t);
  // The long form anywhere in the text: only long forms are replaced.
  std::string_view text = "x=C:\\PROGRA~1\\Old;c:\\program files\\old";
  Spellings::Family f = spellings.Choose(text);
  ASSERT_TRUE(f.first.found());
  EXPECT_EQ(f.first.pos, 18u);
  EXPECT_EQ(f.first.newText, "D:\\New");
  EXPECT_FALSE(spellings.Next(f, text, f.first.pos + 1).found());
  // Only the short form: it is taken.
  f = spellings.Choose("C:\\Program Files\\Older;C:\\PROGRA~1\\Old\\x");
  EXPECT_EQ(f.first.pos, 23u);
  EXPECT_EQ(f.first.newText, "D:\\NEW~1");
  EXPECT_FALSE(spellings.Choose("nothing").first.found());

  // Other spellings of the same path, each replaced in kind, in text order.
  text = R"({"a": "C:\\Program Files\\Old\\x", "b": "file:///C:/Program%20Files/Old/y", "c": "C:/Program Files/Old"})";
  f = spellings.Choose(text);
  std::vector<std::string_view> news;
  for (Occurrence m = f.first; m.found(); m = spellings.Next(f, text, m.pos + m.length)) news.push_back(m.newText);
  EXPECT_EQ(news, (std::vector<std::string_view>{"D:\\\\New", "D:/New", "D:/New"}));
  // A longer name in another spelling is still another item.
  EXPECT_FALSE(spellings.Choose("C:/Program Files/Older/x").first.found());
  // &amp; in XML, and plain text has only the one spelling.
  const Spellings amp(SearchTexts{"C:\\R&D", "D:\\R&D", "", "", MatchRule::Path});
  EXPECT_EQ(amp.Choose("<p>C:\\R&amp;D\\x</p>").first.newText, "D:\\R&amp;D");
  EXPECT_EQ(amp.Choose("<p>C:\\R&#38;D\\x</p>").first.newText, "D:\\R&#38;D");
  EXPECT_EQ(amp.Choose("<p>c:\\r&#X26;d</p>").first.newText, "D:\\R&#x26;D");
  EXPECT_FALSE(amp.Choose("<p>C:\\R&#38;D2</p>").first.found());
  const Spellings plain(SearchTexts{"a\\b", "c\\d", "", "", MatchRule::Substring});
  EXPECT_FALSE(plain.Choose("a/b").first.found());
}

TEST(Spellings, ALetterSpelledLongerKeepsItsLength) {
  const Spellings s(SearchTexts{"д:\\ȿ", "D:\\s", "", "", MatchRule::Substring});
  const Occurrence m = s.Choose("x=\xE1\xB2\x81:\\Ȿ").first;
  EXPECT_EQ(m.pos, 2u);
  EXPECT_EQ(m.length, 8u);
}

TEST(EnvironmentForms, VariableKeptWhereTheNewPlaceIsUnderItElseWrittenOut) {
  FakeEnvironment env{{"ProgramFiles", "C:\\Program Files"}, {"AppHome", "C:\\Program Files\\OldApp"},
                      {"Empty", ""}, {"PATH", "C:\\x;C:\\Program Files\\OldApp\\bin"}};
  const Spellings spellings(
      SearchTexts{"C:\\Program Files\\OldApp", "C:\\Program Files\\NewApp", "", "", MatchRule::Path});
  const auto rewritten = [&](std::string text) {
    const Spellings::Family family = spellings.Choose(text);
    for (Rewrite r = NextRewrite(spellings, family, text, 0, &env); r.found();
         r = NextRewrite(spellings, family, text, r.pos + r.newText.size(), &env))
      text.replace(r.pos, r.length, r.newText);
    return text;
  };
  // The variable as written (its case too) stays; the plain one is found as before.
  EXPECT_EQ(rewritten("\"%programfiles%\\oldapp\\a.exe\" -c C:\\Program Files\\OldApp\\c.ini"),
            "\"%programfiles%\\NewApp\\a.exe\" -c C:\\Program Files\\NewApp\\c.ini");
  // The variable names the old place itself: the run changes its
  // definition, and the reference follows; written out, it would be cut
  // from it. A list is never written out in place of its variable.
  for (const char* same : {"%AppHome%\\bin;%Empty%%AppHome%", "set PATH=C:\\y;%PATH%"})
    EXPECT_EQ(rewritten(same), same);
  // Boundaries hold behind variables; unset names and a lone "%" stay text.
  for (const char* same : {"%ProgramFiles%\\OldApp2\\a.exe", "%Unset%\\OldApp", "%ProgramFiles\\OldApp", "100%"})
    EXPECT_EQ(rewritten(same), same);
  // Elsewhere: written out.
  const Spellings moved(SearchTexts{"C:\\Program Files\\OldApp", "D:\\Apps\\App", "", "", MatchRule::Path});
  EXPECT_EQ(FindBehindVariables(moved, "x;%ProgramFiles%\\OldApp\\a", 0, env).newText, "D:\\Apps\\App");
  EXPECT_FALSE(FindBehindVariables(moved, "%ProgramFiles%\\OldApp", 1, env).found());
}

TEST(EnvironmentForms, AWholeExpansionHasNoneWhereANameIsNotSet) {
  FakeEnvironment env{{"SystemDrive", "C:"}, {"Empty", ""}};
  EXPECT_EQ(ExpandedWhole("%systemdrive%\\Users\\me%Empty%", env), "C:\\Users\\me");
  EXPECT_EQ(ExpandedWhole("C:\\100%", env), "C:\\100%");  // a lone "%" is text
  EXPECT_EQ(ExpandedWhole("%SystemDrive%\\%Unset%\\me", env), std::nullopt);
  EXPECT_EQ(ExpandedWhole("%%\\me", env), std::nullopt);
}
