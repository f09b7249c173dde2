// Paths as programs really write them in their files, each found where it
// stands whole and written back in the spelling it was found in.
#include <gtest/gtest.h>

#include "filemap/TextFileRewrite.h"
#include "support/Cp1252.h"
#include "support/FakeEnvironment.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {

constexpr const char* kAcme = "C:\\Program Files\\Acme Tools";
constexpr const char* kJoerg = "C:\\Users\\Public\\Jörg Tools";

class SpellingsInFiles : public ::testing::Test {
 protected:
  SpellingsInFiles() : backup(fs), rewrite(fs, backup, ansi) {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    rewrite.SetEnvironment(&environment);
  }
  // The file after one run, and after a second run that must find nothing.
  std::string Rewritten(const std::string& path, const std::string& content, const char* oldText,
                        const char* newText) {
    const SearchTexts texts{oldText, newText, "", "", MatchRule::Path};
    fs.AddFile(path, content, kAttrArchive);
    rewrite.RewriteTextFile(ctx.Pass(), path, texts);
    const std::string once = fs.At(path).data;
    const std::size_t backups = backup.saved.size();
    rewrite.RewriteTextFile(ctx.Pass(), path, texts);
    EXPECT_EQ(fs.At(path).data, once) << path << ": a repeat run changed it again";
    EXPECT_EQ(backup.saved.size(), backups) << path << ": a repeat run wrote it again";
    return once;
  }

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  RecordingBackup backup;
  Cp1252 ansi;
  FakeEnvironment environment{{"PATH", "C:\\windows\\system32;C:\\Tools\\nodejs;C:\\users\\me\\bin"},
                              {"JAVA_HOME", "C:\\Tools\\jdk"},
                              {"ProgramFiles", "C:\\Program Files"},
                              {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
                              {"USERPROFILE", "C:\\Users\\me"},
                              {"APPDATA", "C:\\Users\\me\\AppData\\Roaming"}};
  TextFileRewrite rewrite;
};

struct Case {
  const char* file;
  const char* oldText;
  const char* newText;
  const char* before;
  const char* after;  // the same as before: nothing there is the old path
};

TEST_F(SpellingsInFiles, EachSpellingIsRewrittenInKindAndItsSiblingLeftAlone) {
  const Case cases[] = {
      // Java .properties as Properties.store writes them; non-ASCII as \u.
      {"C:\\Cfg\\app.properties", kAcme, "D:\\Apps", "home=C\\:\\\\Program Files\\\\Acme Tools\nlib=C\\:\\\\Program Files\\\\Acme Tools\\\\lib\n",
       "home=D\\:\\\\Apps\nlib=D\\:\\\\Apps\\\\lib\n"},
      {"C:\\Cfg\\app.properties", kAcme, "D:\\Jörg=1", "home=C\\:\\\\Program Files\\\\Acme Tools\n",
       "home=D\\:\\\\J\\u00F6rg\\=1\n"},
      {"C:\\Cfg\\app.properties", kAcme, "D:\\Apps", "x=C\\:\\\\Program Files\\\\Acme Tools2\n",
       "x=C\\:\\\\Program Files\\\\Acme Tools2\n"},
      // Elsewhere that escaping is not what a program writes.
      {"C:\\Cfg\\app.json", kAcme, "D:\\Apps", "x=C\\:\\\\Program Files\\\\Acme Tools\n",
       "x=C\\:\\\\Program Files\\\\Acme Tools\n"},
      // JSON with escaped forward slashes (PHP), with or without \u.
      {"C:\\Cfg\\a.json", kAcme, "D:\\Apps", R"({"bin":"C:\/Program Files\/Acme Tools\/bin"})",
       R"({"bin":"D:\/Apps\/bin"})"},
      {"C:\\Cfg\\a.json", kJoerg, "D:\\Jörg Tools", R"({"p":"C:\/Users\/Public\/J\u00f6rg Tools\/x"})",
       R"({"p":"D:\/J\u00f6rg Tools\/x"})"},
      {"C:\\Cfg\\a.json", kAcme, "D:\\Apps", R"({"bin":"C:\/Program Files\/Acme Tools2\/bin"})",
       R"({"bin":"C:\/Program Files\/Acme Tools2\/bin"})"},
      // JSON with \u escapes (Python): a file that escapes gets the new text escaped too.
      {"C:\\Cfg\\b.json", kJoerg, "D:\\Jörg Tools", R"({"p": "C:\\Users\\Public\\J\u00f6rg Tools"})",
       R"({"p": "D:\\J\u00f6rg Tools"})"},
      {"C:\\Cfg\\b.json", kAcme, "D:\\Jörg", R"({"a": "C:\\Program Files\\Acme Tools", "b": "\u00e9"})",
       R"({"a": "D:\\J\u00f6rg", "b": "\u00e9"})"},
      {"C:\\Cfg\\b.json", kAcme, "D:\\Jörg", R"({"a": "C:\\Program Files\\Acme Tools"})", R"({"a": "D:\\Jörg"})"},
      {"C:\\Cfg\\b.json", kJoerg, "D:\\X", R"(["C:\\Users\\Public\\J\u00f6rg Tools2", "C:\\Users\\Public\\J\u00f6rg Tools\u00e9"])",
       R"(["C:\\Users\\Public\\J\u00f6rg Tools2", "C:\\Users\\Public\\J\u00f6rg Tools\u00e9"])"},
      // Percent-encoded UTF-8 in file addresses.
      {"C:\\Cfg\\places.cfg", kJoerg, "D:\\Jörg Tools", "u=file:///C:/Users/Public/J%C3%B6rg%20Tools/\n",
       "u=file:///D:/J%C3%B6rg%20Tools/\n"},
      {"C:\\Cfg\\places.cfg", kJoerg, "D:\\New", "u=file:///C:/Users/Public/J%C3%B6rg%20Tools2/ file:///C:/Users/Public/J%C3%B6rg%20Tools%C3%A9/\n",
       "u=file:///C:/Users/Public/J%C3%B6rg%20Tools2/ file:///C:/Users/Public/J%C3%B6rg%20Tools%C3%A9/\n"},
      // The colon encoded too, the drive as an editor writes it (its case kept).
      {"C:\\Users\\me\\AppData\\Roaming\\Code\\User\\globalStorage\\storage.json", "C:\\Users\\me\\proj",
       "D:\\Work\\proj", R"({"folderUri":"file:///c%3A/Users/me/proj","b":"file:///c%3A/Users/me/proj2"})",
       R"({"folderUri":"file:///d%3A/Work/proj","b":"file:///c%3A/Users/me/proj2"})"},
      // "!" ends a path inside jar: and jrt: addresses.
      {"C:\\Cfg\\jdk.table.xml", "C:\\Tools\\jdk-21", "D:\\jdk-21",
       R"(<r u="jrt://C:/Tools/jdk-21!/java.base"/><r u="jar://C:/Tools/jdk-21/lib/src.zip!/"/>)",
       R"(<r u="jrt://D:/jdk-21!/java.base"/><r u="jar://D:/jdk-21/lib/src.zip!/"/>)"},
      // XML character references, decimal and hex; a path ending at &quot;.
      {"C:\\Cfg\\a.xml", kJoerg, "D:\\Jörg Tools", R"(<p a="C:\Users\Public\J&#246;rg Tools\x" b="C:\Users\Public\J&#xF6;rg Tools"/>)",
       R"(<p a="D:\J&#246;rg Tools\x" b="D:\J&#xF6;rg Tools"/>)"},
      {"C:\\Cfg\\a.config", kAcme, "D:\\Apps", R"(<add value="&quot;C:\Program Files\Acme Tools&quot; -q"/>)",
       R"(<add value="&quot;D:\Apps&quot; -q"/>)"},
      {"C:\\Cfg\\a.xml", kJoerg, "D:\\X", R"(<p a="C:\Users\Public\J&#246;rg Tools2" b="&quot;C:\Program Files\Acme Tools&amp;"/>)",
       R"(<p a="C:\Users\Public\J&#246;rg Tools2" b="&quot;C:\Program Files\Acme Tools&amp;"/>)"},
  };
  for (const Case& c : cases) {
    backup.saved.clear();
    EXPECT_EQ(Rewritten(c.file, c.before, c.oldText, c.newText), c.after) << c.file << ": " << c.before;
    EXPECT_EQ(backup.saved.size(), std::string_view(c.before) == c.after ? 0u : 1u) << c.before;
  }
  EXPECT_TRUE(ctx.passedOver.empty());
}

TEST_F(SpellingsInFiles, TheNewTextIsWrittenAsEachFileReadsIt) {
  constexpr const char* kSpaced = "D:\\New Folder\\W6Svc";
  const Case cases[] = {
      // Scripts: a path with a new space quoted, "%" doubled in cmd.
      {"C:\\Scripts\\w6.cmd", "C:\\W6Svc", kSpaced, "C:\\W6Svc\\tool.exe -x\r\n\"C:\\W6Svc\\b.exe\"\r\n",
       "\"D:\\New Folder\\W6Svc\\tool.exe\" -x\r\n\"D:\\New Folder\\W6Svc\\b.exe\"\r\n"},
      {"C:\\Scripts\\w6.bat", "C:\\W6Svc", "D:\\R&D 100%", "cd /d C:\\W6Svc\r\nset P=C:\\W6Svc\\x\r\n",
       "cd /d \"D:\\R&D 100%%\"\r\nset P=D:\\R^&D 100%%\\x\r\n"},
      {"C:\\Scripts\\w6.cmd", "C:\\Data", "C:\\Data\\100%", "copy C:\\Data\\a x\r\n", "copy C:\\Data\\100%%\\a x\r\n"},
      {"C:\\Scripts\\w6.ps1", "C:\\W6Svc", kSpaced, "C:\\W6Svc\\tool.exe -x\nSet-Location C:\\W6Svc\n",
       "& 'D:\\New Folder\\W6Svc\\tool.exe' -x\nSet-Location 'D:\\New Folder\\W6Svc'\n"},
      // Settings and lists take the space as it is; addresses encode it, once.
      {"C:\\Cfg\\w6.ini", "C:\\W6Svc", kSpaced, "p=C:\\W6Svc\\svc.exe -k\r\nl=C:\\W6Svc;C:\\x\r\n",
       "p=D:\\New Folder\\W6Svc\\svc.exe -k\r\nl=D:\\New Folder\\W6Svc;C:\\x\r\n"},
      {"C:\\Cfg\\w6.url", "C:\\W6Svc", "D:\\R&D 100%\\#1", "[InternetShortcut]\r\nURL=file:///C:/W6Svc/y\r\n",
       "[InternetShortcut]\r\nURL=file:///D:/R&D%20100%25/%231/y\r\n"},
      {"C:\\Cfg\\w6.json", "C:\\Old Dir", "D:\\New Folder", "{\"u\":\"file:///C:/Old%20Dir/y\"}",
       "{\"u\":\"file:///D:/New%20Folder/y\"}"},
      {"C:\\Cfg\\w6.json", "C:\\Data", "C:\\Data\\New Dir", "{\"u\":\"file:///C:/Data/y\"}",
       "{\"u\":\"file:///C:/Data/New%20Dir/y\"}"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Rewritten(c.file, c.before, c.oldText, c.newText), c.after) << c.file << ": " << c.before;
  EXPECT_TRUE(ctx.passedOver.empty());
}

TEST_F(SpellingsInFiles, VariablesAreReadExpandedAndKeptWhereTheNewPlaceIsUnderThem) {
  const Case cases[] = {
      {"C:\\Scripts\\run.bat", kAcme, "C:\\Program Files\\Acme Suite",
       "\"%ProgramFiles%\\Acme Tools\\a.exe\" %1\r\n", "\"%ProgramFiles%\\Acme Suite\\a.exe\" %1\r\n"},
      {"C:\\Scripts\\run.cmd", kAcme, "D:\\Apps", "cd /d %programfiles%\\Acme Tools\r\n", "cd /d D:\\Apps\r\n"},
      {"C:\\Scripts\\run.cmd", kAcme, "D:\\Apps", "cd %ProgramFiles%\\Acme Tools2\r\n", "cd %ProgramFiles%\\Acme Tools2\r\n"},
      {"C:\\Scripts\\a.ps1", kAcme, "C:\\Program Files\\Acme Suite",
       "& \"$env:ProgramFiles\\Acme Tools\\a.exe\"; ${env:ProgramFiles}\\Acme Tools\n",
       "& \"$env:ProgramFiles\\Acme Suite\\a.exe\"; ${env:ProgramFiles}\\Acme Suite\n"},
      {"C:\\Scripts\\a.ps1", "C:\\Program Files (x86)\\Acme", "D:\\Acme", "${env:ProgramFiles(x86)}\\Acme\n",
       "D:\\Acme\n"},
      // $env: means nothing to cmd.
      {"C:\\Scripts\\run.bat", kAcme, "D:\\Apps", "$env:ProgramFiles\\Acme Tools\r\n", "$env:ProgramFiles\\Acme Tools\r\n"},
      // Per-user variables: this user's own files only; another user's
      // %APPDATA% is their own folder.
      {"C:\\Users\\me\\tools.ini", "C:\\Users\\me\\AppData\\Roaming\\Acme", "D:\\Acme", "p=%APPDATA%\\Acme\r\n",
       "p=D:\\Acme\r\n"},
      {"C:\\Users\\bob\\tools.ini", "C:\\Users\\me\\AppData\\Roaming\\Acme", "D:\\Acme", "p=%APPDATA%\\Acme\r\n",
       "p=%APPDATA%\\Acme\r\n"},
      // A list is never written out in place of its variable.
      {"C:\\Scripts\\dev.cmd", "C:\\Tools\\nodejs", "D:\\Tools\\nodejs", "set PATH=C:\\Python312;%PATH%\r\n",
       "set PATH=C:\\Python312;%PATH%\r\n"},
      {"C:\\Scripts\\dev.ps1", "C:\\Tools\\nodejs", "D:\\Tools\\nodejs",
       "$env:Path = \"C:\\Python312;\" + $env:Path\n", "$env:Path = \"C:\\Python312;\" + $env:Path\n"},
      // A variable holding the moved place follows it by its own definition;
      // one holding a folder above the moved place is read through.
      {"C:\\Scripts\\java.cmd", "C:\\Tools\\jdk", "D:\\jdk", "\"%JAVA_HOME%\\bin\\java\" -version\r\n",
       "\"%JAVA_HOME%\\bin\\java\" -version\r\n"},
      {"C:\\Scripts\\java.cmd", "C:\\Tools\\jdk\\bin", "D:\\jdkbin", "\"%JAVA_HOME%\\bin\\java\" -version\r\n",
       "\"D:\\jdkbin\\java\" -version\r\n"},
      // The profile folder as IDEs write it stays so where the new place is in it.
      {"C:\\Users\\me\\AppData\\Roaming\\JetBrains\\Idea\\options\\recentProjects.xml", "C:\\Users\\me\\proj",
       "C:\\Users\\me\\proj2", "<entry key=\"$USER_HOME$/proj\"/>", "<entry key=\"$USER_HOME$/proj2\"/>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Rewritten(c.file, c.before, c.oldText, c.newText), c.after) << c.file << ": " << c.before;
  // A drive switch would write out every variable on the drive.
  ctx.request.Mode = RunMode::SwitchDrives;
  EXPECT_EQ(Rewritten("C:\\Scripts\\x.bat", "%ProgramFiles%\\Acme Tools\r\n", kAcme, "D:\\Apps"),
            "%ProgramFiles%\\Acme Tools\r\n");
}

// Both drives of a switch in every spelling, in one pass: a second switch
// gives the file back byte for byte, and nothing like a drive is touched.
TEST_F(SpellingsInFiles, ADriveSwitchExchangesEverySpellingBothWays) {
  ctx.request.Mode = RunMode::SwitchDrives;
  SearchTexts texts{"P:\\", "R:\\", "", "", MatchRule::Path};
  texts.exchange = true;
  const Case cases[] = {
      {"C:\\Cfg\\a.ini", "", "",
       "a=P:/data/x\r\nb=file:///P:/y\r\nc=R:\\z;P:\\w\r\nd=P:\r\ne=TYPE:P:\r\nf=*:\\pagefile.sys\r\n",
       "a=R:/data/x\r\nb=file:///R:/y\r\nc=P:\\z;R:\\w\r\nd=R:\r\ne=TYPE:P:\r\nf=*:\\pagefile.sys\r\n"},
      {"C:\\Cfg\\app.properties", "", "", "home=P\\:\\\\data\nother=R\\:\\\\x\n",
       "home=R\\:\\\\data\nother=P\\:\\\\x\n"},
      {"C:\\Cfg\\a.json", "", "", R"({"a":"file:///P:/data","b":"P:\\data\\x","c":"P:\/data","d":"R:\\q"})",
       R"({"a":"file:///R:/data","b":"R:\\data\\x","c":"R:\/data","d":"P:\\q"})"},
      {"C:\\Cfg\\run.cmd", "", "", "\"P:\\Tools\\t.exe\" -cfg R:\\cfg.ini\r\n",
       "\"R:\\Tools\\t.exe\" -cfg P:\\cfg.ini\r\n"},
  };
  for (const Case& c : cases) {
    fs.AddFile(c.file, c.before, kAttrArchive);
    rewrite.RewriteTextFile(ctx.Pass(), c.file, texts);
    EXPECT_EQ(fs.At(c.file).data, c.after) << c.file;
    rewrite.RewriteTextFile(ctx.Pass(), c.file, texts);
    EXPECT_EQ(fs.At(c.file).data, c.before) << c.file << ": switched back";
  }
}

}  // namespace
