// An undo never costs the user work done after the run: it gives back only
// the places that still hold what the run wrote, names the others, and
// checks itself against the run's written record.
#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Sha256.h"
#include "engine/ChangeReport.h"
#include "engine/MappingRun.h"
#include "engine/WrittenRecord.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "regmap/RegImport.h"
#include "regmap/RegRestore.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeShellLinkStore.h"
#include "support/FakeShellMove.h"
#include "support/FakeUi.h"
#include "support/FakeUndoPlatform.h"
#include "support/MemoryRegistry.h"
#include "undo/FileBackupArchive.h"
#include "undo/MoveDir.h"
#include "undo/UndoExecution.h"
#include "undo/UndoStore.h"
#include "support/PortableRun.h"

namespace {
const std::string kHome = "C:\\Ostrivane\\";
const RegRoot CU = RegRoot::CurrentUser;

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Two blocks of padding (56 bytes) and more than one block of data.
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000, 'a')), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

TEST(WrittenRecordText, RoundTripsAnyNameAndDropsTornAndWithdrawnLines) {
  FakeFileSystem fs;
  fs.AddFolder("C:\\R");
  WrittenRecord record(fs);
  record.BeginRun("C:\\R\\Undo00000.after");
  const std::string odd = std::string("tab\there%25\r\nnul", 17) + std::string(1, '\0') + "é";
  record.Value("HKEY_CURRENT_USER\\Software\\" + odd, odd, kRegSz, std::string("a\0b\0\0\0", 6));
  record.File("C:\\a.ini", "one");
  record.Withdraw(record.File("C:\\b.ini", "two"));  // b.ini was not written after all
  record.ValueRename("HKEY_CURRENT_USER\\K", "C:\\Old", "D:\\New", kRegSz, "x");
  record.KeyMove("HKEY_CURRENT_USER\\K\\C:", "HKEY_CURRENT_USER\\K\\D:");
  EXPECT_EQ(record.Count(), 4);
  record.MakeDurable();  // announcements wait for the batch's flush
  std::string bytes = fs.ReadWhole("C:\\R\\Undo00000.after");
  bytes += "file\tC:\\c.ini\tpend";  // torn: its write never happened

  const WrittenPlaces places = ReadWrittenRecord(bytes);
  ASSERT_EQ(places.files.size(), 1u);
  EXPECT_EQ(places.files.begin()->second.sha256, Sha256Hex("one"));
  EXPECT_EQ(places.files.begin()->second.size, 3u);
  ASSERT_EQ(places.registry.size(), 3u);
  EXPECT_EQ(places.registry[0].key, "HKEY_CURRENT_USER\\Software\\" + odd);
  EXPECT_EQ(places.registry[0].name, odd);
  EXPECT_EQ(places.registry[0].data, std::string("a\0b\0\0\0", 6));
  EXPECT_EQ(places.registry[1].newName, "D:\\New");
  EXPECT_EQ(places.registry[2].kind, RegistryWrite::Kind::KeyMove);

  // A record gone during the run stops it before its next change.
  fs.Remove("C:\\R\\Undo00000.after");
  EXPECT_THROW(record.File("C:\\d.ini", "x"), Error);
}

// Map Only runs over two settings files, two registry values, a renamed
// value and a renamed key, with the real walks, backups and undo.
class UndoSafety : public ::testing::Test, protected PortableRun {
 protected:
  void SetUp() override {
    fs.AddFile("C:\\Cfg\\a.ini", "[S]\r\nPath=\\\\OLDSRV\\Data\\a\r\n");
    fs.AddFile("C:\\Cfg\\b.ini", "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\n");
    reg.PutText(CU, "Software\\Ostr", "One", "\\\\OLDSRV\\Data\\1");
    reg.PutText(CU, "Software\\Ostr", "Two", "\\\\OLDSRV\\Data\\2");
    ctx.targets.shortcuts = false;
  }
  void Map(const std::string& find, const std::string& replace) { RunRequest(RunMode::MapOnly, find, replace); }
  std::string State() { return fs.ReadWhole("C:\\Cfg\\a.ini") + fs.ReadWhole("C:\\Cfg\\b.ini") + reg.Dump(); }
  std::vector<std::string> Records() {
    std::vector<std::string> out;
    for (const DirEntry& e : fs.ListFolder(kHome + "*"))
      if (!e.IsFolder()) out.push_back(e.name);
    return out;
  }
};

TEST_F(UndoSafety, PlacesChangedAfterTheRunAreLeftAndNamedUntilForced) {
  const std::string before = State();
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  ASSERT_EQ(ctx.tally.linkCount, 4);
  // The user works on: the run's own text edited in one file (a line added
  // beside it alone would be kept, the run's text given back), another value set.
  const std::string edited = "[S]\r\nPath=\\\\NEWSRV\\Mine\\a\r\nMore=mine\r\n";
  fs.ReplaceWhole("C:\\Cfg\\a.ini", edited);
  reg.PutText(CU, "Software\\Ostr", "One", "E:\\Mine");

  const std::string first = UndoSaid("Undo00000");
  EXPECT_EQ(int(last.changed.size()), 2);
  EXPECT_EQ(last.result, UndoResult::Partly);
  store.RebuildList();
  EXPECT_EQ(store.Entries().at(0).state, UndoState::PartlyUndone) << "as its change report tells";
  EXPECT_NE(first.find(kUndoIncomplete), std::string::npos) << first;
  EXPECT_NE(first.find("C:\\Cfg\\a.ini was changed after the run"), std::string::npos) << first;
  EXPECT_NE(first.find("HKEY_CURRENT_USER\\Software\\Ostr, value \"One\" was changed after the run (the run wrote "
                       "\"\\\\NEWSRV\\Shared\\1\", it now holds \"E:\\Mine\")"),
            std::string::npos)
      << first;
  EXPECT_EQ(first.rfind("1 files restored.  Undo has completed\n1 registry value restored.\n", 0), 0u) << first;
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\a.ini"), edited);
  EXPECT_EQ(reg.GetText(CU, "Software\\Ostr", "One"), "E:\\Mine");
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\b.ini"), "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\n");
  EXPECT_EQ(reg.GetText(CU, "Software\\Ostr", "Two"), "\\\\OLDSRV\\Data\\2");

  // Edited again after the undo: a second undo changes nothing at all.
  fs.ReplaceWhole("C:\\Cfg\\b.ini", "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\nLater=1\r\n");
  const std::string between = State();
  const std::string second = UndoSaid("Undo00000");
  EXPECT_EQ(State(), between);
  EXPECT_EQ(second.rfind("0 files restored.  Undo has completed\n1 place was already as before the run.\n", 0), 0u)
      << second;
  EXPECT_EQ(int(last.changed.size()), 3);

  // Forced, the named places get their state before the run.
  const std::string forced = UndoSaid("Undo00000", true);
  EXPECT_EQ(forced.find(kUndoIncomplete), std::string::npos) << forced;
  EXPECT_EQ(last.result, UndoResult::Completed);
  store.RebuildList();
  EXPECT_EQ(store.Entries().at(0).state, UndoState::Undone);
  EXPECT_EQ(State(), before);
  EXPECT_EQ(UndoSaid("Undo00000"), "0 files restored.  Undo has completed\n" + std::string(kUndoAllAsBefore));
  EXPECT_EQ(last.result, UndoResult::AllAsBefore);
}

TEST_F(UndoSafety, UndoneInTheWrongOrderThePlaceNamesTheLaterEntry) {
  const std::string before = State();
  Map("\\\\OLDSRV\\Data", "C:\\Data\\Mid");
  const std::string afterFirst = State();
  Map("C:\\Data\\Mid", "C:\\Archive");
  ASSERT_EQ(ctx.tally.undoName, "Undo00001");
  store.RebuildList();
  const std::string afterSecond = State();

  const std::string wrong = UndoSaid("Undo00000");
  EXPECT_EQ(State(), afterSecond) << "nothing of the later run is overwritten";
  EXPECT_NE(wrong.find("C:\\Cfg\\a.ini was changed after the run (it holds neither what the run wrote nor what it "
                       "held before): left as it is. It was changed again by Undo00001: undo that entry first."),
            std::string::npos)
      << wrong;
  EXPECT_NE(wrong.find("value \"Two\" was changed after the run (the run wrote \"C:\\Data\\Mid\\2\", it now holds "
                       "\"C:\\Archive\\2\"): left as it is. It was changed again by Undo00001"),
            std::string::npos)
      << wrong;

  EXPECT_EQ(UndoSaid("Undo00001").find(kUndoIncomplete), std::string::npos);
  EXPECT_EQ(State(), afterFirst);
  EXPECT_EQ(UndoSaid("Undo00000").find(kUndoIncomplete), std::string::npos);
  EXPECT_EQ(State(), before);
}

TEST_F(UndoSafety, ACutArchiveOrRegistryBackupNeverReadsAsComplete) {
  for (int i = 0; i < 3; ++i) fs.AddFile("C:\\Cfg\\more" + std::to_string(i) + ".ini", "x=\\\\OLDSRV\\Data\r\n");
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  const std::string zip = kHome + "Undo00000.zip";
  const std::string whole = fs.ReadWhole(zip);
  fs.ReplaceWhole(zip, whole.substr(0, 100));  // the first entry's header at most
  const std::string message = UndoSaid("Undo00000");
  EXPECT_NE(message.find(kUndoIncomplete), std::string::npos) << message;
  int named = 0;
  for (const char* f : {"a.ini", "b.ini", "more0.ini", "more1.ini", "more2.ini"})
    named += message.find(std::string("C:\\Cfg\\") + f + " was not restored") != std::string::npos;
  EXPECT_EQ(named, 5) << message;

  // The registry backup cut before its last value: that value is named.
  const std::string regFile = kHome + "Undo00000.reg";
  std::string text = DecodeRegText(fs.ReadWhole(regFile));
  text = text.substr(0, text.find("\"Two\""));
  fs.ReplaceWhole(regFile, "REGEDIT4" + text.substr(text.find("\r\n")));
  reg.PutText(CU, "Software\\Ostr", "One", "\\\\NEWSRV\\Shared\\1");
  const std::string again = UndoSaid("Undo00000");
  EXPECT_NE(again.find("HKEY_CURRENT_USER\\Software\\Ostr, value \"Two\" was not restored: its backup is missing"),
            std::string::npos)
      << again;
  EXPECT_EQ(reg.GetText(CU, "Software\\Ostr", "One"), "\\\\OLDSRV\\Data\\1");
}

// The written record cut short or lost after the run: never taken for an
// earlier version's. What it still names is checked as always; the places
// the change report lists beyond it are restored where found as before,
// else named, and the undo is not complete until forced.
TEST_F(UndoSafety, ACutOrLostWrittenRecordIsNotTakenForAnEarlierVersions) {
  for (int i = 0; i < 3; ++i) fs.AddFile("C:\\Cfg\\more" + std::to_string(i) + ".ini", "x=\\\\OLDSRV\\Data\r\n");
  const std::string before = State() + fs.ReadWhole("C:\\Cfg\\more2.ini");
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  const std::string record = kHome + "Undo00000.after";
  const std::string whole = fs.ReadWhole(record);
  // Cut after the title and the first whole line.
  const std::size_t firstLine = whole.find("\r\n", whole.find("\r\n") + 2) + 2;
  fs.ReplaceWhole(record, whole.substr(0, firstLine + 10));
  fs.ReplaceWhole("C:\\Cfg\\more2.ini", "x=\\\\OLDSRV\\Data\r\n");  // put back by hand
  const std::string cut = UndoSaid("Undo00000");
  EXPECT_EQ(cut.find("earlier version"), std::string::npos) << cut;
  EXPECT_NE(cut.find(kUndoIncomplete), std::string::npos) << cut;
  EXPECT_NE(cut.find("Undo00000.after does not name"), std::string::npos) << cut;
  EXPECT_NE(cut.find("C:\\Cfg\\b.ini was not restored: the written record does not name it"), std::string::npos)
      << cut;
  EXPECT_NE(cut.find("value \"Two\" was not restored: the written record does not name it"), std::string::npos)
      << cut;
  EXPECT_EQ(cut.find("more2.ini was not restored"), std::string::npos) << "found as before: " << cut;
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\b.ini"), "[S]\r\nPath=\\\\NEWSRV\\Shared\\b\r\n");

  // Lost altogether: the report says this version made the entry.
  fs.Remove(record);
  const std::string lost = UndoSaid("Undo00000");
  EXPECT_EQ(lost.find("earlier version"), std::string::npos) << lost;
  EXPECT_NE(lost.find("Undo00000.after is missing"), std::string::npos) << lost;
  EXPECT_EQ(fs.ReadWhole("C:\\Cfg\\b.ini"), "[S]\r\nPath=\\\\NEWSRV\\Shared\\b\r\n");

  const std::string forced = UndoSaid("Undo00000", true);
  EXPECT_EQ(State() + fs.ReadWhole("C:\\Cfg\\more2.ini"), before) << forced;
  EXPECT_EQ(forced.find(kUndoIncomplete), std::string::npos) << forced;
  EXPECT_NE(forced.find("this forced undo restored them all"), std::string::npos) << forced;
}

// Only a report an earlier version wrote (no start stamp) lets an entry
// without a written record be undone by the earlier rules.
TEST_F(UndoSafety, AnEarlierVersionsEntryIsUndoneByItsRules) {
  const std::string before = State();
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  fs.Remove(kHome + "Undo00000.after");
  const std::string log = kHome + "Undo00000.log";
  std::string report = fs.ReadWhole(log);
  const std::size_t stamp = report.find(kStartedUtcRow);
  ASSERT_NE(stamp, std::string::npos);
  report.erase(stamp, report.find("\r\n", stamp) + 2 - stamp);
  fs.ReplaceWhole(log, report);
  const std::string message = UndoSaid("Undo00000");
  EXPECT_NE(message.find("earlier version"), std::string::npos) << message;
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_EQ(State(), before);
}

TEST_F(UndoSafety, ARunThatChangedNothingLeavesNoRecords) {
  Map("\\\\NOSUCH\\Share", "\\\\NEWSRV\\Shared");
  EXPECT_EQ(Records(), std::vector<std::string>{});

  // Backed up, then the write refused: the backup and the record go too.
  fs.beforeWrite = [](const std::string& p) {
    if (p.find("C:\\Cfg\\") == 0 || p.find("~ostrivane-") != std::string::npos) throw Error("Access is denied.");
  };
  ctx.targets.registry = false;
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  EXPECT_EQ(ctx.passedOver.size(), 2u);
  EXPECT_EQ(Records(), std::vector<std::string>{});
  fs.beforeWrite = nullptr;

  // A move whose source is missing.
  ctx.request = MappingRequest{};
  ctx.request.Mode = RunMode::MoveAndMap;
  ctx.request.FindText = "C:\\Gone";
  ctx.request.ReplaceText = "C:\\Cfg\\Gone";
  ctx.Run(parts);
  EXPECT_TRUE(ctx.tally.cancelled);
  EXPECT_EQ(Records(), std::vector<std::string>{});
  EXPECT_EQ(store.NextUndoNumber(), 0);
}

TEST_F(UndoSafety, AShortcutWhoseWriteWasCutShortIsRestored) {
  ctx.targets.shortcuts = true;
  ShellLinkProps link;
  link.Target = "\\\\OLDSRV\\Data\\tool.exe";
  links.Put("C:\\Links\\tool.lnk", link);
  const std::string lnkBefore = fs.ReadWhole("C:\\Links\\tool.lnk");
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  // As if the run stopped between the shortcut's write and its record line.
  const std::string path = kHome + "Undo00000.after";
  std::string record = fs.ReadWhole(path);
  const std::size_t last = record.rfind("file\tC:\\Links\\tool.lnk\t");
  ASSERT_NE(last, std::string::npos);
  ASSERT_NE(record.find("file\tC:\\Links\\tool.lnk\tpending"), std::string::npos);
  fs.ReplaceWhole(path, record.substr(0, last));
  const std::string message = UndoSaid("Undo00000");
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_EQ(fs.ReadWhole("C:\\Links\\tool.lnk"), lnkBefore);
}

// A key the run made by a rename goes on undo only while it holds just what
// the run put there.
TEST_F(UndoSafety, AKeyTheRunMadeWithAValueAddedLaterStays) {
  reg.PutText(CU, "Software\\Ostr\\C:\\OldApp", "", "key");
  Map("C:\\OldApp", "D:\\NewApp");
  ASSERT_TRUE(reg.HasKey(CU, "Software\\Ostr\\D:\\NewApp"));
  reg.PutText(CU, "Software\\Ostr\\D:\\NewApp", "Added", "by the user");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_NE(message.find("HKEY_CURRENT_USER\\Software\\Ostr\\D: was changed after the run"), std::string::npos)
      << message;
  EXPECT_EQ(reg.GetText(CU, "Software\\Ostr\\D:\\NewApp", "Added"), "by the user");
  EXPECT_FALSE(reg.HasKey(CU, "Software\\Ostr\\C:\\OldApp")) << "the old key is not made beside it";

  UndoSaid("Undo00000", true);
  EXPECT_FALSE(reg.HasKey(CU, "Software\\Ostr\\D:"));
  EXPECT_EQ(reg.GetText(CU, "Software\\Ostr\\C:\\OldApp", ""), "key");
}
}  // namespace

namespace {
// Killed while it wrote a file: the file still holds its old bytes and its
// temporary file lies beside it. The undo removes that file too.
TEST_F(UndoSafety, AWriteThatNeverHappenedLeavesNoTemporaryFileAfterTheUndo) {
  const std::string a = fs.ReadWhole("C:\\Cfg\\a.ini");
  Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  fs.ReplaceWhole("C:\\Cfg\\a.ini", a);
  fs.AddFile("C:\\Cfg\\~ostrivane-1C2D.tmp", "[S]\r\nPath=\\\\NEW");
  const std::string message = UndoSaid("Undo00000");
  EXPECT_FALSE(fs.Has("C:\\Cfg\\~ostrivane-1C2D.tmp")) << message;
  EXPECT_EQ(message.find(kUndoIncomplete), std::string::npos) << message;
  EXPECT_NE(message.find("1 place was already as before the run."), std::string::npos) << message;
}
}  // namespace
