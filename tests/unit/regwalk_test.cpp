#include <gtest/gtest.h>

#include "core/Error.h"
#include "regmap/NTReg.h"
#include "regmap/RegImport.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeEnvironment.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/MemoryRegistry.h"
#include "support/TestRun.h"

namespace {
using namespace std::literals;
const RegRoot CU = RegRoot::CurrentUser;
const RegRoot LM = RegRoot::LocalMachine;
const char* const kBackup = "C:\\Ost\\Undo00000.reg";

class RegWalkTest : public ::testing::Test {
 protected:
  RegWalkTest() {
    ctx.ui = &ui;
    ctx.recordsFolder = "C:\\Ost\\";
    ctx.tally.undoName = "Undo00000";
    ctx.request.Mode = RunMode::MapOnly;
    ctx.targets = Targets{true, false, false, false, false};
    fs.AddFolder("C:\\Ost");
  }
  void Map(const std::string& o, const std::string& n, const std::string& os = "", const std::string& ns = "",
           MatchRule rule = MatchRule::Substring) {
    walk.FindReplaceProcess(ctx.Pass(), {o, n, os, ns, rule});
  }
  // A drive switch: both ways in one pass, as the run makes it.
  void Switch(const std::string& a, const std::string& b) {
    ctx.request.Mode = RunMode::SwitchDrives;
    SearchTexts texts{a, b, "", "", MatchRule::Path};
    texts.exchange = true;
    walk.FindReplaceProcess(ctx.Pass(), texts);
  }
  std::string Text(RegRoot root, const std::string& path, const std::string& name) {
    return reg.GetText(root, path, name);
  }
  std::string Backup() { return fs.Has(kBackup) ? DecodeRegText(fs.ReadWhole(kBackup)) : ""; }
  void ExpectUndoRestores(const std::string& before) {
    ASSERT_NE(reg.Dump(), before) << "the run changed nothing";
    const RegImportResult r = ImportRegFile(fs, reg, kBackup, cp);
    for (const auto& f : r.failed) ADD_FAILURE() << "line " << f.number << " " << f.text << ": " << f.reason;
    const std::string after = reg.Dump();
    EXPECT_TRUE(after == before) << "before:\n" << before.substr(0, 3000) << "after:\n" << after.substr(0, 3000);
  }

  MemoryRegistry reg;
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  Cp1252 cp;
  RegistryWalk walk{reg, fs, cp};
};

TEST_F(RegWalkTest, EveryOccurrenceLeftToRightNeverInsideTheInsertedText) {
  reg.PutText(CU, "Software\\T", "p", "C:\\Old\\a;c:\\old\\b");
  reg.PutText(CU, "Software\\T", "q", "Prog and Prog");
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(Text(CU, "Software\\T", "p"), "D:\\New\\a;D:\\New\\b");
  EXPECT_EQ(ctx.tally.linkCount, 2);
  Map("Prog", "MyProg");
  EXPECT_EQ(Text(CU, "Software\\T", "q"), "MyProg and MyProg");
  EXPECT_EQ(ctx.tally.linkCount, 4);
}

TEST_F(RegWalkTest, ShortPairOnlyWhereTheLongTextIsAbsent) {
  reg.PutText(CU, "Software\\T", "short", "C:\\OLDDIR~1\\x");
  reg.PutText(CU, "Software\\T", "both", "C:\\Old Dir\\x;C:\\OLDDIR~1\\y");
  Map("C:\\Old Dir", "D:\\New Dir", "C:\\OLDDIR~1", "D:\\NEWDIR~1");
  EXPECT_EQ(Text(CU, "Software\\T", "short"), "D:\\NEWDIR~1\\x");
  EXPECT_EQ(Text(CU, "Software\\T", "both"), "D:\\New Dir\\x;C:\\OLDDIR~1\\y");
}

TEST_F(RegWalkTest, FoldsLettersAcrossCaseAndSearchesOnlyStringData) {
  reg.PutText(LM, "Software\\T", "a", "c:\\program files\\x");
  reg.PutText(LM, "Software\\T", "accent", "C:\\Café\\x");
  reg.Put(LM, "Software\\T", "multi", kRegMultiSz, Utf16Data(u"C:\\PROGRAM FILES") + std::string(2, '\0'));
  reg.Put(LM, "Software\\T", "bin", kRegBinary, "C:\\PROGRAM FILES");
  reg.PutDword(LM, "Software\\T", "C:\\PROGRAM FILES\\flag", 1);
  Map("C:\\PROGRAM FILES", "D:\\Apps");
  EXPECT_EQ(Text(LM, "Software\\T", "a"), "D:\\Apps\\x");
  EXPECT_EQ(reg.Get(LM, "Software\\T", "multi")->data, Utf16Data(u"D:\\Apps") + std::string(2, '\0'));
  EXPECT_EQ(reg.Get(LM, "Software\\T", "bin")->data, "C:\\PROGRAM FILES");
  EXPECT_TRUE(reg.Get(LM, "Software\\T", "D:\\Apps\\flag"));  // names of every type are searched
  Map("C:\\CAFÉ", "X");  // É and é are one letter in a name
  EXPECT_EQ(Text(LM, "Software\\T", "accent"), "X\\x");

  // UTF-8 letters fold; a letter spelled longer than in the old text is
  // replaced whole, in data and in names.
  reg.PutText(LM, "Software\\T", "cyr", "C:\\\xE1\xB2\x81ОМ\\a;c:\\дом\\b");
  reg.PutText(LM, "Software\\T", "C:\\ДОМ\\name", "v");
  Map("C:\\Дом", "D:\\Ünï");
  EXPECT_EQ(Text(LM, "Software\\T", "cyr"), "D:\\Ünï\\a;D:\\Ünï\\b");
  EXPECT_TRUE(reg.Get(LM, "Software\\T", "D:\\Ünï\\name"));
  reg.PutText(LM, "Software\\T", "turkish", "C:\\İ\\x");
  Map("C:\\i", "X");
  EXPECT_EQ(Text(LM, "Software\\T", "turkish"), "C:\\İ\\x");
}

TEST_F(RegWalkTest, ExpandableTextKeepsItsType) {
  reg.PutText(CU, "Software\\T", "e", "%OldRoot%\\bin", kRegExpandSz);
  Map("%OldRoot%", "%NewRoot%");
  EXPECT_EQ(reg.Get(CU, "Software\\T", "e")->type, kRegExpandSz);
  EXPECT_EQ(Text(CU, "Software\\T", "e"), "%NewRoot%\\bin");
}

TEST_F(RegWalkTest, MovedKeyTakesItsSubtreeUnvisited) {
  reg.PutText(CU, "Software\\OldApp", "", "OldApp default");
  reg.PutText(CU, "Software\\OldApp\\Sub", "p", "OldApp path");
  Map("OldApp", "NewApp");
  EXPECT_FALSE(reg.HasKey(CU, "Software\\OldApp"));
  EXPECT_EQ(Text(CU, "Software\\NewApp", ""), "OldApp default");
  EXPECT_EQ(Text(CU, "Software\\NewApp\\Sub", "p"), "OldApp path");
  EXPECT_EQ(ctx.tally.linkCount, 1);
}

// Renames and moves that cannot change anything are named, not counted and
// not backed up: onto an existing value or key, into the key's own subkey.
TEST_F(RegWalkTest, NoOpRenamesAndMovesIntoItselfAreRefusedAndNotCounted) {
  reg.PutText(CU, "Software\\T", "Old.exe", "1");
  reg.PutText(CU, "Software\\T", "New.exe", "2");
  reg.PutText(CU, "Software\\App", "v", "3");
  reg.PutText(CU, "Software\\Keep", "", "4");
  const std::string before = reg.Dump();
  Map("Old", "New");
  Map("App", "App\\Sub");
  Map("Keep", "KEEP");
  EXPECT_EQ(reg.Dump(), before);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  EXPECT_EQ(Backup().find("[HKEY"), std::string::npos) << Backup();
  ASSERT_EQ(ctx.passedOver.size(), 3u);
  EXPECT_NE(ctx.passedOver[0].reason.find("exists already"), std::string::npos) << ctx.passedOver[0].reason;
  EXPECT_NE(ctx.passedOver[1].reason.find("its own subkey"), std::string::npos) << ctx.passedOver[1].reason;
  EXPECT_NE(ctx.passedOver[2].reason.find("onto its own name"), std::string::npos) << ctx.passedOver[2].reason;
}

TEST_F(RegWalkTest, RenamedValueDataIsMappedUnderItsNewName) {
  reg.PutText(CU, "Software\\T", "Old.exe", "Old.exe here");
  const std::string before = reg.Dump();
  Map("Old", "New");
  EXPECT_FALSE(reg.Get(CU, "Software\\T", "Old.exe"));
  EXPECT_EQ(Text(CU, "Software\\T", "New.exe"), "New.exe here");
  EXPECT_EQ(ctx.tally.linkCount, 2);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, MultiStringsAreMappedStringByStringAndRestoredExactly) {
  const std::string list = Utf16Data(u"C:\\App\\a.dll") + std::string(2, '\0') + Utf16Data(u"C:\\Apple") +
                           std::string(2, '\0') + Utf16Data(u"x C:\\App") + std::string(4, '\0');
  reg.Put(CU, "Software\\T", "list", kRegMultiSz, list);
  // Not a list that would come back exactly: named, left alone.
  const std::string torn = Utf16Data(u"C:\\App\\b") + std::string(2, '\0') + "x";
  reg.Put(CU, "Software\\T", "torn", kRegMultiSz, torn);
  const std::string before = reg.Dump();
  Map("C:\\App", "D:\\Tools", "", "", MatchRule::Path);
  EXPECT_EQ(reg.Get(CU, "Software\\T", "list")->data,
            Utf16Data(u"D:\\Tools\\a.dll") + std::string(2, '\0') + Utf16Data(u"C:\\Apple") + std::string(2, '\0') +
                Utf16Data(u"x D:\\Tools") + std::string(4, '\0'));
  EXPECT_EQ(reg.Get(CU, "Software\\T", "list")->type, kRegMultiSz);
  EXPECT_EQ(reg.Get(CU, "Software\\T", "torn")->data, torn);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_NE(ctx.passedOver[0].where.find("torn"), std::string::npos);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, SearchOpensForReadingAndWritesOnlyWhereItChanges) {
  reg.PutText(CU, "Software\\Locked", "p", "nothing to find");
  reg.DenyWrite(CU, "Software\\Locked");
  reg.PutText(CU, "Software\\T", "p", "C:\\Old");
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(reg.failedOpens, 0);
  EXPECT_EQ(Text(CU, "Software\\T", "p"), "D:\\New");
  EXPECT_EQ(reg.openHandles(), 0);
}

TEST_F(RegWalkTest, SearchReadsEachKeysCountsOnceAndFindsThroughItsQuickTest) {
  // Values whose data holds nothing of the search pass the quick test
  // unread; those that hold it in any spelling, case or form are found.
  reg.PutText(CU, "Software\\T", "plain", "c:\\program FILES\\acme\\x.exe");
  reg.PutText(CU, "Software\\T", "slashes", "file:///C:/Program%20Files/Acme/y");
  reg.PutText(CU, "Software\\T\\Sub", "short", "C:\\PROGRA~1\\ACME\\z");
  reg.PutText(CU, "Software\\T\\Sub", "elsewhere", "C:\\Program Files\\Other");
  reg.Put(CU, "Software\\T\\Sub", "list", kRegMultiSz, Utf16Data(u"a\0C:\\Program Files\\Acme\0"sv));
  reg.PutDword(LM, "Software\\N", "n", 1);
  ctx.searching = true;
  Map("C:\\Program Files\\Acme", "D:\\Acme", "C:\\PROGRA~1\\ACME", "D:\\ACME", MatchRule::Path);
  std::vector<std::string> found;
  for (const ChangeEntry& e : ctx.changes) found.push_back(e.value + ": " + e.newText);
  EXPECT_EQ(found, (std::vector<std::string>{"plain: D:\\Acme\\x.exe", "slashes: file:///D:/Acme/y",
                                             "short: D:\\ACME\\z", "list: a\0D:\\Acme\0"s}));
  EXPECT_EQ(reg.infoQueries, reg.opens);
}

TEST_F(RegWalkTest, UnwritableValueIsPassedOverAndTheRunGoesOn) {
  reg.PutText(CU, "Software\\A", "p", "C:\\Old\\a");
  reg.PutText(CU, "Software\\B", "q", "C:\\Old\\b");
  reg.PutText(CU, "Software\\C", "r", "C:\\Old\\c");
  reg.DenyWrite(CU, "Software\\B");
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(Text(CU, "Software\\A", "p"), "D:\\New\\a");
  EXPECT_EQ(Text(CU, "Software\\B", "q"), "C:\\Old\\b");
  EXPECT_EQ(Text(CU, "Software\\C", "r"), "D:\\New\\c");
  EXPECT_EQ(ctx.tally.linkCount, 2);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "HKEY_CURRENT_USER\\Software\\B, value \"q\"");
  EXPECT_EQ(ctx.passedOver[0].reason, "Failed to set data for 'q'");
  reg.DenyWrite(CU, "Software\\B", false);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, EachBackupIsOnDiskBeforeItsChange) {
  struct Checking : MemoryRegistry {
    FakeFileSystem* fs = nullptr;
    std::vector<std::string> seen;
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override {
      seen.push_back(fs->Has(kBackup) ? DecodeRegText(fs->ReadWhole(kBackup)) : "");
      return MemoryRegistry::SetValue(key, name, type, data);
    }
  } checking;
  checking.fs = &fs;
  checking.PutText(CU, "Software\\T", "p", "C:\\Old");
  checking.PutText(CU, "Software\\T", "q", "C:\\Old\\q");
  RegistryWalk w(checking, fs, cp);
  w.FindReplaceProcess(ctx.Pass(), {"C:\\Old", "D:\\New", "", ""});
  ASSERT_EQ(checking.seen.size(), 2u);
  EXPECT_NE(checking.seen[0].find("\"p\"=\"C:\\\\Old\""), std::string::npos) << checking.seen[0];
  EXPECT_NE(checking.seen[1].find("\"q\"=\"C:\\\\Old\\\\q\""), std::string::npos) << checking.seen[1];
}

TEST_F(RegWalkTest, ProgressPhasesShareAndLocation) {
  reg.PutText(CU, "Software\\T", "p", "x");
  std::vector<std::string> phases;
  ui.onPump = [&] {
    if (phases.empty() || phases.back() != ui.progress.phase) phases.push_back(ui.progress.phase);
  };
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(phases, (std::vector<std::string>{"Scanning System Registry", "Scanning User Registry"}));
  EXPECT_EQ(ui.progress.floor, 48);
  EXPECT_EQ(ui.progress.ceiling, 99);
  EXPECT_EQ(ui.progress.location, "HKEY_CURRENT_USER\\Software\\T");
  EXPECT_FALSE(fs.Has(kBackup));  // nothing changed, no file
}

TEST_F(RegWalkTest, CancelFromTheProgressDialogStopsBothHives) {
  reg.PutText(LM, "Software\\A", "p", "C:\\Old");
  reg.PutText(LM, "Software\\B", "p", "C:\\Old");
  reg.PutText(CU, "Software\\C", "p", "C:\\Old");
  int pumps = 0;
  ui.onPump = [&] {
    if (++pumps == 4) ctx.tally.cancelled = true;  // root, Software, A, then A's first value
  };
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(Text(LM, "Software\\A", "p"), "C:\\Old");
  EXPECT_EQ(Text(LM, "Software\\B", "p"), "C:\\Old");
  EXPECT_EQ(Text(CU, "Software\\C", "p"), "C:\\Old");
  EXPECT_EQ(ctx.tally.linkCount, 0);
}

TEST_F(RegWalkTest, BackupThatDisappearsDuringTheRunStopsItBeforeTheNextChange) {
  reg.PutText(CU, "Software\\A", "p", "C:\\Old");
  reg.PutText(CU, "Software\\B", "p", "C:\\Old");
  ui.onPump = [&] {
    if (fs.Has(kBackup)) fs.Remove(kBackup);  // deleted from the undo list by another program
  };
  EXPECT_THROW(Map("C:\\Old", "D:\\New"), Error);
  // A's change waited for its batch's flush: its backup went with the file,
  // so it is not made either.
  EXPECT_EQ(Text(CU, "Software\\A", "p"), "C:\\Old");
  EXPECT_EQ(Text(CU, "Software\\B", "p"), "C:\\Old");
  EXPECT_FALSE(fs.Has(kBackup));

  // Gone between the passes of a drive switch: the next pass stops too,
  // rather than starting a fresh file without the first pass's backups.
  ui.onPump = nullptr;
  ++ctx.runNumber;
  reg.PutText(CU, "Software\\S", "p", "C:\\x;D:\\y");
  ctx.request.Mode = RunMode::SwitchDrives;
  Map("C:", "*:");
  ASSERT_TRUE(fs.Has(kBackup));
  fs.Remove(kBackup);
  try {
    Map("D:", "C:");
    ADD_FAILURE() << "the second pass went on";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(std::string(kBackup) + " has disappeared"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Text(CU, "Software\\S", "p"), "*:\\x;D:\\y");
  EXPECT_FALSE(fs.Has(kBackup));
  // A later run given the same name (its record deleted since) starts afresh.
  ++ctx.runNumber;
  Map("*:", "C:");
  EXPECT_EQ(Text(CU, "Software\\S", "p"), "C:\\x;D:\\y");
  EXPECT_NE(Backup().find("*:\\\\x"), std::string::npos) << Backup();
}

// The answers themselves are the rewriters' shared rules (rewriter_rules_test).
TEST_F(RegWalkTest, EachQuestionMarksTheOccurrenceItAsksAbout) {
  ctx.stopAndVerify = true;
  reg.PutText(CU, "Software\\A", "p", "C:\\Old\\1;C:\\Old\\2");
  Map("C:\\Old", "D:\\New");
  ASSERT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(ui.questions[0].key, "HKEY_CURRENT_USER\\Software\\A");
  EXPECT_EQ(ui.questions[0].value, "p");
  EXPECT_EQ(ui.questions[1].from, "D:\\New\\1;C:\\Old\\2");
  EXPECT_EQ(ui.questions[1].to, "D:\\New\\1;D:\\New\\2");
  EXPECT_EQ(ui.questions[1].from.substr(ui.questions[1].fromMark, ui.questions[1].fromMarkLength), "C:\\Old");
  EXPECT_EQ(ui.questions[1].toMark, 9u);   // the second occurrence is the one asked about
  EXPECT_EQ(ui.questions[1].toMarkLength, 6u);
}

TEST_F(RegWalkTest, APreviewShowsAMovedKeyButNotWhatItHoldsAndWhyAShortFormShowsLong) {
  reg.PutText(CU, "Software\\OldApp", "Old name", "Old data");
  reg.PutText(CU, "Software\\T", "p", "Old data");
  ctx.preview = true;
  Map("Old", "New");
  ASSERT_EQ(ui.previews.size(), 2u);  // a moved key's content waits, as in a real run
  EXPECT_EQ(ui.previews[0].place, "HKEY_CURRENT_USER\\Software\\OldApp");
  EXPECT_EQ(ui.previews[0].newText, "Software\\NewApp");
  EXPECT_EQ(ui.previews[1].place, "HKEY_CURRENT_USER\\Software\\T");
  EXPECT_EQ(ui.previews[1].name, "p");

  // Before a move: what is found in the short form says why it shows the long one.
  reg.PutText(CU, "Software\\T", "s", "C:\\OLDDIR~1\\x");
  ctx.changes.clear();
  walk.FindReplaceProcess(ctx.Pass(), {"C:\\Old Dir", "D:\\New Dir", "C:\\OLDDIR~1", "D:\\New Dir", MatchRule::Path, true});
  ASSERT_EQ(ctx.changes.size(), 1u);
  EXPECT_EQ(ctx.changes[0].newText, "D:\\New Dir\\x");
  EXPECT_EQ(ctx.changes[0].reason, kShortFormAfterMove);
}

TEST_F(RegWalkTest, UndoRestoresAPlainChange) {
  reg.PutText(CU, "Software\\T", "p", "C:\\Old\\a;C:\\Old\\b");
  reg.PutText(CU, "Software\\T", "e", "C:\\Old\\%x%", kRegExpandSz);
  reg.PutText(LM, "Software\\T", "", "C:\\Old");
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 4);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, UndoRestoresARenamedValueAndRemovesItsNewName) {
  reg.PutText(CU, "Software\\T", "C:\\Old\\a.exe", "C:\\Old\\a.exe");
  reg.PutText(CU, "Software\\T", "other", "x");
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New");
  EXPECT_TRUE(reg.Get(CU, "Software\\T", "D:\\New\\a.exe"));
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, UndoRestoresAMovedKeyWithItsSubtree) {
  reg.PutText(CU, "Software\\OldApp", "", "default");
  reg.Put(CU, "Software\\OldApp", "multi", kRegMultiSz, Utf16Data(u"a") + Utf16Data(u"b") + std::string(2, '\0'));
  reg.Put(CU, "Software\\OldApp", "big", kRegBinary, std::string(40000, '\x5A'));
  reg.Put(CU, "Software\\OldApp", "odd", kRegSz, std::string("a\0b", 3));
  reg.Put(CU, "Software\\OldApp", "after", kRegSz, Utf16Data(u"a") + Utf16Data(u"b"));
  reg.Put(CU, "Software\\OldApp", "q", kRegQword, std::string("\1\2\3\4\5\6\7\x08", 8));
  reg.Put(CU, "Software\\OldApp", "none", kRegNone, "");
  reg.PutDword(CU, "Software\\OldApp\\Sub", "d", 0xFFFFFFFF);
  reg.PutText(CU, "Software\\OldApp\\Sub\\Deep", "say \"hi\"\\", "C:\\Dir\\\"a\"", kRegExpandSz);
  reg.AddKey(CU, "Software\\OldApp\\Empty");
  const std::string before = reg.Dump();
  Map("OldApp", "Vendor\\NewApp");
  EXPECT_TRUE(reg.HasKey(CU, "Software\\Vendor\\NewApp\\Sub\\Deep"));
  ExpectUndoRestores(before);  // the new key and the new Vendor above it are gone again
}

TEST_F(RegWalkTest, UndoRestoresAKeyMovedTwiceInOneEntry) {
  reg.PutText(CU, "Software\\Old\\Old", "v", "1");
  reg.AddKey(CU, "Software\\Keep");
  const std::string before = reg.Dump();
  Map("Old", "New");  // Software\Old moves; its subtree waits for the next run
  Map("Old", "New");
  EXPECT_TRUE(reg.HasKey(CU, "Software\\New\\New"));
  ExpectUndoRestores(before);
}

// Every spelling of either drive becomes the other where it stands; nothing
// that merely looks like a drive ("TYPE:C:", a "*:" pattern) is touched.
TEST_F(RegWalkTest, ADriveSwitchExchangesEverySpellingInOnePassAndIsUndone) {
  const std::pair<const char*, const char*> values[] = {
      {"C:\\x;D:\\y", "D:\\x;C:\\y"},
      {"C:/data/x", "D:/data/x"},
      {"file:///C:/data/x", "file:///D:/data/x"},
      {"C:/a;D:/b", "D:/a;C:/b"},
      {"\"C:\\Tools\\t.exe\" -cfg \"D:\\cfg\\t.ini\"", "\"D:\\Tools\\t.exe\" -cfg \"C:\\cfg\\t.ini\""},
      {"C:", "D:"},
      {"C:;D:", "D:;C:"},
      {"TYPE:C:", "TYPE:C:"},
      {"*:\\pagefile.sys", "*:\\pagefile.sys"},
      {"ABC:\\x", "ABC:\\x"},
  };
  for (const auto& [before, after] : values) reg.PutText(CU, "Software\\T", before, before);
  const auto list = [](const char16_t* a, const char16_t* b) {
    return Utf16Data(a) + std::string(2, '\0') + Utf16Data(b) + std::string(4, '\0');
  };
  reg.Put(CU, "Software\\T", "multi", kRegMultiSz, list(u"C:\\a", u"D:/b"));
  // Two names that are each other's switch: neither can take the other's
  // name, so both stay and are named; their data is switched.
  reg.PutText(CU, "Software\\T\\Names", "C:\\name", "C:\\data");
  reg.PutText(CU, "Software\\T\\Names", "D:\\name", "D:\\data");
  // A key named after a drive keeps its name and is named; what it holds is switched.
  reg.PutText(CU, "Software\\T\\C:\\Dir", "in", "D:\\z");
  const std::string before = reg.Dump();
  Switch("C:\\", "D:\\");
  for (const auto& [was, after] : values) {
    const std::string renamed = reg.Get(CU, "Software\\T", after) ? after : was;
    EXPECT_EQ(Text(CU, "Software\\T", renamed), after) << was;
    EXPECT_EQ(renamed, after) << was;
  }
  EXPECT_EQ(reg.Get(CU, "Software\\T", "multi")->data, list(u"D:\\a", u"C:/b"));
  EXPECT_EQ(Text(CU, "Software\\T\\Names", "C:\\name"), "D:\\data");
  EXPECT_EQ(Text(CU, "Software\\T\\Names", "D:\\name"), "C:\\data");
  EXPECT_EQ(Text(CU, "Software\\T\\C:\\Dir", "in"), "C:\\z");
  std::vector<std::string> passedOver;
  for (const ChangeEntry& e : ctx.changes)
    if (e.outcome == ChangeOutcome::PassedOver) passedOver.push_back(e.oldText);
  EXPECT_EQ(passedOver, (std::vector<std::string>{"Software\\T\\C:\\Dir", "C:\\name", "D:\\name"}));
  EXPECT_EQ(reg.Dump().find('*'), before.find('*')) << "a stand-in was written";
  ExpectUndoRestores(before);
}

// The mount manager's drive letters and the boot store are identities:
// neither a map nor a switch touches them, and each is named once.
TEST_F(RegWalkTest, WhatWindowsOwnsAsIdentityIsNeverChangedAndNamedOnce) {
  reg.Put(LM, "SYSTEM\\MountedDevices", "\\DosDevices\\E:", kRegBinary, "\x01\x02"s);
  reg.Put(LM, "SYSTEM\\MountedDevices", "\\DosDevices\\G:", kRegBinary, "\x03\x04"s);
  reg.PutText(LM, "BCD00000000\\Objects\\{x}\\Elements\\12000002", "Element", "E:\\boot\\x.efi");
  reg.PutText(LM, "SYSTEM\\MountedDevicesOther", "p", "E:\\x");
  reg.PutText(CU, "Software\\T", "p", "E:\\x");
  const std::string owned = [&] {
    std::string dump = reg.Dump();
    return dump.substr(0, dump.find("SYSTEM\\MountedDevicesOther"));
  }();
  Map("E:", "F:", "", "", MatchRule::Path);
  Switch("E:\\", "F:\\");
  EXPECT_EQ(reg.Dump().substr(0, owned.size()), owned);
  EXPECT_EQ(Text(LM, "SYSTEM\\MountedDevicesOther", "p"), "E:\\x");  // there and back
  std::vector<std::string> named;
  for (const PassedOver& p : ctx.passedOver) named.push_back(p.where + ": " + p.reason);
  EXPECT_EQ(named, (std::vector<std::string>{
                       "HKEY_LOCAL_MACHINE\\BCD00000000: left: owned by Windows (1 place holds what the run looks for)",
                       "HKEY_LOCAL_MACHINE\\SYSTEM\\MountedDevices: left: owned by Windows (1 place holds what the run looks for)",
                       "HKEY_LOCAL_MACHINE\\BCD00000000: left: owned by Windows (1 place holds what the run looks for)",
                       "HKEY_LOCAL_MACHINE\\SYSTEM\\MountedDevices: left: owned by Windows (1 place holds what the run looks for)"}));
}

// A printer connection is a key named after its \\SERVER\QUEUE in commas:
// renamed with its values, in a preview as in the run, and undone; a new
// place no connection can be named after leaves the key and its values.
TEST_F(RegWalkTest, APrinterConnectionMovesWithItsValues) {
  const std::string connections = "Printers\\Connections";
  reg.PutText(CU, connections + "\\,,OLDSRV,LaserJet", "Server", "\\\\OLDSRV");
  reg.PutText(CU, connections + "\\,,OLDSRV,LaserJet", "Provider", "win32spl.dll");
  reg.PutText(CU, connections + "\\,,OTHER,Plotter", "Server", "\\\\OTHER");
  const std::string before = reg.Dump();

  ctx.preview = true;
  Map("\\\\OLDSRV", "\\\\NEWSRV", "", "", MatchRule::Path);
  ASSERT_EQ(ctx.changes.size(), 2u);
  EXPECT_EQ(ctx.changes[0].newText, connections + "\\,,NEWSRV,LaserJet");
  EXPECT_EQ(ctx.changes[1].where, "HKEY_CURRENT_USER\\" + connections + "\\,,NEWSRV,LaserJet");
  EXPECT_EQ(reg.Dump(), before);
  ctx.preview = false;
  ctx.changes.clear();

  Map("\\\\OLDSRV", "\\\\NEWSRV", "", "", MatchRule::Path);
  EXPECT_FALSE(reg.HasKey(CU, connections + "\\,,OLDSRV,LaserJet"));
  EXPECT_EQ(Text(CU, connections + "\\,,NEWSRV,LaserJet", "Server"), "\\\\NEWSRV");
  EXPECT_EQ(Text(CU, connections + "\\,,NEWSRV,LaserJet", "Provider"), "win32spl.dll");
  EXPECT_EQ(Text(CU, connections + "\\,,OTHER,Plotter", "Server"), "\\\\OTHER");
  ExpectUndoRestores(before);

  // Onto a path that is no \\server\queue: nothing of the connection changes.
  ctx.changes.clear();
  ctx.tally.undoName = "Undo00001";
  Map("\\\\OLDSRV", "D:\\Spool", "", "", MatchRule::Path);
  EXPECT_EQ(reg.Dump(), before);
  ASSERT_EQ(ctx.changes.size(), 1u);
  EXPECT_EQ(ctx.changes[0].outcome, ChangeOutcome::PassedOver);
  EXPECT_NE(ctx.changes[0].reason.find("it and its values were left"), std::string::npos);
}

TEST_F(RegWalkTest, ASecondRunStartsItsOwnBackup) {
  reg.PutText(CU, "Software\\T", "p", "C:\\Old");
  Map("C:\\Old", "D:\\New");
  ctx.tally.undoName = "Undo00001";
  Map("D:\\New", "E:\\Newer");
  const std::string second = DecodeRegText(fs.ReadWhole("C:\\Ost\\Undo00001.reg"));
  EXPECT_NE(second.find("\"p\"=\"D:\\\\New\""), std::string::npos) << second;
}
TEST_F(RegWalkTest, CharactersBeyondOneCodePageAreChangedAndRestored) {
  const std::string old = "D:\\Old\\数据", now = "D:\\New\\данные";
  reg.PutText(CU, "Software\\U", "path", old + "\\app.exe;Ł ø € 😀");
  reg.PutText(CU, "Software\\U", old + "\\app.exe", "named");
  reg.PutText(CU, "Software\\U", "数据", "other");  // the find text's tail alone: no match
  // A key that moves with two such values and a subkey.
  reg.PutText(CU, "Software\\U\\" + std::string("Old数据"), "数据", "1");
  reg.PutText(CU, "Software\\U\\" + std::string("Old数据"), "日本", "2");
  reg.PutText(CU, "Software\\U\\Old数据\\日本", "ø", "3");
  const std::string before = reg.Dump();
  Map(old, now);
  EXPECT_EQ(Text(CU, "Software\\U", "path"), now + "\\app.exe;Ł ø € 😀");
  EXPECT_EQ(Text(CU, "Software\\U", now + "\\app.exe"), "named");
  EXPECT_EQ(Text(CU, "Software\\U", old + "\\app.exe"), "<none>");
  EXPECT_EQ(Text(CU, "Software\\U", "数据"), "other");
  Map("Old数据", "New日本");
  EXPECT_FALSE(reg.HasKey(CU, "Software\\U\\Old数据"));
  EXPECT_EQ(Text(CU, "Software\\U\\New日本", "数据"), "1");
  EXPECT_EQ(Text(CU, "Software\\U\\New日本", "日本"), "2");
  EXPECT_EQ(Text(CU, "Software\\U\\New日本\\日本", "ø"), "3");
  EXPECT_TRUE(ctx.passedOver.empty());
  // The backup holds the real characters, in UTF-16.
  const std::string stored = fs.ReadWhole(kBackup);
  EXPECT_NE(stored.find(Utf16Data(u"\"path\"=\"D:\\\\Old\\\\数据\\\\app.exe;Ł ø € 😀\"", false)), std::string::npos);
  EXPECT_NE(stored.find(Utf16Data(u"[HKEY_CURRENT_USER\\Software\\U\\Old数据\\日本]", false)), std::string::npos);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, FindTextInCjkMatchesOnlyItself) {
  reg.PutText(CU, "Software\\U", "a", "C:\\数据\\x");
  reg.PutText(CU, "Software\\U", "b", "C:\\数\\x");  // a prefix of the find text
  reg.PutText(CU, "Software\\U", "c", "C:\\日本\\x");
  reg.PutText(CU, "Software\\U", "d", "c:\\数据\\y");  // A-Z fold still applies around it
  Map("C:\\数据", "E:\\新");
  EXPECT_EQ(Text(CU, "Software\\U", "a"), "E:\\新\\x");
  EXPECT_EQ(Text(CU, "Software\\U", "b"), "C:\\数\\x");
  EXPECT_EQ(Text(CU, "Software\\U", "c"), "C:\\日本\\x");
  EXPECT_EQ(Text(CU, "Software\\U", "d"), "E:\\新\\y");
  EXPECT_EQ(ctx.tally.linkCount, 2);
}

TEST_F(RegWalkTest, KeyPathsTooLongForOneCallAreWalkedChangedAndRestored) {
  reg.maxPathInOneCall = 255;
  std::string deep = "Software\\Deep";
  while (deep.size() < 430) deep += "\\Ключ" + std::string(30, 'k');
  reg.PutText(CU, deep, "p", "C:\\Old\\x");
  reg.PutText(CU, deep + "\\Old", "q", "1");
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New");
  EXPECT_EQ(Text(CU, deep, "p"), "D:\\New\\x");
  Map("Old", "Newer");
  EXPECT_EQ(Text(CU, deep + "\\Newer", "q"), "1");
  EXPECT_TRUE(ctx.passedOver.empty());
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, AnsiBackupPassesOverWhatItCannotHold) {
  fs.AddFile(kBackup, "REGEDIT4\r\n\r\n");  // an earlier build's backup, in the ANSI code page
  reg.PutText(CU, "Software\\U", "held", "C:\\Old\\€");
  reg.PutText(CU, "Software\\U", "not held", "C:\\Old\\数据");
  reg.PutText(CU, "Software\\U\\OldKey", "日本", "1");
  const std::string before = reg.Dump();
  Map("Old", "New");
  EXPECT_EQ(Text(CU, "Software\\U", "held"), "C:\\New\\€");
  EXPECT_EQ(Text(CU, "Software\\U", "not held"), "C:\\Old\\数据");
  EXPECT_TRUE(reg.HasKey(CU, "Software\\U\\OldKey"));
  ASSERT_EQ(ctx.passedOver.size(), 2u);
  EXPECT_EQ(ctx.passedOver[0].where, "HKEY_CURRENT_USER\\Software\\U, value \"not held\"");
  EXPECT_NE(ctx.passedOver[0].reason.find("REGEDIT4"), std::string::npos);
  EXPECT_EQ(ctx.passedOver[1].where, "HKEY_CURRENT_USER\\Software\\U\\OldKey");
  EXPECT_EQ(ctx.tally.linkCount, 1);
  EXPECT_EQ(fs.ReadWhole(kBackup).rfind("REGEDIT4\r\n", 0), 0u);
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, UnlistableKeyIsPassedOverWithItsReason) {
  struct Unlistable : MemoryRegistry {
    long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                   std::string* data) override {
      const long rc = MemoryRegistry::EnumValue(key, index, name, type, data);
      return rc == kRegOk && name == "broken" ? kRegMoreData : rc;
    }
  } r;
  r.PutText(CU, "Software\\U", "p", "C:\\Old");
  r.PutText(CU, "Software\\U", "broken", "C:\\Old");
  r.PutText(CU, "Software\\V", "p", "C:\\Old");
  RegistryWalk w(r, fs, cp);
  w.FindReplaceProcess(ctx.Pass(), {"C:\\Old", "D:\\New", "", ""});
  EXPECT_EQ(r.GetText(CU, "Software\\U", "p"), "D:\\New");
  EXPECT_EQ(r.GetText(CU, "Software\\V", "p"), "D:\\New");
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "HKEY_CURRENT_USER\\Software\\U");
  EXPECT_EQ(ctx.passedOver[0].reason, "not every value could be listed (error 234)");
}
}  // namespace

namespace {
// Wine's own: HKLM\Software\Wow6432Node\Classes leads to HKLM\Software\Classes\Wow6432Node.
class RegLinkTest : public RegWalkTest {
 protected:
  RegLinkTest() {
    reg.PutText(LM, "Software\\Classes\\Wow6432Node\\Svc", "path", "D:\\Tools\\svc.exe");
    reg.AddLink(LM, "Software\\Wow6432Node\\Classes", LM, "Software\\Classes\\Wow6432Node");
  }
};

TEST_F(RegLinkTest, ValueBehindALinkIsChangedOnceAndRestoredExactly) {
  ASSERT_EQ(Text(LM, "Software\\Wow6432Node\\Classes\\Svc", "path"), "D:\\Tools\\svc.exe");  // the model follows it
  const std::string before = reg.Dump();
  // The new text holds the old one: a second visit would make "D:\Tools22".
  Map("D:\\Tools", "D:\\Tools2");
  EXPECT_EQ(Text(LM, "Software\\Classes\\Wow6432Node\\Svc", "path"), "D:\\Tools2\\svc.exe");
  EXPECT_EQ(ctx.tally.linkCount, 1);
  EXPECT_TRUE(ctx.passedOver.empty());
  EXPECT_EQ(Backup().find("Wow6432Node\\Classes"), std::string::npos) << Backup();
  ExpectUndoRestores(before);
}

TEST_F(RegLinkTest, LinkIsNeitherEnteredNorMovedNorCopied) {
  // A link whose own name holds the old text is left as it is.
  reg.AddLink(LM, "Software\\OldName", LM, "Software\\Classes\\Wow6432Node");
  Map("OldName", "NewName");
  EXPECT_TRUE(reg.HasKey(LM, "Software\\OldName\\Svc"));
  EXPECT_FALSE(reg.HasKey(LM, "Software\\NewName"));
  // A key holding a link is not moved: the copy would take the target's
  // content and deleting the old tree would empty the target.
  reg.AddLink(LM, "Software\\Vendor\\Inner", LM, "Software\\Classes\\Wow6432Node");
  const std::string before = reg.Dump();
  Map("Vendor", "Seller");
  EXPECT_EQ(reg.Dump(), before);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "HKEY_LOCAL_MACHINE\\Software\\Vendor");
  EXPECT_NE(ctx.passedOver[0].reason.find("registry link"), std::string::npos);
  EXPECT_FALSE(fs.Has(kBackup)) << Backup();
  // Deleting a tree takes the link away, never what it leads to.
  RegistryCursor tree(reg, LM);
  EXPECT_TRUE(tree.DeleteRegKey("\\Software\\Vendor"));
  EXPECT_FALSE(reg.HasKey(LM, "Software\\Vendor"));
  EXPECT_EQ(Text(LM, "Software\\Classes\\Wow6432Node\\Svc", "path"), "D:\\Tools\\svc.exe");
}
}  // namespace

TEST(EnvironmentKey, TheKeysWhoseValuesRunningProgramsKeep) {
  for (const char* key : {"HKEY_CURRENT_USER\\Environment", "hkey_current_user\\environment",
                          "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                          "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment",
                          "HKEY_USERS\\S-1-5-21-1-2-3-1001\\Environment"})
    EXPECT_TRUE(IsEnvironmentKey(key)) << key;
  for (const char* key : {"HKEY_CURRENT_USER\\Environment\\Sub", "HKEY_CURRENT_USER\\Software\\Environment",
                          "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet1\\Control\\Session Manager\\Environment",
                          "HKEY_USERS\\Environment", "HKEY_LOCAL_MACHINE\\Environment"})
    EXPECT_FALSE(IsEnvironmentKey(key)) << key;
}

TEST_F(RegWalkTest, OnlyAChangedEnvironmentValueIsNoticed) {
  reg.PutText(CU, "Software\\T", "p", "C:\\Old");
  Map("C:\\Old", "D:\\New");
  EXPECT_FALSE(ctx.environmentChanged);
  EXPECT_FALSE(ImportRegFile(fs, reg, kBackup, cp).environmentTouched);
}

TEST_F(RegWalkTest, AChangedEnvironmentValueIsNoticedAndItsUndoToo) {
  reg.PutText(CU, "Software\\T", "p", "C:\\Old");
  reg.PutText(CU, "Environment", "PATH", "C:\\Old\\bin;C:\\Windows");
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New");
  EXPECT_TRUE(ctx.environmentChanged);
  const RegImportResult r = ImportRegFile(fs, reg, kBackup, cp);
  EXPECT_TRUE(r.environmentTouched);
  EXPECT_EQ(reg.Dump(), before);
}

namespace {
const RegRoot US = RegRoot::Users;
struct TwoAccounts : UserAccounts {
  std::string CurrentUserSid() override { return "S-1-5-21-1-1000"; }
  std::string AccountName(const std::string& sid) override { return sid == "S-1-5-21-1-1001" ? "PC\\ann" : ""; }
};
}  // namespace

TEST_F(RegWalkTest, ExpandSzFoundBehindVariablesKeepsTypeAndVariable) {
  FakeEnvironment env{{"ProgramFiles", "C:\\Program Files"}};
  walk.SetEnvironment(&env);
  reg.PutText(LM, "Software\\T", "exp", "\"%ProgramFiles%\\OldApp\\a.exe\" %ProgramFiles%\\OldApp\\b", kRegExpandSz);
  reg.PutText(LM, "Software\\T", "sz", "%ProgramFiles%\\OldApp\\a.exe");  // a REG_SZ holds no variables
  reg.PutText(LM, "Software\\T", "sibling", "%ProgramFiles%\\OldApp2\\a.exe", kRegExpandSz);
  const std::string before = reg.Dump();
  Map("C:\\Program Files\\OldApp", "C:\\Program Files\\NewApp", "", "", MatchRule::Path);
  EXPECT_EQ(Text(LM, "Software\\T", "exp"), "\"%ProgramFiles%\\NewApp\\a.exe\" %ProgramFiles%\\NewApp\\b");
  EXPECT_EQ(reg.Get(LM, "Software\\T", "exp")->type, kRegExpandSz);
  EXPECT_EQ(ctx.tally.linkCount, 2);
  ExpectUndoRestores(before);
  // A drive switch takes only what is written with the drive: every
  // %ProgramFiles% of the machine would be written out otherwise.
  Switch("C:\\", "D:\\");
  EXPECT_EQ(reg.Dump(), before);
}

// Run twice, a mapping into a folder of its own (C:\Data -> C:\Data\Old)
// changes nothing the second time: in data, in value names and in key
// paths; a variable holding the old place follows its own definition.
TEST_F(RegWalkTest, ARepeatedRunFindsNothingItWroteAndStillTheSiblings) {
  FakeEnvironment env{{"DATA", "C:\\Data"}};
  walk.SetEnvironment(&env);
  reg.PutText(CU, "Software\\T", "data", "C:\\Data\\reports;c:\\DATA\\old\\kept");
  reg.PutText(CU, "Software\\T", "sibling", "C:\\Data\\Oldies");
  reg.PutText(CU, "Software\\T", "exp", "%DATA%\\reports", kRegExpandSz);
  reg.PutText(CU, "Software\\T", "C:\\Data\\cache", "1");
  reg.PutText(CU, "Software\\C:\\Data\\sub", "v", "2");
  const auto run = [&] {
    ctx.changes.clear();
    ctx.passedOver.clear();
    ctx.tally.linkCount = 0;
    Map("C:\\Data", "C:\\Data\\Old", "", "", MatchRule::Path);
  };
  run();
  EXPECT_EQ(Text(CU, "Software\\T", "data"), "C:\\Data\\Old\\reports;c:\\DATA\\old\\kept");
  EXPECT_EQ(Text(CU, "Software\\T", "sibling"), "C:\\Data\\Old\\Oldies");
  EXPECT_EQ(Text(CU, "Software\\T", "exp"), "%DATA%\\reports");
  EXPECT_TRUE(reg.Get(CU, "Software\\T", "C:\\Data\\Old\\cache"));
  EXPECT_TRUE(reg.HasKey(CU, "Software\\C:\\Data\\Old\\sub"));
  EXPECT_EQ(ctx.tally.linkCount, 4);

  const std::string once = reg.Dump();
  run();
  EXPECT_EQ(reg.Dump(), once);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  // Only the key C:\Data itself is met again: it cannot go into its own subkey.
  for (const ChangeEntry& e : ctx.changes) EXPECT_EQ(e.where, "HKEY_CURRENT_USER\\Software\\C:\\Data") << e.oldText;
}

TEST_F(RegWalkTest, OtherUsersHivesEachWalkedOnceNamedInThePhase) {
  TwoAccounts accounts;
  FakeEnvironment env{{"USERPROFILE", "C:\\Old"}};
  walk.SetUserAccounts(&accounts);
  walk.SetEnvironment(&env);
  // The own hive: HKEY_CURRENT_USER shows it, but not the _Classes hive its
  // Software\Classes links to (a link is not followed).
  reg.PutText(US, "S-1-5-21-1-1000\\Software\\T", "p", "C:\\Old");
  reg.PutText(US, "S-1-5-21-1-1000_Classes\\T", "p", "C:\\Old");
  reg.AddLink(CU, "Software\\Classes", US, "S-1-5-21-1-1000_Classes");
  // Another user, whose Software\Classes leads to the _Classes hive.
  reg.PutText(US, "S-1-5-21-1-1001\\Software\\T", "p", "C:\\Old\\a");
  reg.PutText(US, "S-1-5-21-1-1001\\Environment", "home", "%USERPROFILE%\\x", kRegExpandSz);  // theirs, not ours
  reg.PutText(US, "S-1-5-21-1-1001_Classes\\T", "p", "C:\\Old\\c");
  reg.AddLink(US, "S-1-5-21-1-1001\\Software\\Classes", US, "S-1-5-21-1-1001_Classes");
  // One whose Software\Classes is a key of its own: that one is walked.
  reg.PutText(US, "S-1-5-21-1-1002\\Software\\Classes\\T", "p", "C:\\Old");
  reg.PutText(US, "S-1-5-21-1-1002_Classes\\T", "p", "C:\\Old");
  // The system account's hive under both its names.
  reg.PutText(US, ".DEFAULT\\T", "p", "C:\\Old");
  reg.PutText(US, "S-1-5-18\\T", "p", "C:\\Old");
  std::vector<std::string> phases;
  ui.onPump = [&] {
    if (phases.empty() || phases.back() != ui.progress.phase) phases.push_back(ui.progress.phase);
  };
  const std::string before = reg.Dump();
  Map("C:\\Old", "D:\\New", "", "", MatchRule::Path);

  EXPECT_EQ(Text(US, "S-1-5-21-1-1000\\Software\\T", "p"), "C:\\Old");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1000_Classes\\T", "p"), "D:\\New");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1001\\Software\\T", "p"), "D:\\New\\a");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1001\\Environment", "home"), "%USERPROFILE%\\x");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1001_Classes\\T", "p"), "D:\\New\\c");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1002\\Software\\Classes\\T", "p"), "D:\\New");
  EXPECT_EQ(Text(US, "S-1-5-21-1-1002_Classes\\T", "p"), "C:\\Old");
  EXPECT_EQ(Text(US, ".DEFAULT\\T", "p"), "C:\\Old");
  EXPECT_EQ(Text(US, "S-1-5-18\\T", "p"), "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 5);
  EXPECT_EQ(phases, (std::vector<std::string>{"Scanning System Registry", "Scanning User Registry",
                                              "Scanning User Registry: S-1-5-18",
                                              "Scanning User Registry: S-1-5-21-1-1000_Classes",
                                              "Scanning User Registry: PC\\ann (S-1-5-21-1-1001)",
                                              "Scanning User Registry: PC\\ann (S-1-5-21-1-1001_Classes)",
                                              "Scanning User Registry: S-1-5-21-1-1002"}));
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, CommandValuesQuoteANewPlaceWithASpaceListsAndPathsDoNot) {
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string services = "SYSTEM\\CurrentControlSet\\Services\\W6Svc";
  const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\W6";
  const std::string verb = "Software\\Classes\\w6file\\shell\\open\\command";
  const std::string appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\w6.exe";
  reg.PutText(LM, services, "ImagePath", "C:\\W6Svc\\svc.exe -k netsvcs");
  reg.PutText(CU, run, "Tray", "C:\\W6Svc\\tray.exe /min");
  reg.PutText(CU, run, "Quoted", "\"C:\\W6Svc\\q.exe\" -a C:\\W6Svc\\q.ini");
  reg.PutText(LM, uninstall, "UninstallString", "C:\\W6Svc\\unins.exe /S");
  reg.PutText(LM, verb, "", "C:\\W6Svc\\w6.exe \"%1\"");
  // A path read whole, a list, a setting and an address.
  reg.PutText(LM, appPath, "", "C:\\W6Svc\\w6.exe");
  reg.PutText(LM, services, "Description", "C:\\W6Svc\\svc.exe -k");
  reg.PutText(CU, "Environment", "Path", "C:\\W6Svc;C:\\Other");
  reg.PutText(CU, "Software\\W6", "Home", "file:///C:/W6Svc/y");
  const std::string before = reg.Dump();
  Map("C:\\W6Svc", "D:\\New Folder\\W6Svc", "", "", MatchRule::Path);
  EXPECT_EQ(Text(LM, services, "ImagePath"), "\"D:\\New Folder\\W6Svc\\svc.exe\" -k netsvcs");
  EXPECT_EQ(Text(CU, run, "Tray"), "\"D:\\New Folder\\W6Svc\\tray.exe\" /min");
  EXPECT_EQ(Text(CU, run, "Quoted"), "\"D:\\New Folder\\W6Svc\\q.exe\" -a \"D:\\New Folder\\W6Svc\\q.ini\"");
  EXPECT_EQ(Text(LM, uninstall, "UninstallString"), "\"D:\\New Folder\\W6Svc\\unins.exe\" /S");
  EXPECT_EQ(Text(LM, verb, ""), "\"D:\\New Folder\\W6Svc\\w6.exe\" \"%1\"");
  EXPECT_EQ(Text(LM, appPath, ""), "D:\\New Folder\\W6Svc\\w6.exe");
  EXPECT_EQ(Text(LM, services, "Description"), "D:\\New Folder\\W6Svc\\svc.exe -k");
  EXPECT_EQ(Text(CU, "Environment", "Path"), "D:\\New Folder\\W6Svc;C:\\Other");
  EXPECT_EQ(Text(CU, "Software\\W6", "Home"), "file:///D:/New%20Folder/W6Svc/y");
  EXPECT_EQ(ctx.tally.linkCount, 10);
  // The backup holds the values as they were.
  ExpectUndoRestores(before);
}

TEST_F(RegWalkTest, ARepeatLeavesAQuotedOrEncodedNewPlaceUnderTheOldOneAsItIs) {
  const std::string services = "SYSTEM\\ControlSet001\\Services\\W6Svc";
  reg.PutText(LM, services, "ImagePath", "C:\\W6Svc\\svc.exe -k netsvcs");
  reg.PutText(CU, "Software\\W6", "Home", "file:///C:/W6Svc/y");
  Map("C:\\W6Svc", "C:\\W6Svc\\New Dir", "", "", MatchRule::Path);
  EXPECT_EQ(Text(LM, services, "ImagePath"), "\"C:\\W6Svc\\New Dir\\svc.exe\" -k netsvcs");
  EXPECT_EQ(Text(CU, "Software\\W6", "Home"), "file:///C:/W6Svc/New%20Dir/y");
  const std::string once = reg.Dump();
  Map("C:\\W6Svc", "C:\\W6Svc\\New Dir", "", "", MatchRule::Path);
  EXPECT_EQ(reg.Dump(), once);
  EXPECT_EQ(ctx.tally.linkCount, 2);
}

namespace {
std::vector<ChangeEntry> BinaryEntries(const TestRun& ctx) {
  std::vector<ChangeEntry> out;
  for (const ChangeEntry& e : ctx.changes)
    if (e.kind == ChangeKind::BinaryData) out.push_back(e);
  return out;
}

// REG_BINARY data holding the old place (a recent-file list in UTF-16LE, a
// blob with it in ASCII) is named by the preview and by the run alike and
// left byte for byte; the apply of a reviewed list goes to the key without
// naming it again.
TEST_F(RegWalkTest, BinaryValuesHoldingTheOldPlaceAreNamedAndLeftExactly) {
  const std::string mru = "\x01\0\0\0"s + Utf16Data(u"C:\\Old\\doc.txt") + "\x9C\x01"s;
  const std::string blob = "\x10\0C:\\OLD\\tool.exe\0\x7F"s;
  reg.Put(CU, "Software\\App\\Recent", "MRUList", kRegBinary, mru);
  reg.Put(CU, "Software\\App\\Recent", "blob", kRegBinary, blob);
  reg.Put(CU, "Software\\App\\Recent", "other", kRegBinary, Utf16Data(u"C:\\Older"));
  reg.PutText(CU, "Software\\App\\Recent", "dir", "C:\\Old\\x");
  const SearchTexts texts{"C:\\Old", "D:\\New", "", "", MatchRule::Path};
  ctx.preview = true;
  walk.FindReplaceProcess(ctx.Pass(), texts);
  const std::vector<ChangeEntry> previewed = BinaryEntries(ctx);
  ASSERT_EQ(previewed.size(), 2u);
  EXPECT_EQ(PlaceText(previewed[0]), "HKEY_CURRENT_USER\\Software\\App\\Recent, value \"MRUList\"");
  EXPECT_EQ(previewed[0].oldText, "C:\\Old\\doc.txt");
  EXPECT_EQ(previewed[1].oldText, "C:\\OLD\\tool.exe");
  for (const ChangeEntry& e : previewed) {
    EXPECT_EQ(e.outcome, ChangeOutcome::PassedOver);
    EXPECT_EQ(e.reason, kBinaryNotRewritten);
  }

  ctx.preview = false;
  ctx.changes.clear();
  walk.FindReplaceProcess(ctx.Pass(), texts);
  const std::vector<ChangeEntry> run = BinaryEntries(ctx);
  ASSERT_EQ(run.size(), previewed.size());
  for (std::size_t i = 0; i < run.size(); ++i) EXPECT_EQ(PlaceText(run[i]) + run[i].oldText, PlaceText(previewed[i]) + previewed[i].oldText);
  EXPECT_EQ(reg.Get(CU, "Software\\App\\Recent", "MRUList")->data, mru);
  EXPECT_EQ(reg.Get(CU, "Software\\App\\Recent", "blob")->data, blob);
  EXPECT_EQ(Text(CU, "Software\\App\\Recent", "dir"), "D:\\New\\x");
  EXPECT_EQ(Backup().find("MRUList"), std::string::npos);

  // The apply of a list visits the key alone: what its search named stays
  // the list's to name.
  reg.PutText(CU, "Software\\App\\Recent", "dir", "C:\\Old\\x");
  ChangeSelection list;
  list.Tick({"HKEY_CURRENT_USER\\Software\\App\\Recent", "dir", 0, ChangeKind::ValueData, "C:\\Old\\x", "D:\\New\\x",
             ChangeOutcome::WouldChange, ""});
  for (const ChangeEntry& e : previewed) list.Leave(e);
  ctx.changes.clear();
  ctx.selection = &list;
  walk.MapKeys(ctx.Pass(), texts, {"HKEY_CURRENT_USER\\Software\\App\\Recent"});
  ctx.selection = nullptr;
  EXPECT_TRUE(BinaryEntries(ctx).empty());
  EXPECT_EQ(Text(CU, "Software\\App\\Recent", "dir"), "D:\\New\\x");
  EXPECT_EQ(reg.Get(CU, "Software\\App\\Recent", "MRUList")->data, mru);
}
}  // namespace
