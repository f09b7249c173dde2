#include <gtest/gtest.h>

#include "engine/BinaryData.h"

#include "core/Error.h"
#include "core/Unicode.h"
#include "filemap/TextFileRewrite.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {

constexpr const char* kPath = "C:\\Cfg\\app.ini";

std::string Le(std::string_view utf8) { return Utf16LeBytesFromUtf8(utf8); }
std::string Be(std::string_view utf8) {
  std::string bytes = Utf16LeBytesFromUtf8(utf8);
  for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) std::swap(bytes[k], bytes[k + 1]);
  return bytes;
}

class TextRewriteTest : public ::testing::Test {
 protected:
  TextRewriteTest() : backup(fs), rewrite(fs, backup, ansi) {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
  }
  std::string Rewrite(const std::string& content, std::uint32_t attributes = kAttrArchive) {
    fs.AddFile(kPath, content, attributes);
    rewrite.RewriteTextFile(ctx.Pass(), kPath, texts);
    return fs.At(kPath).data;
  }
  void Verify() { ctx.stopAndVerify = true; }

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  RecordingBackup backup;
  Cp1252 ansi;
  TextFileRewrite rewrite;
  SearchTexts texts{"C:\\App", "D:\\New", "C:\\APP~1", "D:\\NEW~1"};
};

TEST_F(TextRewriteTest, FileWithoutOccurrenceIsNeitherBackedUpNorWritten) {
  fs.beforeWrite = [](const std::string&) { FAIL() << "written"; };
  const std::string content = "a=C:\\Ap\nb=C:/App\r";
  EXPECT_EQ(Rewrite(content, kAttrReadOnly | kAttrHidden), content);
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly | kAttrHidden);
  EXPECT_TRUE(backup.saved.empty());
  EXPECT_EQ(ctx.tally.linkCount, 0);
}

TEST_F(TextRewriteTest, ReadOnlyHiddenSystemFileIsRewrittenAndKeepsItsAttributes) {
  const std::uint32_t attrs = kAttrReadOnly | kAttrHidden | kAttrSystem;
  std::uint32_t attrsAtWrite = 0xFFFF;
  fs.beforeWrite = [&](const std::string& p) { attrsAtWrite = fs.At(p).attributes; };
  EXPECT_EQ(Rewrite("x=C:\\App\\a.exe\r\n", attrs), "x=D:\\New\\a.exe\r\n");
  EXPECT_EQ(attrsAtWrite, 0u);
  EXPECT_EQ(fs.At(kPath).attributes, attrs);
  ASSERT_EQ(backup.saved.size(), 1u);
  EXPECT_EQ(backup.saved[0], std::make_pair(std::string(kPath), std::string("x=C:\\App\\a.exe\r\n")));

  // A file that is not read-only is replaced as it is: the replacement
  // keeps its attributes, none is changed around it.
  EXPECT_EQ(Rewrite("x=C:\\App\r\n", kAttrHidden | kAttrSystem), "x=D:\\New\r\n");
  EXPECT_EQ(attrsAtWrite, kAttrHidden | kAttrSystem);
  EXPECT_EQ(fs.At(kPath).attributes, kAttrHidden | kAttrSystem);
}

TEST_F(TextRewriteTest, LineEndsAndAMissingLastLineEndStayAsTheFileHasThem) {
  EXPECT_EQ(Rewrite("a\nb=C:\\App\\x\nc\n"), "a\nb=D:\\New\\x\nc\n");
  EXPECT_EQ(Rewrite("k=C:\\App"), "k=D:\\New");
  EXPECT_EQ(Rewrite("a\nb=C:\\App\rc\n\rd\r\ne=C:\\App\r\n"), "a\nb=D:\\New\rc\n\rd\r\ne=D:\\New\r\n");
  EXPECT_TRUE(ctx.passedOver.empty());
}

// The same settings in every encoding a file may have: the new text comes
// out in the file's own encoding, the mark and line ends as they were.
TEST_F(TextRewriteTest, EachEncodingIsWrittenBackInItselfChangingOnlyTheReplacedText) {
  texts = {"C:\\App", "D:\\Bjørn €", "C:\\APP~1", "D:\\BJRN~1"};
  const std::string before = "[Øst]\r\np=C:\\App\\x\nq=c:\\app";
  const std::string after = "[Øst]\r\np=D:\\Bjørn €\\x\nq=D:\\Bjørn €";
  const struct {
    const char* name;
    std::string in, out;
  } cases[] = {
      {"UTF-16LE", "\xFF\xFE" + Le(before), "\xFF\xFE" + Le(after)},
      {"UTF-16BE", "\xFE\xFF" + Be(before), "\xFE\xFF" + Be(after)},
      {"UTF-16LE without a mark", Le(before), Le(after)},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" + before, "\xEF\xBB\xBF" + after},
      {"UTF-8", before, after},
      {"Windows-1252", "[\xD8st]\r\np=C:\\App\\x\nq=c:\\app", "[\xD8st]\r\np=D:\\Bj\xF8rn \x80\\x\nq=D:\\Bj\xF8rn \x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    backup.saved.clear();
    ctx.tally.linkCount = 0;
    EXPECT_EQ(Rewrite(c.in), c.out);
    ASSERT_EQ(backup.saved.size(), 1u);
    EXPECT_EQ(backup.saved[0].second, c.in);
    EXPECT_EQ(ctx.tally.linkCount, 2);
  }
  EXPECT_TRUE(ctx.passedOver.empty());
}

TEST_F(TextRewriteTest, NonAsciiOldTextIsFoundInUtf16AndAnsiFilesInEitherCase) {
  texts = {"C:\\Bjørn", "D:\\Data", "C:\\BJRN~1", "D:\\DATA~1"};
  EXPECT_EQ(Rewrite("\xFF\xFE" + Le("a=c:\\bjørn\\x\r\nb=C:\\BjØrn\r\nc=C:\\Bjorn\r\n")),
            "\xFF\xFE" + Le("a=D:\\Data\\x\r\nb=D:\\Data\r\nc=C:\\Bjorn\r\n"));
  EXPECT_EQ(Rewrite("a=c:\\bj\xF8rn\\x\r\nb=C:\\Bj\xD8rn\r\nc=C:\\Bjorn\r\n"),
            "a=D:\\Data\\x\r\nb=D:\\Data\r\nc=C:\\Bjorn\r\n");
  EXPECT_EQ(ctx.tally.linkCount, 4);
  // A code page without the old text's characters cannot hold them.
  texts.oldText = "C:\\数据";
  EXPECT_EQ(Rewrite("a=C:\\\xC8\xFD\r\n"), "a=C:\\\xC8\xFD\r\n");
  EXPECT_TRUE(ctx.passedOver.empty());
}

TEST_F(TextRewriteTest, AFileWhoseEncodingCannotHoldTheNewTextIsLeftAndReported) {
  Verify();
  texts = {"C:\\App", "D:\\数据", "C:\\APP~1", "D:\\4E70~1"};
  const std::string ansi = "n=Bj\xF8rn\r\np=C:\\App\r\n";
  EXPECT_EQ(Rewrite(ansi), ansi);
  EXPECT_TRUE(ui.questions.empty());  // nothing asked that could not be done
  EXPECT_TRUE(backup.saved.empty());
  EXPECT_EQ(ctx.tally.linkCount, 0);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, kPath);
  EXPECT_EQ(ctx.passedOver[0].reason, "its encoding (Windows-1252) cannot hold the new text");
  // Unicode files can hold it.
  EXPECT_EQ(Rewrite("\xFF\xFE" + Le("p=C:\\App")), "\xFF\xFE" + Le("p=D:\\数据"));
  EXPECT_EQ(Rewrite("n=Bjørn\np=C:\\App"), "n=Bjørn\np=D:\\数据");
  EXPECT_EQ(ctx.passedOver.size(), 1u);
}

TEST_F(TextRewriteTest, TextThatWouldNotComeBackByteForByteIsLeftAndReported) {
  const std::string badUtf8 = "\xEF\xBB\xBFp=C:\\App\xFF\r\n";
  const std::string oddUtf16 = "\xFF\xFE" + Le("p=C:\\App") + "x";
  EXPECT_EQ(Rewrite(badUtf8), badUtf8);
  EXPECT_EQ(Rewrite(oddUtf16), oddUtf16);
  EXPECT_TRUE(backup.saved.empty());
  ASSERT_EQ(ctx.passedOver.size(), 2u);
  EXPECT_EQ(ctx.passedOver[0].reason, "its text is not valid UTF-8");
  EXPECT_EQ(ctx.passedOver[1].reason, "its text is not valid UTF-16LE");
}

TEST_F(TextRewriteTest, EveryOccurrenceReplacedOnceAndCounted) {
  texts = {"C:\\App", "C:\\App2", "C:\\APP~1", "C:\\APP2~1"};
  ctx.tally.linkCount = 5;
  EXPECT_EQ(Rewrite("C:\\App;c:\\app\\x;C:\\Apple\r\n"), "C:\\App2;C:\\App2\\x;C:\\App2le\r\n");
  EXPECT_EQ(ctx.tally.linkCount, 8);
}

// A letter whose other case takes more bytes: the whole occurrence goes,
// not as many bytes as the old text has.
TEST_F(TextRewriteTest, OccurrenceSpelledLongerIsReplacedWhole) {
  texts = {"C:\\Дом", "D:\\Ünï", "C:\\DOM~1", "D:\\UNI~1"};
  EXPECT_EQ(Rewrite("a=C:\\\xE1\xB2\x81ОМ\\x\r\nb=c:\\дом\r\nc=C:\\ДОМА\r\n"),
            "a=D:\\Ünï\\x\r\nb=D:\\Ünï\r\nc=D:\\ÜnïА\r\n");
  EXPECT_EQ(Rewrite("p=c:\\ȿ\\x\r\n"), "p=c:\\ȿ\\x\r\n");
  texts = {"C:\\Ȿ", "D:\\s", "C:\\S~1", "D:\\S~1"};  // and shorter
  EXPECT_EQ(Rewrite("p=c:\\ȿ\\x\r\n"), "p=D:\\s\\x\r\n");
}

TEST_F(TextRewriteTest, ShortFormOnlyWhenTheLongFormIsAbsentAnywhere) {
  texts = {"C:\\My App", "D:\\New App", "C:\\MYAPP~1", "D:\\NEWAPP~1"};
  EXPECT_EQ(Rewrite("p=c:\\myapp~1\\t.exe\r\n"), "p=D:\\NEWAPP~1\\t.exe\r\n");
  EXPECT_EQ(Rewrite("p=C:\\MYAPP~1\r\nq=C:\\my app\r\n"), "p=C:\\MYAPP~1\r\nq=D:\\New App\r\n");
  // A move's preview shows the new place long where its short form is not known yet.
  ctx.preview = true;
  ctx.changes.clear();
  texts = {"C:\\My App", "D:\\New App", "C:\\MYAPP~1", "D:\\New App", MatchRule::Path, true};
  Rewrite("p=c:\\myapp~1\\t.exe\r\n");
  ASSERT_EQ(ctx.changes.size(), 1u);
  EXPECT_EQ(ctx.changes[0].newText, "p=D:\\New App\\t.exe");
  EXPECT_EQ(ctx.changes[0].reason, kShortFormAfterMove);
}

TEST_F(TextRewriteTest, QuestionExcerptsShowTenCharactersBeforeAndTheRest) {
  Verify();
  const std::string content = "C:\\App=1\r\nsome longer text C:\\App\\x\r\n";
  Rewrite(content);
  ASSERT_EQ(ui.questions.size(), 2u);
  const Question& first = ui.questions[0];
  EXPECT_EQ(first.key, "Setting Files");
  EXPECT_EQ(first.value, kPath);
  EXPECT_EQ(first.from, content);
  EXPECT_EQ(first.to, "D:\\New=1\r\nsome longer text C:\\App\\x\r\n");
  // The second question sees the text with the first change made.
  EXPECT_EQ(ui.questions[1].from, "nger text C:\\App\\x\r\n");
  EXPECT_EQ(ui.questions[1].to, "nger text D:\\New\\x\r\n");
  // Within the first ten characters of a changed text.
  const Question q = FileChangeQuestion("p", "x C:\\App;y", 2, 6, "X");
  EXPECT_EQ(q.from, "x C:\\App;y");
  EXPECT_EQ(q.to, "x X;y");
  // Ten characters, not ten bytes, and never half a character.
  const std::string wide = "ØØØØØØØØØØØØ C:\\App";
  const Question w = FileChangeQuestion("p", wide, wide.find("C:"), 6, "X");
  EXPECT_EQ(w.from, "ØØØØØØØØØ C:\\App");
  EXPECT_EQ(w.to, "ØØØØØØØØØ X");
  // The found part is marked in both texts.
  EXPECT_EQ(w.from.substr(w.fromMark, w.fromMarkLength), "C:\\App");
  EXPECT_EQ(w.to.substr(w.toMark, w.toMarkLength), "X");
}

TEST_F(TextRewriteTest, CancelKeepsAndWritesTheChangesAlreadyMade) {
  Verify();
  ui.replies = {{Answer::Replace}, {Answer::Cancel}};
  EXPECT_EQ(Rewrite("C:\\App C:\\App", kAttrReadOnly), "D:\\New C:\\App");
  EXPECT_TRUE(ctx.tally.cancelled);
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly);
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

TEST_F(TextRewriteTest, UnreadableVanishedOrBinaryFilesArePassedOver) {
  fs.beforeRead = [](const std::string&) { throw Error("sharing violation"); };
  EXPECT_EQ(Rewrite("C:\\App", kAttrHidden), "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrHidden);
  EXPECT_GT(ui.pumps, 0);
  fs.beforeRead = nullptr;
  // A binary file that holds the old place is named and left, under any
  // target; one that does not is worth a word only as a settings file.
  const std::string binary("MZ\0C:\\App\n", 10);
  EXPECT_EQ(Rewrite(binary), binary);
  const std::string other("MZ\0C:\\Else\n", 11);
  EXPECT_EQ(Rewrite(other), other);
  ctx.targets.allFiles = true;
  EXPECT_EQ(Rewrite(binary), binary);
  EXPECT_EQ(Rewrite(other), other);
  rewrite.RewriteTextFile(ctx.Pass(), "C:\\Cfg\\gone.ini", texts);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  EXPECT_TRUE(backup.saved.empty());
  ASSERT_EQ(ctx.passedOver.size(), 4u);
  EXPECT_EQ(ctx.passedOver[0].where, kPath);
  EXPECT_EQ(ctx.passedOver[0].reason, "cannot be read: sharing violation");
  EXPECT_EQ(ctx.passedOver[1].reason, kBinaryNotRewritten);
  EXPECT_EQ(ctx.passedOver[2].reason, "holds binary data");
  EXPECT_EQ(ctx.passedOver[3].reason, kBinaryNotRewritten);
}

TEST_F(TextRewriteTest, FailedWriteLeavesTheFileRestoresAttributesAndIsPassedOver) {
  fs.beforeWrite = [](const std::string&) { throw Error("Access is denied."); };
  fs.AddFile(kPath, "C:\\App", kAttrReadOnly | kAttrSystem);
  rewrite.RewriteTextFile(ctx.Pass(), kPath, texts);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "Access is denied.");
  EXPECT_EQ(fs.At(kPath).data, "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly | kAttrSystem);
  EXPECT_EQ(backup.saved.size(), 1u);  // the backup came first
}

TEST_F(TextRewriteTest, FailedBackupEndsBeforeAnyWrite) {
  backup.throwOnBackup = true;
  fs.AddFile(kPath, "C:\\App", kAttrReadOnly);
  EXPECT_THROW(rewrite.RewriteTextFile(ctx.Pass(), kPath, texts), Error);
  EXPECT_EQ(fs.At(kPath).data, "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly);
}

TEST_F(TextRewriteTest, NoBackupOrAChangeWhileAskingMeansNoWriteAndIsReported) {
  backup.missing = true;
  EXPECT_EQ(Rewrite("C:\\App"), "C:\\App");
  EXPECT_EQ(ctx.tally.linkCount, 0);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "its backup could not be made");
  backup.missing = false;
  // Another program saves the file while the question is up.
  Verify();
  int reads = 0;
  fs.beforeRead = [&](const std::string& p) {
    if (++reads == 2) fs.At(p).data = "C:\\App edited";
  };
  EXPECT_EQ(Rewrite("C:\\App"), "C:\\App edited");
  EXPECT_EQ(ctx.tally.linkCount, 0);
  EXPECT_TRUE(backup.saved.empty());
  ASSERT_EQ(ctx.passedOver.size(), 2u);
  EXPECT_EQ(ctx.passedOver[1].reason, "it was changed by another program while the run waited for an answer");
}

// What every rewriter's preview keeps is in rewriter_rules_test.
// A line is shown once, with every occurrence in it changed, as the run
// writes it; the change list keeps an entry per occurrence.
TEST_F(TextRewriteTest, APreviewShowsEachLineOnceAsTheRunWillWriteIt) {
  ctx.preview = true;
  Rewrite("[s]\rk=C:\\App\\a;C:\\App\\b\r\nz\nq=C:\\App\\\u00e9x C:\\App\n");
  ASSERT_EQ(ui.previews.size(), 2u);
  EXPECT_EQ(ui.previews[0].place, kPath);
  EXPECT_EQ(ui.previews[0].oldText, "k=C:\\App\\a;C:\\App\\b");
  EXPECT_EQ(ui.previews[0].newText, "k=D:\\New\\a;D:\\New\\b");
  EXPECT_EQ(ui.previews[1].newText, "q=D:\\New\\\u00e9x D:\\New");
  EXPECT_EQ(ctx.changes.size(), 4u);
}

}  // namespace

TEST_F(TextRewriteTest, PathsAreFoundInEverySpellingAndWholeOnly) {
  texts = {"C:\\App", "D:\\Tools\\App", "", "", MatchRule::Path};
  // A file that holds the path only in another spelling is not skipped by the quick check.
  EXPECT_EQ(Rewrite(R"({"b": "C:/App/y"})"), R"({"b": "D:/Tools/App/y"})");
  EXPECT_EQ(Rewrite(R"({"a": "C:\\App\\x.exe", "b": "C:/App/y", "c": "C:\\Apple", "d": "C:\\App2\\z"})"),
            R"({"a": "D:\\Tools\\App\\x.exe", "b": "D:/Tools/App/y", "c": "C:\\Apple", "d": "C:\\App2\\z"})");
  fs.AddFolder("C:\\App Stuff");  // another item, as it is there
  EXPECT_EQ(Rewrite("p=C:\\App;C:\\App Stuff;\"C:\\App\"\nq=C:\\App"),
            "p=D:\\Tools\\App;C:\\App Stuff;\"D:\\Tools\\App\"\nq=D:\\Tools\\App");
}

// Run again, a run whose new text extends the old finds what it wrote, in
// each spelling, and changes nothing; a sibling name is still another item.
TEST_F(TextRewriteTest, ARepeatLeavesWhatTheFirstRunWroteInEverySpelling) {
  texts = {"C:\\Data", "C:\\Data\\Old", "C:\\DATA~1", "C:\\DATA~1\\OLD", MatchRule::Path};
  const std::string before = "a=C:\\Data\\reports\nb=C:/Data/x;C:\\Data\\Oldies\nc=file:///C:/Data/y\n"
                             "d=\"C:\\\\Data\\\\z\"\ne=c:\\data\\old\\kept\n";
  const std::string once = "a=C:\\Data\\Old\\reports\nb=C:/Data/Old/x;C:\\Data\\Old\\Oldies\nc=file:///C:/Data/Old/y\n"
                           "d=\"C:\\\\Data\\\\Old\\\\z\"\ne=c:\\data\\old\\kept\n";
  EXPECT_EQ(Rewrite(before), once);
  EXPECT_EQ(ctx.tally.linkCount, 5);
  ctx.changes.clear();
  fs.beforeWrite = [](const std::string&) { FAIL() << "written again"; };
  EXPECT_EQ(Rewrite(once), once);
  EXPECT_EQ(ctx.tally.linkCount, 5);
  EXPECT_TRUE(ctx.changes.empty()) << "what is already new is no occurrence";
  // The short form too, and a new "&" that markup holds as "&amp;".
  fs.beforeWrite = nullptr;
  EXPECT_EQ(Rewrite("s=C:\\DATA~1\\OLD\\x;C:\\DATA~1\\y"), "s=C:\\DATA~1\\OLD\\x;C:\\DATA~1\\OLD\\y");
  texts = {"C:\\Data", "C:\\Data\\R&D", "", "", MatchRule::Path};
  const std::string xml = "<a p=\"C:\\Data\\R&amp;D\\x\" q=\"C:\\Data\\y\"/>";
  EXPECT_EQ(Rewrite(xml), "<a p=\"C:\\Data\\R&amp;D\\x\" q=\"C:\\Data\\R&amp;D\\y\"/>");
}

TEST_F(TextRewriteTest, ANewAmpersandInMarkupIsWrittenAsAnEntity) {
  texts = {"C:\\App", "D:\\R&D", "", "", MatchRule::Path};
  EXPECT_EQ(Rewrite("\xEF\xBB\xBF <?xml version=\"1.0\"?><a p=\"C:\\App\\x\" q=\"file:///C:/App\"/>"),
            "\xEF\xBB\xBF <?xml version=\"1.0\"?><a p=\"D:\\R&amp;D\\x\" q=\"file:///D:/R&amp;D\"/>");
  EXPECT_EQ(Rewrite("p=C:\\App\r\n"), "p=D:\\R&D\r\n");
  // An old "&" found bare (a comment, CDATA) stays bare.
  texts = {"C:\\A&B", "D:\\C&D", "", "", MatchRule::Path};
  EXPECT_EQ(Rewrite("<a><!-- C:\\A&B\\x --> C:\\A&amp;B</a>"), "<a><!-- D:\\C&D\\x --> D:\\C&amp;D</a>");
}

TEST_F(TextRewriteTest, AnAllAsciiSettingsFileTakesNewTextInTheAnsiCodePage) {
  texts = {"C:\\App", "D:\\Bjørn", "", "", MatchRule::Path};
  EXPECT_EQ(Rewrite("p=C:\\App\\x\r\n"), "p=D:\\Bj\xF8rn\\x\r\n");
  // Other files without a byte order mark are taken for UTF-8.
  fs.AddFile("C:\\Cfg\\app.json", R"({"p": "C:\\App"})");
  rewrite.RewriteTextFile(ctx.Pass(), "C:\\Cfg\\app.json", texts);
  EXPECT_EQ(fs.At("C:\\Cfg\\app.json").data, R"({"p": "D:\\Bjørn"})");
  // An Internet shortcut is read as a settings file is.
  fs.AddFile("C:\\Fav\\site.URL", "[InternetShortcut]\r\nWorkingDirectory=C:\\App\r\n");
  rewrite.RewriteTextFile(ctx.Pass(), "C:\\Fav\\site.URL", texts);
  EXPECT_EQ(fs.At("C:\\Fav\\site.URL").data, "[InternetShortcut]\r\nWorkingDirectory=D:\\Bj\xF8rn\r\n");
  // What the code page lacks is not forced in as UTF-8.
  texts = {"C:\\App", "D:\\数据", "", "", MatchRule::Path};
  EXPECT_EQ(Rewrite("p=C:\\App\\x\r\n"), "p=C:\\App\\x\r\n");
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "its encoding (Windows-1252) cannot hold the new text");
}
