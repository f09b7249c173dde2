#include <gtest/gtest.h>

#include "filemap/PathForms.h"
#include "support/FakeFileSystem.h"

TEST(ComponentShortName, RuleTable) {
  const std::pair<const char*, const char*> rows[] = {
      {"Tools", "Tools"},           {"readme.txt", "readme.txt"},     {"Program Files", "Progra~1"},
      {"LongFolderName", "LongFo~1"}, {"MyDocument.html", "MyDocu~1.htm"}, {"My Settings.ini", "MySett~1.ini"},
      {"a.b.txt", "ab~1.txt"},      {"ab.html", "ab~1.htm"},          {"New[1].ini", "New_1_~1.ini"},
      {"foo bar", "foobar~1"},      {"x.a b", "x.ab"},                {"", ""},
      {"ABCDEFGH", "ABCDEFGH"},     {"ABCDEFGHI", "ABCDEF~1"},        {"name.", "name."},
  };
  for (auto [name, shortName] : rows) EXPECT_EQ(ComponentShortName(name), shortName) << name;
}

class PathFormsTest : public ::testing::Test {
 protected:
  FakeFileSystem fs;
  PathForms forms{fs};
};

TEST_F(PathFormsTest, BuiltWhenNothingExists) {
  EXPECT_EQ(forms.ShortFileName("C:\\Old Stuff\\My Settings.ini"), "C:\\OldStu~1\\MySett~1.ini");
  EXPECT_EQ(forms.ShortFileName("C:\\"), "C:\\");
  EXPECT_EQ(forms.ShortFileName("*:\\"), "*:\\");
  EXPECT_EQ(forms.ShortFileName("C:\\Long Name\\"), "C:\\LongNa~1\\");
  EXPECT_EQ(forms.ShortFileName(""), "");
  EXPECT_EQ(forms.ShortFileName("C:"), "C:");
  EXPECT_EQ(forms.ShortFileName("word"), "word");
}

TEST_F(PathFormsTest, ExistingPathGivesPlatformForm) {
  fs.AddFolder("C:\\Program Files", kAttrFolder, "PROGRA~2");
  fs.AddFolder("C:\\Program Files\\Some Tool", kAttrFolder, "SOMETO~3");
  EXPECT_EQ(forms.ShortFileName("C:\\Program Files\\Some Tool"), "C:\\PROGRA~2\\SOMETO~3");
  EXPECT_EQ(forms.ShortFileName("c:\\program files\\"), "C:\\PROGRA~2\\");
  // Parents exist, the last component does not: the parents' real alternate
  // names, the rule for the rest.
  EXPECT_EQ(forms.ShortFileName("C:\\Program Files\\Some Tool\\Not There\\New Config.ini"),
            "C:\\PROGRA~2\\SOMETO~3\\NotThe~1\\NewCon~1.ini");
}

TEST_F(PathFormsTest, WithoutShortNamesEntriesKeepTheirNames) {
  fs.shortNamesEnabled = false;
  fs.AddFolder("C:\\Program Files\\App");
  // The platform answers nothing; existing names are used as they are.
  EXPECT_EQ(forms.ShortFileName("C:\\Program Files\\App\\a b.ini"), "C:\\Program Files\\App\\ab~1.ini");
}

TEST_F(PathFormsTest, FileAsParentAndDegenerateTextsEnd) {
  fs.AddFile("C:\\data.bin", "x", kAttrArchive, "");
  EXPECT_EQ(forms.BuildShortName("C:\\data.bin\\child name", false), "C:\\data.bin\\childn~1");
  // Repeated separators must not make the walk up the path loop.
  EXPECT_EQ(forms.ShortFileName("ab\\\\"), "ab\\\\");
  EXPECT_EQ(forms.ShortFileName("\\\\\\\\"), "\\\\\\\\");
  // A wildcard text never picks up some other entry's short name.
  EXPECT_EQ(forms.ShortFileName("C:\\Prog*"), "C:\\Prog*");
}

TEST_F(PathFormsTest, SearchedShortFormNeverNamesAnotherItem) {
  fs.AddFolder("C:\\Ost Long Folder", kAttrFolder, "OST_~GWW");
  EXPECT_EQ(forms.SearchShortForm("C:\\Ost Long Folder"), "C:\\OST_~GWW");
  // Moved away already: the rule's form, but not where another item answers to it.
  EXPECT_EQ(forms.SearchShortForm("C:\\Old Things"), "C:\\OldThi~1");
  fs.AddFolder("C:\\OstLon~1", kAttrFolder);
  EXPECT_EQ(forms.SearchShortForm("C:\\OstLong Other"), "");
  // No short form of its own: an 8.3 name, or a text the platform would read
  // as another path.
  EXPECT_EQ(forms.SearchShortForm("C:\\Tools"), "");
  EXPECT_EQ(forms.SearchShortForm("D:\\Old."), "");
  EXPECT_EQ(forms.SearchShortForm("D:\\Old "), "");
  EXPECT_EQ(forms.SearchShortForm("C:\\*"), "");
}
