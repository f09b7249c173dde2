#include "core/Occurrence.h"

#include <gtest/gtest.h>

#include "core/Text.h"
#include "core/FileSystemPlaces.h"
#include "engine/SearchTexts.h"
#include "support/FakeEnvironment.h"
#include "support/FakeFileSystem.h"

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

namespace {
// The text with every occurrence the spellings find replaced, left to right.
std::string Rewritten(const Spellings& spellings, std::string text, EnvironmentValues* env = nullptr) {
  const Spellings::Family family = spellings.Choose(text);
  for (Rewrite r = NextRewrite(spellings, family, text, 0, env); r.found();
       r = NextRewrite(spellings, family, text, r.pos + (r.undecided ? r.length : r.newText.size()), env))
    if (!r.undecided) text.replace(r.pos, r.length, r.newText);
  return text;
}
}  // namespace

TEST(Spellings, ADriveAloneIsFoundOnlyWhereADriveStands) {
  const Spellings drive(SearchTexts{"E:", "F:", "", "", RuleFor("E:", false)});
  for (const char* text : {"E:", "E:\\x", "PATH=E:\\bin;E:\\x", "\"E:\"", "(E:)", "<d>E:</d>", "file:///E:/x",
                           "file:///e%3A/x", "\\\\?\\E:\\x", "/out:E:\\x"})
    EXPECT_NE(Rewritten(drive, text), text) << text;
  for (const char* text : {"TYPE:E:", "http://host/E:/x", "\\Device\\E:", "XE:\\x", "E:x"})
    EXPECT_EQ(Rewritten(drive, text), text) << text;
  // A drive's path inside a web address after its host is no place here either.
  const Spellings path(SearchTexts{"E:\\Data", "F:\\Data", "", "", MatchRule::Path});
  EXPECT_EQ(Rewritten(path, "http://host/E:/Data/x;file://localhost/E:/Data;jrt://E:/Data!/m"),
            "http://host/E:/Data/x;file://localhost/F:/Data;jrt://F:/Data!/m");
}

TEST(Spellings, AddressesKeepTheCaseTheyWriteTheDriveAndEscapesIn) {
  const Spellings s(SearchTexts{"C:\\Users\\me\\proj", "D:\\Work (2)\\proj", "", "", MatchRule::Path});
  EXPECT_EQ(Rewritten(s, "file:///c%3a/users/me/proj/x"), "file:///d%3a/Work%20%282%29/proj/x");
  EXPECT_EQ(Rewritten(s, "q=C%3A%5CUsers%5Cme%5Cproj%5Cx"), "q=D%3A%5CWork%20%282%29%5Cproj%5Cx");
  EXPECT_EQ(Rewritten(s, "file:///c%3A/Users/me/proj2 file:///c%3A/Users/me/proj%20old"),
            "file:///c%3A/Users/me/proj2 file:///c%3A/Users/me/proj%20old");
}

TEST(Spellings, ASpaceEndsAPathBeforeASwitchOrWhereNoLongerNameIsThere) {
  FakeFileSystem fs;
  fs.AddFolder("C:\\Tools Old");
  fs.AddFolder("C:\\Tools - Copy");
  fs.CannotTell("C:\\Tools odd");
  FileSystemPlaces places(fs);
  const SearchTexts texts{"C:\\Tools", "D:\\Tools", "", "", MatchRule::Path};
  const Spellings asked(texts, {}, &places), unasked(texts);
  // A switch ends the path whether the file system is asked or not.
  for (const Spellings* s : {&asked, &unasked})
    EXPECT_EQ(Rewritten(*s, "tool=C:\\Tools /x;C:\\Tools -q;C:/Tools --all \"C:\\Tools \""),
              "tool=D:\\Tools /x;D:\\Tools -q;D:/Tools --all \"D:\\Tools \"");
  // A word: another place where the longer name is there (over several words too).
  EXPECT_EQ(Rewritten(asked, "C:\\Tools conf.ini|C:\\Tools Old\\a.exe|C:\\Tools - Copy\\b|C:\\Tools -Copy\\c"),
            "D:\\Tools conf.ini|C:\\Tools Old\\a.exe|C:\\Tools - Copy\\b|D:\\Tools -Copy\\c");
  EXPECT_EQ(Rewritten(unasked, "C:\\Tools conf.ini"), "C:\\Tools conf.ini");
  const Occurrence odd = asked.Choose("x C:\\Tools odd").first;
  EXPECT_TRUE(odd.found() && odd.undecided);
  // What a new text adds is found as new before a switch too: no growth on a repeat.
  const Spellings grow(SearchTexts{"C:\\Data", "C:\\Data\\Old", "", "", MatchRule::Path}, {}, &places);
  EXPECT_EQ(Rewritten(grow, "C:\\Data /x C:\\Data\\Old /x"), "C:\\Data\\Old /x C:\\Data\\Old /x");
}

TEST(EnvironmentForms, TheProfileMacroIdesWriteStaysAMacro) {
  FakeEnvironment env{{"USERPROFILE", "C:\\Users\\me"}};
  const Spellings renamed(SearchTexts{"C:\\Users\\me\\proj", "C:\\Users\\me\\proj2", "", "", MatchRule::Path});
  EXPECT_EQ(Rewritten(renamed, "<e key=\"$USER_HOME$/proj\" u=\"file://$USER_HOME$/proj/src\"/>", &env),
            "<e key=\"$USER_HOME$/proj2\" u=\"file://$USER_HOME$/proj2/src\"/>");
  EXPECT_EQ(Rewritten(renamed, "$USER_HOME$\\proj;$USER_HOME$/project", &env), "$USER_HOME$\\proj2;$USER_HOME$/project");
  const Spellings away(SearchTexts{"C:\\Users\\me\\proj", "D:\\Work\\proj", "", "", MatchRule::Path});
  EXPECT_EQ(Rewritten(away, "$USER_HOME$/proj/a", &env), "D:/Work/proj/a");
}
