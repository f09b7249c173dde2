#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Text.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUndoPlatform.h"
#include "support/UndoNames.h"
#include "undo/CivilTime.h"
#include "undo/UndoStore.h"
#include "engine/ChangeReport.h"
#include "support/TestRun.h"

namespace {

const std::string kFolder = "C:\\Ostrivane\\";
constexpr FileTicks kHour = 3600 * kTicksPerSecond;

class UndoStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.AddFolder(kFolder);
    fs.AddFile(kFolder + "Ostrivane.ini", "");
    // The fake's zone is UTC+2: this is 2026-12-07 01:37:38 local.
    fs.now = TicksOf(CivilTime{2026, 12, 6, 23, 37, 38});
    platform.localNow = platform.ToLocal(fs.now);
  }
  void Record(const std::string& name, FileTicks utc) {
    fs.now = utc;
    fs.AddFile(kFolder + name, "record");
  }
  bool Exists(const std::string& name) { return fs.Has(kFolder + name); }

  FakeFileSystem fs;
  FakeUndoPlatform platform;
  UndoStore store{fs, platform, kFolder};
};

TEST_F(UndoStoreTest, NextNumberIsTheLowestFreeAndIgnoresOtherNames) {
  EXPECT_EQ(store.NextUndoNumber(), 0);
  Record("Undo00000.zip", fs.now);
  Record("Undo00002.reg", fs.now);
  Record("undo00001.BAT", fs.now);  // the folder's names are compared without case
  Record("Undo00003.after", fs.now);  // what a run wrote: a record like the others
  Record("Undo00004.txt", fs.now);
  Record("Undo00004.after.txt", fs.now);
  Record("Undo notes.txt", fs.now);
  EXPECT_EQ(store.NextUndoNumber(), 4);
  fs.Remove(kFolder + "undo00001.BAT");
  EXPECT_EQ(store.NextUndoNumber(), 1);
  EXPECT_TRUE(store.Entries().empty()) << "true leaves the list alone";
}

TEST_F(UndoStoreTest, ANameTheListingMissesIsStillNotHandedOut) {
  // A listing that fails returns nothing; the names are still checked one by one.
  class NoListing : public FakeFileSystem {
   public:
    FolderListing ListFolderChecked(const std::string&) override { return {{}, "access denied"}; }
  } blind;
  blind.AddFile(kFolder + "Undo00000.bat", "");
  blind.AddFile(kFolder + "Undo00001.zip", "");
  UndoStore s(blind, platform, kFolder);
  EXPECT_EQ(s.NextUndoNumber(), 2);
}

TEST_F(UndoStoreTest, EveryNameTakenGivesMinusOne) {
  // Every record name exists except `free`; the listing shows none of them.
  class Crowded : public FakeFileSystem {
   public:
    std::string free;
    FolderListing ListFolderChecked(const std::string&) override { return {}; }
    std::optional<std::uint32_t> AttributesOf(const std::string& path) override {
      if (path.rfind(kFolder + "Undo", 0) == 0 && path.compare(kFolder.size(), 9, free) != 0) return kAttrArchive;
      return FakeFileSystem::AttributesOf(path);
    }
  } crowded;
  UndoStore s(crowded, platform, kFolder);
  EXPECT_EQ(s.NextUndoNumber(), -1);
  crowded.free = "Undo54321";
  EXPECT_EQ(s.NextUndoNumber(), 54321);
}

TEST_F(UndoStoreTest, ListIsOrderedByTheFilesTimesOneLinePerEntry) {
  const FileTicks today = fs.now;
  Record("Undo00002.bat", today);
  Record("Undo00002.zip", today - 50 * kHour);  // the entry keeps the time of its first listed file
  Record("Undo00005.reg", today - 24 * kHour);
  Record("Undo00001.zip", TicksOf(CivilTime{2026, 12, 5, 23, 21, 58}));
  Record("Undo notes.txt", today);
  Record("Undo - x", today);
  fs.AddFolder(kFolder + "Undo00007.zip");
  fs.AddFile(kFolder + "Undo00009.zip", "");
  fs.At(kFolder + "Undo00009.zip").lastWrite = TicksOf(CivilTime{2026, 12, 5, 22, 0, 0});  // local midnight

  store.RebuildList();
  EXPECT_EQ(ListLines(store), (std::vector<std::string>{
                               "Undo00009 - 12/6/2026",
                               "Undo00001 - 12/6/2026 1:21:58 AM",
                               "Undo00005 - 12/6/2026 1:37:38 AM",
                               "Undo00002 - 12/7/2026 1:37:38 AM",
                           }));
  EXPECT_EQ(store.IndexOf(Entry("Undo00005")), 2);
  EXPECT_EQ(store.IndexOf(Entry("Undo00007")), -1);
}

TEST_F(UndoStoreTest, EmptyFolderListsThePlaceholder) {
  Record("Undo notes.txt", fs.now);
  store.RebuildList();
  EXPECT_TRUE(store.Entries().empty());
}

TEST_F(UndoStoreTest, DeleteRemovesOnlyTheEntrysRecords) {

  Record("Undo00000.bat", fs.now - kHour);
  Record("Undo00000.reg", fs.now);
  Record("Undo00000.zip", fs.now);
  Record("Undo00000.after", fs.now);
  Record("Undo00001.reg", fs.now);
  Record("Undo00002.after", fs.now);
  Record("Undo00000 notes.txt", fs.now);
  store.RebuildList();
  ASSERT_EQ(store.Entries().size(), 3u);
  EXPECT_FALSE(UndoName::Parse("Undo notes")) << "no record name: nothing can be deleted by it";
  store.DeleteEntry(Entry("Undo00000"));
  store.DeleteEntry(Entry("Undo00002"));
  store.RebuildList();
  EXPECT_FALSE(Exists("Undo00000.bat") || Exists("Undo00000.reg") || Exists("Undo00000.zip") ||
               Exists("Undo00000.after") || Exists("Undo00002.after"));
  EXPECT_TRUE(Exists("Undo00000 notes.txt"));
  EXPECT_TRUE(Exists("Undo00001.reg"));
  ASSERT_EQ(store.Entries().size(), 1u);
  EXPECT_EQ(ListLines(store)[0].substr(0, 12), "Undo00001 - ");
  EXPECT_EQ(store.NextUndoNumber(), 0);
}

TEST_F(UndoStoreTest, AgeCleanupJudgesEachListedFileByItsOwnAge) {
  const FileTicks now = fs.now;
  Record("Undo00000.bat", now - 48 * kHour);
  Record("Undo00000.zip", now - 47 * kHour);
  Record("Undo00001.reg", now - 9 * 24 * kHour);
  Record("Undo00002.reg", now - 20 * 24 * kHour);
  Record("Undo00002.after", now - 20 * 24 * kHour);
  Record("Undo ancient.txt", now - 900 * 24 * kHour);

  // Nothing listed yet: the start-up cleanup deletes nothing.
  store.ageLimitIndex = kAgeOneDay;
  store.RebuildList();
  EXPECT_TRUE(Exists("Undo00000.bat"));
  ASSERT_EQ(store.Entries().size(), 3u);

  store.ageLimitIndex = kAgeDoNotDelete;
  store.RebuildList();
  EXPECT_TRUE(Exists("Undo00000.bat") && Exists("Undo00001.reg") && Exists("Undo00002.reg"));

  // What the window asks about before a shorter limit is what that limit deletes.
  EXPECT_EQ(store.EntriesAgedOut(kAgeOneWeek), (std::vector<UndoName>{Entry("Undo00001"), Entry("Undo00002")}));
  EXPECT_EQ(store.EntriesAgedOut(kAgeOneDay), (std::vector<UndoName>{Entry("Undo00000"), Entry("Undo00001"), Entry("Undo00002")}));
  EXPECT_TRUE(store.EntriesAgedOut(kAgeDoNotDelete).empty());
  EXPECT_TRUE(Exists("Undo00001.reg"));  // asking deletes nothing
  store.ageLimitIndex = kAgeOneWeek;
  store.NextUndoNumber();
  EXPECT_TRUE(Exists("Undo00000.bat"));
  EXPECT_FALSE(Exists("Undo00001.reg")) << "9 whole days";
  EXPECT_FALSE(Exists("Undo00002.reg") || Exists("Undo00002.after"));

  Record("Undo00003.zip", now - 400 * 24 * kHour);  // not on the list: not judged
  store.ageLimitIndex = kAgeOneDay;
  store.RebuildList();
  EXPECT_FALSE(Exists("Undo00000.bat")) << "48 hours is two whole days";
  EXPECT_TRUE(Exists("Undo00000.zip")) << "47 hours is one";
  EXPECT_TRUE(Exists("Undo ancient.txt"));
  EXPECT_TRUE(Exists("Undo00003.zip"));
  EXPECT_EQ(store.Entries().size(), 2u);

  store.ageLimitIndex = kAgeNoneSelected;  // 99999 days
  store.RebuildList();
  EXPECT_TRUE(Exists("Undo00003.zip"));
}

TEST_F(UndoStoreTest, RestoreFilesOfAnEntry) {
  EXPECT_EQ(store.RestoreFiles(Entry("Undo00004")).restored, 0) << "an entry without an archive";
  FileBackupArchive archive(fs, platform);
  archive.SetArchiveName(kFolder + "Undo00004.zip");
  fs.AddFile("C:\\a.ini", "before");
  fs.AddFile("C:\\b.ini", "before");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  fs.At("C:\\a.ini").data = "after";
  const RestoreResult r = store.RestoreFiles(Entry("Undo00004"));
  EXPECT_EQ(r.restored, 2);
  EXPECT_EQ(fs.At("C:\\a.ini").data, "before");
}

}  // namespace

TEST_F(UndoStoreTest, RecordsOfAnEarlierFolderAreListedDeletedAndKeepTheirNumbers) {
  const std::string beside = "C:\\Program Files\\Ostrivane\\";
  fs.AddFolder(beside);
  fs.AddFile(beside + "Undo00000.zip", "old");
  fs.AddFile(beside + "Undo00001.reg", "old");
  Record("Undo00002.reg", fs.now + kHour);
  store.AddEarlierFolder(beside);
  store.RebuildList();
  ASSERT_EQ(store.Entries().size(), 3u);
  EXPECT_EQ(store.FolderOf(Entry("Undo00001")), beside);
  EXPECT_EQ(store.FolderOf(Entry("Undo00002")), kFolder);
  EXPECT_EQ(store.FolderOf(Entry("Undo00007")), kFolder) << "a new entry goes to the store's own folder";
  EXPECT_EQ(store.NextUndoNumber(), 3) << "numbers taken beside the program are not handed out again";

  store.DeleteEntry(Entry("Undo00000"));
  EXPECT_FALSE(fs.Has(beside + "Undo00000.zip"));
  EXPECT_EQ(store.NextUndoNumber(), 0);
}

TEST_F(UndoStoreTest, ChangeReportGivesTheLineItsRunAndGoesWithItsEntry) {
  TestRun run;
  run.request.Mode = RunMode::MoveAndMap;
  run.request.FindText = "C:\\Data\\Proj";
  run.request.ReplaceText = "D:\\Work\\Proj";
  Record("Undo00000.reg", fs.now);
  Record("Undo00001.reg", fs.now);
  fs.AddFile(kFolder + "Undo00001.log", ChangeReportText(run, run));
  fs.AddFile(kFolder + "Undo00004.log", ChangeReportText(run, run));  // a run that left only its report
  store.RebuildList();
  ASSERT_EQ(store.Entries().size(), 3u);
  EXPECT_EQ(ListLines(store)[0], "Undo00000 - 12/7/2026 1:37:38 AM");  // older records: no report
  EXPECT_EQ(ListLines(store)[1], "Undo00001 - 12/7/2026 1:37:38 AM - Move and Map: C:\\Data\\Proj -> D:\\Work\\Proj");
  EXPECT_EQ(store.IndexOf(Entry("Undo00004")), 2);
  EXPECT_FALSE(store.Entries()[0].mode) << "no report, no kind";
  EXPECT_EQ(store.Entries()[1].mode, RunMode::MoveAndMap);
  EXPECT_EQ(store.NextUndoNumber(), 2);

  store.AppendUndoSection(Entry("Undo00001"), {"C:\\a.ini was restored."}, {"C:\\b.ini: access denied"});
  const ReadReport read = ReadChangeReport(fs.ReadWhole(kFolder + "Undo00001.log"));
  EXPECT_EQ(read.Field("Find"), "C:\\Data\\Proj");
  ASSERT_EQ(read.undo.size(), 4u);
  EXPECT_EQ(read.undo[2].second, "C:\\b.ini: access denied");

  store.DeleteEntry(Entry("Undo00001"));
  EXPECT_FALSE(Exists("Undo00001.log"));
  fs.now += 9 * 24 * kHour;
  platform.localNow = platform.ToLocal(fs.now);
  store.RebuildList();  // the age limit takes the report too
  EXPECT_FALSE(Exists("Undo00004.log"));
}

namespace {
// A change report as a run writes it, with its start as the undo list reads it.
std::string ReportOfRun(const std::string& find, FileTicks startedUtc) {
  TestRun run;
  run.request.FindText = find;
  run.request.ReplaceText = "C:\\X";
  run.startedUtc = UtcStampText(startedUtc);
  return ChangeReportText(run, run);
}
}  // namespace

// An undo writes to an entry's report after later runs, and the files' times
// (records copied back from a backup carry the copy's) may disagree with the
// runs' order: the recorded start decides. Earlier builds recorded no times:
// their entries are timed by their files, the report only when there is no
// other, and an undo of theirs is told without a time.
TEST_F(UndoStoreTest, EntriesAreOrderedByTheirRunsStartAndSayWhenTheyWereLastUndone) {
  const FileTicks t = fs.now;
  Record("Undo00000.zip", t + 2 * kHour);
  Record("Undo00000.log", t + 2 * kHour);
  fs.At(kFolder + "Undo00000.log").data = ReportOfRun("C:\\A", t);
  Record("Undo00001.reg", t + kHour);
  Record("Undo00001.log", t + kHour);
  fs.At(kFolder + "Undo00001.log").data = ReportOfRun("C:\\B", t + kHour);
  Record("Undo00002.zip", t - kHour);
  Record("Undo00002.log", t + 3 * kHour);
  fs.At(kFolder + "Undo00002.log").data = "Mode\tMap Only\r\nFind\tC:\\E\r\nReplace\tC:\\F\r\n\r\nUndo\t12/9/2026\r\n";
  for (int day : {8, 9}) {  // the last undo counts
    fs.now = TicksOf(CivilTime{2026, 12, day, 5, 2, 11});
    platform.localNow = platform.ToLocal(fs.now);
    store.AppendUndoSection(Entry("Undo00000"), {"C:\\a.ini was restored."}, {});
  }
  store.RebuildList();
  EXPECT_EQ(ListLines(store), (std::vector<std::string>{
                               "Undo00002 - 12/7/2026 12:37:38 AM - Map Only: C:\\E -> C:\\F - undone",
                               "Undo00000 - 12/7/2026 1:37:38 AM - Map Only: C:\\A -> C:\\X - undone 12/9/2026 7:02 AM",
                               "Undo00001 - 12/7/2026 2:37:38 AM - Map Only: C:\\B -> C:\\X",
                           }));
  // The same as data: what each entry's records tell, the last undo deciding.
  std::vector<UndoListEntry> e = store.Entries();
  EXPECT_EQ(e[1].state, UndoState::Undone);
  EXPECT_EQ(e[1].undoneAt, "12/9/2026 7:02 AM");
  EXPECT_EQ(e[1].find, "C:\\A");
  EXPECT_EQ(e[0].state, UndoState::Undone);
  EXPECT_FALSE(e[0].undoneAt) << "an earlier build's undo keeps no time";
  EXPECT_EQ(e[2].state, UndoState::NotUndone);
  store.AppendUndoSection(Entry("Undo00001"), {}, {"C:\\b.ini: access denied"});
  store.RebuildList();
  e = store.Entries();
  EXPECT_EQ(e[2].state, UndoState::PartlyUndone);
  EXPECT_EQ(ListLines(store)[2], "Undo00001 - 12/7/2026 2:37:38 AM - Map Only: C:\\B -> C:\\X - undone 12/9/2026 7:02 AM");
  store.AppendUndoSection(Entry("Undo00001"), {"C:\\b.ini was restored."}, {});
  store.RebuildList();
  EXPECT_EQ(store.Entries()[2].state, UndoState::Undone) << "a later complete undo";
}

TEST(UtcStamp, ReadsBackWhatItWritesAndNothingElse) {
  const FileTicks t = TicksOf({2028, 2, 29, 20, 40, 47, 5});
  EXPECT_EQ(UtcStampText(t), "2028-02-29T20:40:47.005Z");
  EXPECT_EQ(UtcStampTicks(UtcStampText(t)), t);
  for (const char* text : {"2026-12-08T20:40:47Z", "2027-02-29T20:40:47.123Z", "2026-12-08T24:00:00.000Z",
                           "2026-12-08T20:40:47.123+01", "12/8/2026 10:40:47 PM"})
    EXPECT_FALSE(UtcStampTicks(text)) << text;
}

namespace {
struct TestLock : RunLock {
  bool free = true, held = false;
  bool TryAcquire() override { return free && !held && (held = true); }
  void Release() override { held = false; }
};
// A record another program holds open cannot be removed.
struct HoldingFileSystem : FakeFileSystem {
  std::string held;
  bool Remove(const std::string& path) override { return EqualFold(path, held) ? false : FakeFileSystem::Remove(path); }
};
}  // namespace

TEST(UndoStoreDelete, TakesTheRunLockAndNamesARecordThatStays) {
  HoldingFileSystem fs;
  FakeUndoPlatform platform;
  UndoStore store{fs, platform, kFolder};
  TestLock lock;
  store.SetLock(&lock);
  for (const char* name : {"Undo00000.zip", "Undo00000.reg"}) fs.AddFile(kFolder + name, "record");
  lock.free = false;  // a run is on
  EXPECT_THROW(store.DeleteEntry(Entry("Undo00000")), Error);
  EXPECT_TRUE(fs.Has(kFolder + "Undo00000.zip"));
  lock.free = true;
  fs.held = kFolder + "Undo00000.zip";
  try {
    store.DeleteEntry(Entry("Undo00000"));
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(kFolder + "Undo00000.zip"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs.Has(kFolder + "Undo00000.reg"));
  EXPECT_FALSE(lock.held);
}
