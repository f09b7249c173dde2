#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Text.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUndoPlatform.h"
#include "undo/CivilTime.h"
#include "undo/UndoStore.h"
#include "engine/ChangeReport.h"

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
  EXPECT_EQ(store.FillUndoBox(true), 0);
  Record("Undo00000.zip", fs.now);
  Record("Undo00002.reg", fs.now);
  Record("undo00001.BAT", fs.now);  // the folder's names are compared without case
  Record("Undo00003.txt", fs.now);
  Record("Undo notes.txt", fs.now);
  EXPECT_EQ(store.FillUndoBox(true), 3);
  fs.Remove(kFolder + "undo00001.BAT");
  EXPECT_EQ(store.FillUndoBox(true), 1);
  EXPECT_EQ(store.Lines(), std::vector<std::string>{kNoChangesToUndo}) << "true leaves the list alone";
}

TEST_F(UndoStoreTest, ANameTheListingMissesIsStillNotHandedOut) {
  // A listing that fails returns nothing; the names are still checked one by one.
  class NoListing : public FakeFileSystem {
   public:
    std::vector<DirEntry> ListFolder(const std::string&) override { return {}; }
  } blind;
  blind.AddFile(kFolder + "Undo00000.bat", "");
  blind.AddFile(kFolder + "Undo00001.zip", "");
  UndoStore s(blind, platform, kFolder);
  EXPECT_EQ(s.FillUndoBox(true), 2);
}

TEST_F(UndoStoreTest, EveryNameTakenGivesMinusOne) {
  // Every record name exists except `free`; the listing shows none of them.
  class Crowded : public FakeFileSystem {
   public:
    std::string free;
    std::vector<DirEntry> ListFolder(const std::string&) override { return {}; }
    std::optional<std::uint32_t> AttributesOf(const std::string& path) override {
      if (path.rfind(kFolder + "Undo", 0) == 0 && path.compare(kFolder.size(), 9, free) != 0) return kAttrArchive;
      return FakeFileSystem::AttributesOf(path);
    }
  } crowded;
  UndoStore s(crowded, platform, kFolder);
  EXPECT_EQ(s.FillUndoBox(true), -1);
  crowded.free = "Undo54321";
  EXPECT_EQ(s.FillUndoBox(true), 54321);
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

  store.FillUndoBox(false);
  EXPECT_EQ(store.Lines(), (std::vector<std::string>{
                               "Undo00009 - 12/6/2026",
                               "Undo00001 - 12/6/2026 1:21:58 AM",
                               "Undo00005 - 12/6/2026 1:37:38 AM",
                               "Undo00002 - 12/7/2026 1:37:38 AM",
                           }));
  EXPECT_EQ(store.IndexOf("Undo00005"), 2);
  EXPECT_EQ(store.IndexOf("Undo00007"), -1);
}

TEST_F(UndoStoreTest, EmptyFolderListsThePlaceholder) {
  Record("Undo notes.txt", fs.now);
  store.FillUndoBox(false);
  EXPECT_EQ(store.Lines(), std::vector<std::string>{kNoChangesToUndo});
  EXPECT_EQ(store.IndexOf(kNoChangesToUndo), -1);
}

TEST_F(UndoStoreTest, DeleteRemovesOnlyTheEntrysRecords) {

  Record("Undo00000.bat", fs.now - kHour);
  Record("Undo00000.reg", fs.now);
  Record("Undo00000.zip", fs.now);
  Record("Undo00001.reg", fs.now);
  Record("Undo00000 notes.txt", fs.now);
  store.FillUndoBox(false);
  ASSERT_EQ(store.Lines().size(), 2u);
  store.DeleteEntry("Undo notes");  // no record name: nothing is touched
  store.DeleteEntry("Undo00000");
  store.FillUndoBox(false);
  EXPECT_FALSE(Exists("Undo00000.bat") || Exists("Undo00000.reg") || Exists("Undo00000.zip"));
  EXPECT_TRUE(Exists("Undo00000 notes.txt"));
  EXPECT_TRUE(Exists("Undo00001.reg"));
  ASSERT_EQ(store.Lines().size(), 1u);
  EXPECT_EQ(store.Lines()[0].substr(0, 12), "Undo00001 - ");
  EXPECT_EQ(store.FillUndoBox(true), 0);
}

TEST_F(UndoStoreTest, AgeCleanupJudgesEachListedFileByItsOwnAge) {
  const FileTicks now = fs.now;
  Record("Undo00000.bat", now - 48 * kHour);
  Record("Undo00000.zip", now - 47 * kHour);
  Record("Undo00001.reg", now - 9 * 24 * kHour);
  Record("Undo00002.reg", now - 20 * 24 * kHour);
  Record("Undo ancient.txt", now - 900 * 24 * kHour);

  // Nothing listed yet: the start-up cleanup deletes nothing.
  store.ageLimitIndex = kAgeOneDay;
  store.FillUndoBox(false);
  EXPECT_TRUE(Exists("Undo00000.bat"));
  ASSERT_EQ(store.Lines().size(), 3u);

  store.ageLimitIndex = kAgeDoNotDelete;
  store.FillUndoBox(false);
  EXPECT_TRUE(Exists("Undo00000.bat") && Exists("Undo00001.reg") && Exists("Undo00002.reg"));

  // What the window asks about before a shorter limit is what that limit deletes.
  EXPECT_EQ(store.EntriesAgedOut(kAgeOneWeek), (std::vector<std::string>{"Undo00001", "Undo00002"}));
  EXPECT_EQ(store.EntriesAgedOut(kAgeOneDay), (std::vector<std::string>{"Undo00000", "Undo00001", "Undo00002"}));
  EXPECT_TRUE(store.EntriesAgedOut(kAgeDoNotDelete).empty());
  EXPECT_TRUE(Exists("Undo00001.reg"));  // asking deletes nothing
  store.ageLimitIndex = kAgeOneWeek;
  store.FillUndoBox(true);
  EXPECT_TRUE(Exists("Undo00000.bat"));
  EXPECT_FALSE(Exists("Undo00001.reg")) << "9 whole days";
  EXPECT_FALSE(Exists("Undo00002.reg"));

  Record("Undo00003.zip", now - 400 * 24 * kHour);  // not on the list: not judged
  store.ageLimitIndex = kAgeOneDay;
  store.FillUndoBox(false);
  EXPECT_FALSE(Exists("Undo00000.bat")) << "48 hours is two whole days";
  EXPECT_TRUE(Exists("Undo00000.zip")) << "47 hours is one";
  EXPECT_TRUE(Exists("Undo ancient.txt"));
  EXPECT_TRUE(Exists("Undo00003.zip"));
  EXPECT_EQ(store.Lines().size(), 2u);

  store.ageLimitIndex = kAgeNoneSelected;  // 99999 days
  store.FillUndoBox(false);
  EXPECT_TRUE(Exists("Undo00003.zip"));
}

TEST_F(UndoStoreTest, RestoreFilesOfAnEntry) {
  EXPECT_EQ(store.RestoreFiles("Undo00004").restored, 0) << "an entry without an archive";
  FileBackupArchive archive(fs, platform);
  archive.SetArchiveName(kFolder + "Undo00004.zip");
  fs.AddFile("C:\\a.ini", "before");
  fs.AddFile("C:\\b.ini", "before");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  fs.At("C:\\a.ini").data = "after";
  const RestoreResult r = store.RestoreFiles("Undo00004");
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
  store.FillUndoBox(false);
  ASSERT_EQ(store.Lines().size(), 3u);
  EXPECT_EQ(store.FolderOf("Undo00001"), beside);
  EXPECT_EQ(store.FolderOf("Undo00002"), kFolder);
  EXPECT_EQ(store.FolderOf("Undo00007"), kFolder) << "a new entry goes to the store's own folder";
  EXPECT_EQ(store.FillUndoBox(true), 3) << "numbers taken beside the program are not handed out again";

  store.DeleteEntry("Undo00000");
  EXPECT_FALSE(fs.Has(beside + "Undo00000.zip"));
  EXPECT_EQ(store.FillUndoBox(true), 0);
}

TEST_F(UndoStoreTest, ChangeReportGivesTheLineItsRunAndGoesWithItsEntry) {
  RunContext run;
  run.request.Mode = 'M';
  run.request.FindText = "C:\\Data\\Proj";
  run.request.ReplaceText = "D:\\Work\\Proj";
  Record("Undo00000.reg", fs.now);
  Record("Undo00001.reg", fs.now);
  fs.AddFile(kFolder + "Undo00001.log", ChangeReportText(run));
  fs.AddFile(kFolder + "Undo00004.log", ChangeReportText(run));  // a run that left only its report
  store.FillUndoBox(false);
  ASSERT_EQ(store.Lines().size(), 3u);
  EXPECT_EQ(store.Lines()[0], "Undo00000 - 12/7/2026 1:37:38 AM");  // older records: no report
  EXPECT_EQ(store.Lines()[1], "Undo00001 - 12/7/2026 1:37:38 AM - Move and Map: C:\\Data\\Proj -> D:\\Work\\Proj");
  EXPECT_EQ(store.IndexOf("Undo00004"), 2);
  EXPECT_EQ(store.FillUndoBox(true), 2);

  store.AppendUndoSection("Undo00001", {"C:\\a.ini was restored."}, {"C:\\b.ini: access denied"});
  const ReadReport read = ReadChangeReport(fs.ReadWhole(kFolder + "Undo00001.log"));
  EXPECT_EQ(read.Field("Find"), "C:\\Data\\Proj");
  ASSERT_EQ(read.undo.size(), 3u);
  EXPECT_EQ(read.undo[1].second, "C:\\b.ini: access denied");

  store.DeleteEntry("Undo00001");
  EXPECT_FALSE(Exists("Undo00001.log"));
  fs.now += 9 * 24 * kHour;
  platform.localNow = platform.ToLocal(fs.now);
  store.FillUndoBox(false);  // the age limit takes the report too
  EXPECT_FALSE(Exists("Undo00004.log"));
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
  EXPECT_THROW(store.DeleteEntry("Undo00000"), Error);
  EXPECT_TRUE(fs.Has(kFolder + "Undo00000.zip"));
  lock.free = true;
  fs.held = kFolder + "Undo00000.zip";
  try {
    store.DeleteEntry("Undo00000");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(kFolder + "Undo00000.zip"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs.Has(kFolder + "Undo00000.reg"));
  EXPECT_FALSE(lock.held);
}
