#include <gtest/gtest.h>

#include "core/Error.h"
#include "filemap/TextFileRewrite.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/RecordingBackup.h"

namespace {

constexpr const char* kPath = "C:\\Cfg\\app.ini";

class TextRewriteTest : public ::testing::Test {
 protected:
  TextRewriteTest() : backup(fs), rewrite(ctx, fs, backup) {
    ctx.ui = &ui;
    ctx.request.Mode = 'F';
  }
  std::string Rewrite(const std::string& content, std::uint32_t attributes = kAttrArchive) {
    fs.AddFile(kPath, content, attributes);
    rewrite.RewriteTextFile(kPath, texts);
    return fs.At(kPath).data;
  }
  void Verify() { ctx.verify.suiCheckBox4 = true; }

  FakeFileSystem fs;
  FakeUi ui;
  RunContext ctx;
  RecordingBackup backup;
  TextFileRewrite rewrite;
  RewriteTexts texts{"C:\\App", "D:\\New", "C:\\APP~1", "D:\\NEW~1"};
};

TEST_F(TextRewriteTest, FileWithoutOccurrenceIsNeitherBackedUpNorWritten) {
  fs.beforeWrite = [](const std::string&) { FAIL() << "written"; };
  const std::string content = "a=C:\\Ap\nb=C:/App\r";
  EXPECT_EQ(Rewrite(content, kAttrReadOnly | kAttrHidden), content);
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly | kAttrHidden);
  EXPECT_TRUE(backup.saved.empty());
  EXPECT_EQ(ctx.request.LinkCount, 0);
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
}

TEST_F(TextRewriteTest, LineEndsBecomeCrLfThroughoutOnlyWhenSomethingWasReplaced) {
  EXPECT_EQ(Rewrite("a\nb=C:\\App\rc\n\rd"), "a\r\nb=D:\\New\r\nc\r\n\r\nd\r\n");
  EXPECT_EQ(Rewrite("a\nb\rc"), "a\nb\rc");
}

TEST_F(TextRewriteTest, EveryOccurrenceReplacedOnceAndCounted) {
  texts = {"C:\\App", "C:\\App2", "C:\\APP~1", "C:\\APP2~1"};
  ctx.request.LinkCount = 5;
  EXPECT_EQ(Rewrite("C:\\App;c:\\app\\x;C:\\Apple\r\n"), "C:\\App2;C:\\App2\\x;C:\\App2le\r\n");
  EXPECT_EQ(ctx.request.LinkCount, 8);
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
}

TEST_F(TextRewriteTest, VerifyAsksPerOccurrenceAndSkipLeavesTheRest) {
  Verify();
  ui.replies = {{Answer::Replace}, {Answer::Skip}};
  EXPECT_EQ(Rewrite("1 C:\\App\r\n2 C:\\App\r\n3 C:\\App\r\n"), "1 D:\\New\r\n2 C:\\App\r\n3 C:\\App\r\n");
  EXPECT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ctx.request.LinkCount, 1);
  EXPECT_EQ(backup.saved.size(), 1u);
  EXPECT_FALSE(ctx.request.Cancelled);
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
}

TEST_F(TextRewriteTest, CancelKeepsAndWritesTheChangesAlreadyMade) {
  Verify();
  ui.replies = {{Answer::Replace}, {Answer::Cancel}};
  EXPECT_EQ(Rewrite("C:\\App C:\\App", kAttrReadOnly), "D:\\New C:\\App\r\n");
  EXPECT_TRUE(ctx.request.Cancelled);
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly);
  EXPECT_EQ(ctx.request.LinkCount, 1);
}

TEST_F(TextRewriteTest, UnreadableVanishedOrBinaryFilesArePassedOver) {
  fs.beforeRead = [](const std::string&) { throw Error("sharing violation"); };
  EXPECT_EQ(Rewrite("C:\\App", kAttrHidden), "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrHidden);
  EXPECT_GT(ui.pumps, 0);
  fs.beforeRead = nullptr;
  const std::string binary("MZ\0C:\\App\n", 10);
  EXPECT_EQ(Rewrite(binary), binary);
  rewrite.RewriteTextFile("C:\\Cfg\\gone.ini", texts);
  EXPECT_EQ(ctx.request.LinkCount, 0);
  EXPECT_TRUE(backup.saved.empty());
}

TEST_F(TextRewriteTest, FailedWriteLeavesTheFileAndRestoresAttributes) {
  fs.beforeWrite = [](const std::string&) { throw Error("Disk full"); };
  fs.AddFile(kPath, "C:\\App", kAttrReadOnly | kAttrSystem);
  EXPECT_THROW(rewrite.RewriteTextFile(kPath, texts), Error);
  EXPECT_EQ(fs.At(kPath).data, "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly | kAttrSystem);
  EXPECT_EQ(backup.saved.size(), 1u);  // the backup came first
}

TEST_F(TextRewriteTest, FailedBackupEndsBeforeAnyWrite) {
  backup.throwOnBackup = true;
  fs.AddFile(kPath, "C:\\App", kAttrReadOnly);
  EXPECT_THROW(rewrite.RewriteTextFile(kPath, texts), Error);
  EXPECT_EQ(fs.At(kPath).data, "C:\\App");
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly);
}

TEST_F(TextRewriteTest, NoBackupOrAChangeWhileAskingMeansNoWrite) {
  backup.missing = true;
  EXPECT_EQ(Rewrite("C:\\App"), "C:\\App");
  EXPECT_EQ(ctx.request.LinkCount, 0);
  backup.missing = false;
  // Another program saves the file while the question is up.
  Verify();
  int reads = 0;
  fs.beforeRead = [&](const std::string& p) {
    if (++reads == 2) fs.At(p).data = "C:\\App edited";
  };
  EXPECT_EQ(Rewrite("C:\\App"), "C:\\App edited");
  EXPECT_EQ(ctx.request.LinkCount, 0);
  EXPECT_TRUE(backup.saved.empty());
}

TEST_F(TextRewriteTest, PreviewReportsAndCountsButAsksAndWritesNothing) {
  Verify();
  ctx.preview = true;
  fs.beforeWrite = [](const std::string&) { FAIL() << "written"; };
  EXPECT_EQ(Rewrite("[s]\nk=C:\\App\\a;C:\\App\\b\nz\n", kAttrReadOnly), "[s]\nk=C:\\App\\a;C:\\App\\b\nz\n");
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_TRUE(backup.saved.empty());
  EXPECT_EQ(fs.At(kPath).attributes, kAttrReadOnly);
  EXPECT_EQ(ctx.request.LinkCount, 2);
  ASSERT_EQ(ui.previews.size(), 2u);
  EXPECT_EQ(ui.previews[0].place, kPath);
  EXPECT_EQ(ui.previews[0].oldText, "k=C:\\App\\a;C:\\App\\b");
  EXPECT_EQ(ui.previews[0].newText, "k=D:\\New\\a;C:\\App\\b");
  EXPECT_EQ(ui.previews[1].newText, "k=C:\\App\\a;D:\\New\\b");
}

}  // namespace
