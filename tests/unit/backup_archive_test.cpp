#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "core/Error.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUndoPlatform.h"
#include "undo/FileBackupArchive.h"
#include "undo/ZipArchive.h"

namespace {

const std::string kZip = "C:\\Ostrivane\\Undo00003.zip";

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

std::string IniText() {
  std::string s;
  for (int i = 0; i < 200; ++i) s += "Path" + std::to_string(i) + "=C:\\Program Files\\App\\file.dat\r\n";
  return s;
}

class BackupArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.AddFolder("C:\\Ostrivane");
    archive.SetArchiveName(kZip);
  }
  ZipDirectory Directory() {
    auto f = fs.OpenRandom(kZip, OpenMode::ReadOnly);
    return ReadZipDirectory(*f);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (const ZipEntry& e : Directory().entries) out.push_back(e.name);
    return out;
  }

  FakeFileSystem fs;
  FakeUndoPlatform platform;
  FileBackupArchive archive{fs, platform};
};

TEST_F(BackupArchiveTest, RoundTripIsByteExactAndKeepsAttributes) {
  const std::string ini = IniText(), noise = RandomBytes(5000, 1);
  fs.AddFile("C:\\Program Files\\App\\app.ini", ini, kAttrReadOnly | kAttrArchive);
  fs.AddFile("D:\\Data\\noise.bin", noise, kAttrHidden);
  fs.AddFile("C:\\empty.ini", "");

  for (const char* p : {"C:\\Program Files\\App\\app.ini", "D:\\Data\\noise.bin", "C:\\empty.ini"})
    EXPECT_TRUE(archive.BackupFile(p)) << p;
  // Attributes are cleared only while the file is read.
  EXPECT_EQ(fs.At("C:\\Program Files\\App\\app.ini").attributes, kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(fs.At("D:\\Data\\noise.bin").attributes, kAttrHidden);

  const ZipDirectory dir = Directory();
  ASSERT_EQ(dir.entries.size(), 3u);
  EXPECT_FALSE(dir.recovered);
  EXPECT_EQ(dir.entries[0].name, "C:/Program Files/App/app.ini");
  EXPECT_EQ(dir.entries[0].method, 8);  // text shrinks
  EXPECT_EQ(dir.entries[1].name, "D:/Data/noise.bin");
  EXPECT_EQ(dir.entries[1].method, 0);  // random bytes would grow
  EXPECT_EQ(dir.entries[2].method, 0);

  // The run rewrites the first, the second and its folder vanish.
  fs.At("C:\\Program Files\\App\\app.ini").data = "changed";
  fs.Remove("D:\\Data\\noise.bin");
  fs.Remove("D:\\Data");
  fs.At("C:\\empty.ini").data = "x";
  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 3);
  EXPECT_TRUE(r.refusals.empty());
  EXPECT_EQ(fs.At("C:\\Program Files\\App\\app.ini").data, ini);
  EXPECT_EQ(fs.At("C:\\Program Files\\App\\app.ini").attributes, kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(fs.At("D:\\Data\\noise.bin").data, noise);
  EXPECT_EQ(fs.At("D:\\Data\\noise.bin").attributes, kAttrHidden);  // re-created as it was backed up
  EXPECT_EQ(fs.At("C:\\empty.ini").data, "");
}

TEST_F(BackupArchiveTest, NamesAreStoredInTheOemCodePageAndReadBack) {
  fs.AddFile("C:\\Caf\xE9\\men\xFC.ini", "a=1");
  ASSERT_TRUE(archive.BackupFile("C:\\Caf\xE9\\men\xFC.ini"));
  EXPECT_EQ(Names(), std::vector<std::string>{"C:/Caf\x82/men\x81.ini"});
  fs.At("C:\\Caf\xE9\\men\xFC.ini").data = "a=2";
  EXPECT_EQ(RestoreArchive(fs, platform, kZip).restored, 1);
  EXPECT_EQ(fs.At("C:\\Caf\xE9\\men\xFC.ini").data, "a=1");
}

TEST_F(BackupArchiveTest, NameTheOemCodePageCannotHoldStopsBeforeAnyChange) {
  fs.AddFile("C:\\Price \x80.ini", "a=1");
  EXPECT_THROW(archive.BackupFile("C:\\Price \x80.ini"), Error);
  EXPECT_FALSE(fs.Has(kZip));
  fs.AddFile("C:\\Dir\\..\\a.ini", "a=1");
  EXPECT_THROW(archive.BackupFile("C:\\Dir\\..\\a.ini"), Error) << "it could not be restored";
}

TEST_F(BackupArchiveTest, NothingToBackUpCreatesNoArchive) {
  fs.AddFolder("C:\\Folder.ini");
  fs.AddFile("C:\\locked.ini", "a=1", kAttrReadOnly | kAttrHidden);
  fs.beforeRead = [](const std::string& p) { throw Error("Cannot open file " + p); };
  EXPECT_FALSE(archive.BackupFile("C:\\missing.ini"));
  EXPECT_FALSE(archive.BackupFile("C:\\Folder.ini"));
  EXPECT_FALSE(archive.BackupFile("C:\\locked.ini"));
  EXPECT_EQ(fs.At("C:\\locked.ini").attributes, kAttrReadOnly | kAttrHidden) << "put back after the failed read";
  EXPECT_FALSE(fs.Has(kZip));
}

TEST_F(BackupArchiveTest, FirstCopyOfARunWins) {
  fs.AddFile("C:\\a.ini", "before the run");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  fs.At("C:\\a.ini").data = "after pass 1";
  EXPECT_TRUE(archive.BackupFile("C:\\A.INI"));
  EXPECT_EQ(Names().size(), 1u);

  // Also when the archive is picked up again from disk.
  FileBackupArchive again(fs, platform);
  again.SetArchiveName(kZip);
  EXPECT_TRUE(again.BackupFile("C:\\a.ini"));
  EXPECT_EQ(Names().size(), 1u);
  RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(fs.At("C:\\a.ini").data, "before the run");

  // A new run's archive starts empty.
  archive.SetArchiveName("C:\\Ostrivane\\Undo00004.zip");
  EXPECT_TRUE(archive.BackupFile("C:\\a.ini"));
  EXPECT_TRUE(fs.Has("C:\\Ostrivane\\Undo00004.zip"));
}

TEST_F(BackupArchiveTest, ArchiveOnDiskRulesOverTheOneInMemory) {
  fs.AddFile("C:\\a.ini", "a");
  fs.AddFile("C:\\b.ini", "b");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  fs.Remove(kZip);  // deleted while the object still knows it
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  EXPECT_EQ(Names(), std::vector<std::string>{"C:/b.ini"});

  // A file at the archive's name that is no archive is never written over.
  fs.AddFile(kZip, "my own notes");
  EXPECT_THROW(archive.BackupFile("C:\\a.ini"), Error);
  EXPECT_EQ(fs.At(kZip).data, "my own notes");
}

TEST_F(BackupArchiveTest, AFailedAppendLeavesEveryEarlierBackupRestorable) {
  fs.AddFile("C:\\a.ini", "A");
  fs.AddFile("C:\\b.ini", IniText());
  fs.AddFile("C:\\c.ini", "C");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  fs.beforeWrite = [](const std::string&) { throw Error("Disk full"); };
  EXPECT_THROW(archive.BackupFile("C:\\c.ini"), Error);
  fs.beforeWrite = nullptr;
  // The same archive object goes on after the failure.
  ASSERT_TRUE(archive.BackupFile("C:\\c.ini"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"C:/a.ini", "C:/b.ini", "C:/c.ini"}));
}

// A crash part way through an append leaves the start of the new write over
// the old archive. Every such state must restore the earlier backups, and
// the new one only when it is whole.
TEST_F(BackupArchiveTest, TornAppendAtEveryByteStillRestoresEarlierBackups) {
  fs.AddFile("C:\\a.ini", "first file");
  fs.AddFile("C:\\b.ini", IniText());
  fs.AddFile("C:\\c.ini", RandomBytes(300, 2));
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  const std::string two = fs.At(kZip).data;
  const std::uint64_t appendAt = Directory().end;
  ASSERT_TRUE(archive.BackupFile("C:\\c.ini"));
  const std::string three = fs.At(kZip).data;
  const std::string write = three.substr(appendAt);
  const std::size_t entryLength = Directory().end - appendAt;  // the new entry, before its directory

  for (std::size_t k = 0; k <= write.size(); ++k) {
    std::string torn = two;
    torn.replace(appendAt, std::min(write.size(), torn.size() - appendAt), "");
    torn.insert(appendAt, write.substr(0, k));
    if (appendAt + k < two.size()) torn += two.substr(appendAt + k);  // old bytes past the torn write
    FakeFileSystem disk;
    disk.AddFile(kZip, torn);
    disk.AddFile("C:\\a.ini", "x");
    disk.AddFile("C:\\b.ini", "x");
    disk.AddFile("C:\\c.ini", "x");
    const RestoreResult r = RestoreArchive(disk, platform, kZip);
    ASSERT_EQ(r.restored, k >= entryLength ? 3 : 2) << "torn at " << k;
    ASSERT_EQ(disk.At("C:\\a.ini").data, "first file") << "torn at " << k;
    ASSERT_EQ(disk.At("C:\\b.ini").data, IniText()) << "torn at " << k;
    if (r.restored == 2) {
      ASSERT_EQ(disk.At("C:\\c.ini").data, "x") << "torn at " << k;
    }

    if (k == write.size() / 2) {
      // The next run's backups go on after the recovered entries.
      FileBackupArchive later(disk, platform);
      later.SetArchiveName(kZip);
      disk.AddFile("C:\\d.ini", "D");
      ASSERT_TRUE(later.BackupFile("C:\\d.ini"));
      auto f = disk.OpenRandom(kZip, OpenMode::ReadOnly);
      const ZipDirectory dir = ReadZipDirectory(*f);
      EXPECT_FALSE(dir.recovered);
      ASSERT_EQ(dir.entries.size(), 3u);
      EXPECT_EQ(dir.entries[2].name, "C:/d.ini");
    }
  }
}

TEST_F(BackupArchiveTest, DamagedEntryIsRefusedAndTheRestStillRestore) {
  fs.AddFile("C:\\a.ini", IniText());
  fs.AddFile("C:\\b.ini", "b=1");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  const ZipEntry first = Directory().entries[0];
  fs.At(kZip).data[first.offset + 30 + first.name.size() + 5] ^= 0x20;
  fs.At("C:\\a.ini").data = "user's current text";
  fs.At("C:\\b.ini").data = "b=2";

  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 1);
  ASSERT_EQ(r.refusals.size(), 1u);
  EXPECT_NE(r.refusals[0].find("C:\\a.ini was not restored"), std::string::npos) << r.refusals[0];
  EXPECT_EQ(fs.At("C:\\a.ini").data, "user's current text");
  EXPECT_EQ(fs.At("C:\\b.ini").data, "b=1");
}

TEST_F(BackupArchiveTest, EntriesNamedOutsideAFullDrivePathAreRefused) {
  {
    auto file = fs.OpenRandom(kZip, OpenMode::CreateAlways);
    ZipAppender zip{ZipDirectory{}};
    for (const char* name : {"C:/Dir/../Windows/evil.dll", "relative.txt", "/root.txt", "C:/Dir/./x.txt",
                             "C:/Dir//x.txt", "C:/Dir/x.txt:stream", "C:/Dir/good.txt"})
      zip.Append(*file, name, "payload", 0x21, 0, 0);
    zip.Append(*file, "c:/DIR/GOOD.TXT", "a later state", 0x21, 0, 0);  // the first copy is restored
  }
  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(r.refusals.size(), 6u);
  EXPECT_EQ(fs.At("C:\\Dir\\good.txt").data, "payload");
  for (const std::string& p : fs.Paths()) {
    EXPECT_EQ(p.find("evil"), std::string::npos) << p;
    EXPECT_EQ(p.find("x.txt"), std::string::npos) << p;
  }
}

TEST_F(BackupArchiveTest, RestoreGoesOnPastAFileThatCannotBeWritten) {
  fs.AddFile("C:\\a.ini", "a=1", kAttrReadOnly);
  fs.AddFile("C:\\b.ini", "b=1");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  fs.At("C:\\a.ini").data = "a=2";
  fs.At("C:\\b.ini").data = "b=2";
  fs.beforeWrite = [](const std::string& p) {
    if (p == "C:\\a.ini") throw Error("Cannot create file C:\\a.ini");
  };
  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 1);
  ASSERT_EQ(r.refusals.size(), 1u);
  EXPECT_EQ(fs.At("C:\\a.ini").attributes, kAttrReadOnly);
  EXPECT_EQ(fs.At("C:\\b.ini").data, "b=1");
  EXPECT_THROW(RestoreArchive(fs, platform, "C:\\Ostrivane\\Undo00009.zip"), Error);
}

// The archive must be a ZIP other tools read: checked with Python's zipfile
// and with unzip where the machine has them.
TEST_F(BackupArchiveTest, OtherToolsReadTheArchive) {
  const std::string ini = IniText(), noise = RandomBytes(3000, 3);
  fs.AddFile("C:\\App\\app.ini", ini);
  fs.AddFile("D:\\noise.bin", noise);
  ASSERT_TRUE(archive.BackupFile("C:\\App\\app.ini"));
  ASSERT_TRUE(archive.BackupFile("D:\\noise.bin"));
  const std::string path = ::testing::TempDir() + "ostrivane_backup_test.zip";
  std::ofstream(path, std::ios::binary) << fs.At(kZip).data;
  std::ofstream(path + ".ini", std::ios::binary) << ini;

  if (std::system("python3 -c '' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const std::string script =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert z.testzip() is None\n"
      "assert z.namelist() == ['C:/App/app.ini', 'D:/noise.bin'], z.namelist()\n"
      "assert z.read('C:/App/app.ini') == open(sys.argv[2], 'rb').read()\n"
      "assert [i.compress_type for i in z.infolist()] == [8, 0]\n";
  std::ofstream(path + ".py") << script;
  EXPECT_EQ(std::system(("python3 " + path + ".py " + path + " " + path + ".ini").c_str()), 0);
  if (std::system("unzip -v >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("unzip -tq " + path + " >/dev/null").c_str()), 0);
  }
  std::remove((path + ".py").c_str());
  std::remove((path + ".ini").c_str());
  std::remove(path.c_str());
}

}  // namespace
