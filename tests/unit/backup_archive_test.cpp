#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "core/Error.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUndoPlatform.h"
#include "support/LegacyZip.h"
#include "support/WideNames.h"
#include "undo/CivilTime.h"
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

// Paths with names from many scripts, one folder each.
std::vector<std::string> WidePaths() {
  std::vector<std::string> out;
  for (const std::string& n : kScriptNames) out.push_back("D:\\" + n + "\\" + n + ".ini");
  return out;
}
const std::vector<std::string> kWideNames = WidePaths();

// The flags of the local and the central header of every entry, read from
// the bytes on disk.
std::vector<std::pair<std::uint16_t, std::uint16_t>> HeaderFlags(const std::string& zip, const ZipDirectory& dir) {
  auto get16 = [&](std::size_t at) { return std::uint16_t((unsigned char)zip[at] | ((unsigned char)zip[at + 1] << 8)); };
  std::vector<std::pair<std::uint16_t, std::uint16_t>> out;
  std::size_t central = dir.directoryAt;
  for (const ZipEntry& e : dir.entries) {
    out.emplace_back(get16(e.offset + 6), get16(central + 8));
    central += 46 + get16(central + 28) + get16(central + 30) + get16(central + 32);
  }
  return out;
}

TEST_F(BackupArchiveTest, NamesAreStoredInUtf8FlaggedSoInBothHeadersAndRestored) {
  for (const std::string& p : kWideNames) {
    fs.AddFile(p, "before " + p);
    ASSERT_TRUE(archive.BackupFile(p)) << p;
  }
  const ZipDirectory dir = Directory();
  ASSERT_EQ(dir.entries.size(), kWideNames.size());
  for (std::size_t i = 0; i < kWideNames.size(); ++i) {
    std::string stored = kWideNames[i];
    std::replace(stored.begin(), stored.end(), '\\', '/');
    EXPECT_EQ(dir.entries[i].name, stored);
    EXPECT_TRUE(dir.entries[i].utf8Name);
  }
  for (const auto& [local, central] : HeaderFlags(fs.At(kZip).data, dir)) {
    EXPECT_EQ(local & 0x800, 0x800);
    EXPECT_EQ(central & 0x800, 0x800);
  }
  // Picked up again from disk, the names still count as already saved.
  FileBackupArchive again(fs, platform);
  again.SetArchiveName(kZip);
  for (const std::string& p : kWideNames) {
    fs.At(p).data = "after";
    EXPECT_TRUE(again.BackupFile(p));
  }
  EXPECT_EQ(Directory().entries.size(), kWideNames.size());

  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, int(kWideNames.size()));
  EXPECT_TRUE(r.refusals.empty());
  for (const std::string& p : kWideNames) EXPECT_EQ(fs.At(p).data, "before " + p);

  // What a restore must never reach is still refused at the backup.
  fs.AddFile("C:\\Dir\\..\\a.ini", "a=1");
  EXPECT_THROW(archive.BackupFile("C:\\Dir\\..\\a.ini"), Error) << "it could not be restored";
}

TEST_F(BackupArchiveTest, ArchiveOfAnEarlierBuildWithOemNamesStillRestores) {
  // "Café\menü.ini" and "Ñandú.ini" in code page 437; a ".." name stays refused.
  fs.AddFile(kZip, ArchiveWithOemNames({{"C:/Caf\x82/men\x81.ini", "a=1"},
                               {"D:/\xA5" "and\xA3" ".ini", "n=1"},
                               {"C:/Dir/../evil.ini", "x"}}));
  const ZipDirectory dir = Directory();
  ASSERT_EQ(dir.entries.size(), 3u);
  EXPECT_FALSE(dir.recovered);
  EXPECT_FALSE(dir.entries[0].utf8Name);
  EXPECT_EQ(EntryNameText(dir.entries[0], platform.OemCodePage()), "C:/Café/menü.ini");

  fs.AddFile("C:\\Café\\menü.ini", "a=2");
  // The same run goes on appending: the old name is known, new ones go in flagged.
  fs.AddFile("C:\\数据.ini", "z=1");
  EXPECT_TRUE(archive.BackupFile("c:\\café\\menü.INI"));
  EXPECT_TRUE(archive.BackupFile("C:\\Café\\menü.ini"));
  EXPECT_TRUE(archive.BackupFile("C:\\数据.ini"));
  const ZipDirectory mixed = Directory();
  ASSERT_EQ(mixed.entries.size(), 4u) << "only the new name is added";
  const auto flags = HeaderFlags(fs.At(kZip).data, mixed);
  EXPECT_EQ(flags[0], std::make_pair(std::uint16_t(0), std::uint16_t(0))) << "old entries keep their form";
  EXPECT_EQ(flags[3].first & flags[3].second & 0x800, 0x800);

  fs.At("C:\\数据.ini").data = "z=2";
  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 3);
  ASSERT_EQ(r.refusals.size(), 1u);
  EXPECT_NE(r.refusals[0].find("evil"), std::string::npos);
  EXPECT_EQ(fs.At("C:\\Café\\menü.ini").data, "a=1");
  EXPECT_EQ(fs.At("D:\\Ñandú.ini").data, "n=1");
  EXPECT_EQ(fs.At("C:\\数据.ini").data, "z=1");
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

// One file, whatever case its name is spelled in, also beyond A-Z.
TEST_F(BackupArchiveTest, FirstCopyWinsAcrossTheCaseOfAnyLetter) {
  fs.AddFile("C:\\Дом\\д.ini", "before the run");
  ASSERT_TRUE(archive.BackupFile("C:\\Дом\\д.ini"));
  fs.At("C:\\Дом\\д.ini").data = "after pass 1";
  EXPECT_TRUE(archive.BackupFile("C:\\дОМ\\Д.INI"));
  EXPECT_EQ(Names().size(), 1u);
  FileBackupArchive again(fs, platform);
  again.SetArchiveName(kZip);
  EXPECT_TRUE(again.BackupFile("C:\\ДОМ\\Д.ini"));
  EXPECT_EQ(Names().size(), 1u);
  RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(fs.At("C:\\Дом\\д.ini").data, "before the run");
}

TEST_F(BackupArchiveTest, ArchiveOnDiskRulesOverTheOneInMemory) {
  fs.AddFile("C:\\a.ini", "a");
  fs.AddFile("C:\\b.ini", "b");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  fs.Remove(kZip);  // deleted during the run: a fresh archive would hide the lost backup
  try {
    archive.BackupFile("C:\\b.ini");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(kZip + " has disappeared"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs.LookUp(kZip));
  archive.SetArchiveName(kZip);  // the next run starts its own

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

// An archive file in memory that records every change made to it, so that
// a test can rebuild the file as a crash after any part of them left it.
class RecordingFile : public RandomFile {
 public:
  struct Change {
    bool truncate = false;
    std::uint64_t at = 0;
    std::string data;  // written at `at`
  };
  std::string bytes;
  std::vector<Change> changes;
  bool unflushed = false;
  bool changedBeforeFlush = false;  // a change started while the one before was not yet durable

  std::uint64_t Size() override { return bytes.size(); }
  void ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
    if (offset + size > bytes.size()) throw Error("Read error");
    std::copy_n(bytes.data() + offset, size, static_cast<char*>(data));
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    Record({false, offset, std::string(static_cast<const char*>(data), size)});
  }
  void Truncate(std::uint64_t size) override { Record({true, size, ""}); }
  void Flush() override { unflushed = false; }

  // The file after the first `done` changes and `part` bytes of the next
  // one (a truncation is all or nothing); the file system fills with zeros.
  static void Apply(std::string& file, const Change& c, std::size_t part) {
    if (c.truncate) {
      if (part) file.resize(c.at);
      return;
    }
    if (file.size() < c.at + part) file.resize(c.at + part, '\0');
    file.replace(c.at, part, c.data, 0, part);
  }

 private:
  void Record(Change c) {
    if (unflushed) changedBeforeFlush = true;
    Apply(bytes, c, c.truncate ? 1 : c.data.size());
    changes.push_back(std::move(c));
    unflushed = true;
  }
};

// A crash at any moment of an append, be it into the free space before the
// directory or one that moves the directory: every entry appended before is
// read back intact, the new one only whole, nothing is reported damaged, and
// the next append goes on from there to a sound directory.
TEST(ZipAppenderTest, CrashAtEveryByteOfEveryAppendKeepsEveryEarlierEntry) {
  const std::vector<std::string> contents = {RandomBytes(400, 4), "a=1", "b=2", IniText(), RandomBytes(900, 5),
                                             "c=3", "d=4", RandomBytes(60, 6)};
  auto nameOf = [](std::size_t i) { return "C:/Dir/file" + std::to_string(i) + ".ini"; };
  RecordingFile file;
  ZipAppender zip{ZipDirectory{}};
  int moves = 0, intoFreeSpace = 0;
  for (std::size_t n = 0; n < contents.size(); ++n) {
    const std::string before = file.bytes;
    const std::uint64_t directoryBefore = n ? ReadZipDirectory(file).directoryAt : 0;
    file.changes.clear();
    zip.Append(file, nameOf(n), contents[n], 0x21, 0, 0);
    ASSERT_FALSE(file.unflushed || file.changedBeforeFlush) << "every change durable before the next";
    const ZipDirectory after = ReadZipDirectory(file);
    ASSERT_FALSE(after.recovered);
    ASSERT_EQ(after.entries.size(), n + 1);
    (n && after.directoryAt == directoryBefore ? intoFreeSpace : moves)++;
    // Zeros, where the local-header scan stops: nothing stale is left there.
    ASSERT_EQ(file.bytes.substr(after.end, after.directoryAt - after.end),
              std::string(after.directoryAt - after.end, '\0'));

    for (std::size_t c = 0; c < file.changes.size(); ++c) {
      const RecordingFile::Change& change = file.changes[c];
      for (std::size_t part = 0; part <= (change.truncate ? 1 : change.data.size()); ++part) {
        RecordingFile crashed;
        crashed.bytes = before;
        for (std::size_t d = 0; d < c; ++d)
          RecordingFile::Apply(crashed.bytes, file.changes[d], file.changes[d].truncate ? 1 : file.changes[d].data.size());
        RecordingFile::Apply(crashed.bytes, change, part);
        const std::string where = "append " + std::to_string(n) + ", change " + std::to_string(c) + ", byte " + std::to_string(part);

        ZipDirectory dir = ReadZipDirectory(crashed);
        ASSERT_TRUE(dir.damaged.empty()) << where;
        ASSERT_TRUE(dir.entries.size() == n || dir.entries.size() == n + 1) << where;
        for (std::size_t i = 0; i < dir.entries.size(); ++i) {
          ASSERT_EQ(dir.entries[i].name, nameOf(i)) << where;
          ASSERT_EQ(ExtractZipEntry(crashed, dir.entries[i]), contents[i]) << where;
        }
        const std::size_t kept = dir.entries.size();
        ZipAppender later(std::move(dir));
        later.Append(crashed, "C:/Dir/later.ini", "later", 0x21, 0, 0);
        const ZipDirectory resumed = ReadZipDirectory(crashed);
        ASSERT_FALSE(resumed.recovered) << where;
        ASSERT_EQ(resumed.entries.size(), kept + 1) << where;
        ASSERT_EQ(ExtractZipEntry(crashed, resumed.entries.back()), "later") << where;
        ASSERT_EQ(crashed.bytes.size(), later.ExpectedSize()) << where;
      }
    }
  }
  EXPECT_GE(moves, 2);
  EXPECT_GE(intoFreeSpace, 3);
}

// What an append writes does not grow with the entries already there: the
// directory is copied only when it moves, and then to a place that leaves
// room for as many bytes of entries again as it already follows.
// A directory whose records carry extra fields or comments (another tool
// rewrote it) is longer than the one the appender would write: the next
// append must not place its record after a directory it only assumed.
TEST(ZipAppenderTest, AppendAfterADirectoryWithExtraFieldsKeepsItSound) {
  RecordingFile file;
  ZipAppender first{ZipDirectory{}};
  const std::vector<std::string> contents = {IniText(), "b=2", "c=3"};
  first.Append(file, "C:/Dir/a.ini", contents[0], 0x21, 0, 0);
  first.Append(file, "C:/Dir/b.ini", contents[1], 0x21, 0, 0);
  const ZipDirectory before = ReadZipDirectory(file);
  ASSERT_FALSE(before.recovered);
  ASSERT_GT(before.directoryAt, before.end);  // free space, so the append would go there

  // The same two records, the first with an extra field, the second with a comment.
  std::string table = file.bytes.substr(before.directoryAt, before.directorySize);
  const std::size_t second = table.find("PK\x01\x02", 4);
  ASSERT_NE(second, std::string::npos);
  table.insert(second, std::string("\x34\x12\x04\x00wxyz", 8));  // id 0x1234, 4 bytes
  table[30] = 8;
  table += "note";
  table[second + 8 + 32] = 4;
  std::string end = file.bytes.substr(before.directoryAt + before.directorySize);
  ASSERT_EQ(end.size(), 22u);
  end[12] = char(table.size());
  end[13] = char(table.size() >> 8);
  file.bytes = file.bytes.substr(0, before.directoryAt) + table + end;
  ZipDirectory rewritten = ReadZipDirectory(file);
  ASSERT_FALSE(rewritten.recovered);
  ASSERT_EQ(rewritten.entries.size(), 2u);

  ZipAppender later(std::move(rewritten));
  later.Append(file, "C:/Dir/c.ini", contents[2], 0x21, 0, 0);
  EXPECT_EQ(file.bytes.size(), later.ExpectedSize());
  const ZipDirectory after = ReadZipDirectory(file);
  EXPECT_FALSE(after.recovered);
  ASSERT_EQ(after.entries.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(ExtractZipEntry(file, after.entries[k]), contents[k]) << k;
}

// A damaged archive whose entry's own header places its data inside the
// directory (found by fuzzing): an append goes after it, not over it.
TEST(ZipAppenderTest, AnEntryWhoseDataRunsIntoTheDirectoryIsNotWrittenOver) {
  RecordingFile file;
  file.bytes = std::string(
      "\x50\x4b\x03\x04\x14\x00\x00\x00\x00\x00\xc0\x63\xb1\x58\x83\x16\xdc\x8c\x01\x00\x00\x00\x01\x00"
      "\x00\x00\x30\x00\x00\x00\x78\x78\x50\x4b\x01\x02\x14\x00\x14\x00\x00\x00\x00\x00\xc0\x63\xb1\x58"
      "\x83\x16\xdc\x8c\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x20\x00"
      "\x00\x00\x00\x00\x00\x00\x78\x50\x4b\x05\x06\x00\x00\x00\x00\x01\x00\x01\x00\x2f\x00\x00\x00\x20"
      "\x00\x00\x00\x09\x00\x61\x20\x63\x6f\x6d\x6d\x65\x6e\x74",
      110);
  ZipDirectory dir = ReadZipDirectory(file);
  ASSERT_EQ(dir.entries.size(), 1u);
  ASSERT_EQ(ExtractZipEntry(file, dir.entries[0]), "x");
  ZipAppender appender(std::move(dir));
  appender.Append(file, "added.txt", "more", 0x21, 0, 0);
  const ZipDirectory after = ReadZipDirectory(file);
  EXPECT_FALSE(after.recovered);
  ASSERT_EQ(after.entries.size(), 2u);
  EXPECT_EQ(ExtractZipEntry(file, after.entries[0]), "x");
  EXPECT_EQ(ExtractZipEntry(file, after.entries[1]), "more");
}

TEST(ZipAppenderTest, WritingGrowsWithTheArchiveNotWithItsSquare) {
  RecordingFile file;
  ZipAppender zip{ZipDirectory{}};
  std::uint64_t written = 0;
  int moves = 0;
  for (int i = 0; i < 1000; ++i) {
    file.changes.clear();
    zip.Append(file, "C:/Settings/app" + std::to_string(i) + ".ini", RandomBytes(200 + i % 100, i), 0x21, 0, 0);
    for (const auto& c : file.changes) {
      written += c.data.size();
      moves += c.truncate;
    }
  }
  const ZipDirectory dir = ReadZipDirectory(file);
  ASSERT_EQ(dir.entries.size(), 1000u);
  const std::uint64_t directorySize = file.bytes.size() - dir.directoryAt;
  // One record and end record per append, the directory copied at growing
  // intervals: a few times its size. Rewriting it at each append: 35 MB.
  EXPECT_LT(written, dir.end + 6 * directorySize);
  EXPECT_LT(moves, 20);
  EXPECT_LE(dir.directoryAt - dir.end, dir.end / 2) << "free space stays in proportion";
}

TEST_F(BackupArchiveTest, DamagedEntryIsRefusedAndTheRestStillRestore) {
  fs.AddFile("C:\\a.ini", IniText());
  fs.AddFile("C:\\b.ini", "b=1");
  ASSERT_TRUE(archive.BackupFile("C:\\a.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\b.ini"));
  const ZipEntry first = Directory().entries[0];
  std::string& bytes = fs.At(kZip).data;
  const std::size_t extraSize = static_cast<unsigned char>(bytes[first.offset + 28]);
  bytes[first.offset + 30 + first.name.size() + extraSize + 5] ^= 0x20;
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
                             "C:/Dir//x.txt", "C:/Dir/x.txt:stream", "C:/Dir/x.txt\xFF", "C:/Dir/good.txt"})
      zip.Append(*file, name, "payload", 0x21, 0, 0);
    zip.Append(*file, "c:/DIR/GOOD.TXT", "a later state", 0x21, 0, 0);  // the first copy is restored
  }
  const RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(r.refusals.size(), 7u);
  EXPECT_EQ(fs.At("C:\\Dir\\good.txt").data, "payload");
  for (const std::string& p : fs.Paths()) {
    EXPECT_EQ(p.find("evil"), std::string::npos) << p;
    EXPECT_EQ(p.find("x.txt"), std::string::npos) << p;
  }
}

// A restored file is the file as it was, its last write included: exact from
// the NTFS field of this build's archives, from the local MS-DOS time (two-
// second steps) in archives without it, also where the directory is lost.
TEST_F(BackupArchiveTest, RestoredFilesGetTheirLastWriteTimeBack) {
  const FileTicks saved = TicksOf({2024, 7, 3, 14, 25, 37, 123}) + 4567;  // odd second, below a millisecond
  fs.now = saved;
  fs.AddFile("C:\\App\\ro.ini", "r=1", kAttrReadOnly);
  fs.AddFile("C:\\App\\gone.ini", "g=1");
  ASSERT_TRUE(archive.BackupFile("C:\\App\\ro.ini"));
  ASSERT_TRUE(archive.BackupFile("C:\\App\\gone.ini"));
  EXPECT_EQ(Directory().entries.at(0).lastWrite, saved);

  fs.now = saved + 100 * kTicksPerDay;
  fs.At("C:\\App\\ro.ini").data = "r=2";
  fs.At("C:\\App\\ro.ini").lastWrite = fs.now;
  fs.Remove("C:\\App\\gone.ini");
  RestoreResult r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 2);
  EXPECT_TRUE(r.refusals.empty());
  EXPECT_EQ(r.written, (std::vector<std::string>{"C:\\App\\ro.ini", "C:\\App\\gone.ini"}));
  EXPECT_EQ(fs.At("C:\\App\\ro.ini").lastWrite, saved);
  EXPECT_EQ(fs.At("C:\\App\\ro.ini").attributes, kAttrReadOnly);
  EXPECT_EQ(fs.At("C:\\App\\gone.ini").lastWrite, saved);

  // Without a directory the local headers still carry the exact time.
  std::string& bytes = fs.At(kZip).data;
  bytes.resize(Directory().end);
  const ZipDirectory scanned = Directory();
  ASSERT_TRUE(scanned.recovered);
  ASSERT_EQ(scanned.entries.size(), 2u);
  EXPECT_EQ(scanned.entries[1].lastWrite, saved);

  // An archive of an earlier build: the MS-DOS time is local time.
  fs.Remove(kZip);
  {
    auto file = fs.OpenRandom(kZip, OpenMode::CreateAlways);
    ZipAppender zip{ZipDirectory{}};
    const DosDateTime dos = DosOf(platform.ToLocal(saved));
    zip.Append(*file, "C:/App/gone.ini", "g=1", dos.date, dos.time, 0);
  }
  EXPECT_FALSE(Directory().entries.at(0).lastWrite);
  fs.At("C:\\App\\gone.ini").lastWrite = fs.now;
  r = RestoreArchive(fs, platform, kZip);
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(fs.At("C:\\App\\gone.ini").lastWrite, TicksOf({2024, 7, 3, 14, 25, 36}));
}

// Many files are written back a group at a time, each group's flushes side
// by side: every file is restored with its time and attributes, in the
// archive's order; one that cannot be written is named alone.
TEST_F(BackupArchiveTest, ManyFilesAreWrittenBackInBoundedGroups) {
  struct GroupCounting : FakeFileSystem {
    std::vector<std::size_t> groups;
    std::vector<std::string> ReplaceEach(const std::vector<Replacement>& files) override {
      groups.push_back(files.size());
      return FakeFileSystem::ReplaceEach(files);
    }
  } disk;
  disk.AddFolder("C:\\Ostrivane");
  FileBackupArchive backups{disk, platform};
  backups.SetArchiveName(kZip);
  const FileTicks saved = TicksOf({2025, 1, 2, 3, 4, 6});
  disk.now = saved;
  std::vector<std::string> paths;
  for (int i = 0; i < 70; ++i) {
    paths.push_back("C:\\App\\s" + std::to_string(i) + ".ini");
    disk.AddFile(paths.back(), "v=" + std::to_string(i), i == 5 ? kAttrReadOnly : kAttrArchive);
    ASSERT_TRUE(backups.BackupFile(paths.back()));
    disk.At(paths.back()).data = "changed";
  }
  disk.Remove(paths[9]);
  disk.now = saved + kTicksPerDay;
  disk.beforeWrite = [&](const std::string& p) {
    if (p == paths[40]) throw Error("Cannot write " + p + ": it is locked");
  };
  const RestoreResult r = RestoreArchive(disk, platform, kZip);
  EXPECT_EQ(disk.groups, (std::vector<std::size_t>{32, 32, 6}));
  EXPECT_EQ(r.restored, 69);
  ASSERT_EQ(r.refusals.size(), 1u);
  EXPECT_EQ(r.refusals[0], paths[40] + " was not restored: Cannot write " + paths[40] + ": it is locked.");
  std::vector<std::string> written = paths;
  written.erase(written.begin() + 40);
  EXPECT_EQ(r.written, written);
  for (int i = 0; i < 70; ++i) {
    if (i == 40) continue;
    EXPECT_EQ(disk.At(paths[i]).data, "v=" + std::to_string(i)) << i;
    EXPECT_EQ(disk.At(paths[i]).lastWrite, saved) << i;
  }
  EXPECT_EQ(disk.At(paths[5]).attributes, kAttrReadOnly);
  EXPECT_EQ(disk.At(paths[40]).data, "changed");
}

TEST(DosTime, LocalTimeRoundTripsInTwoSecondSteps) {
  for (const CivilTime t : {CivilTime{1980, 1, 1}, CivilTime{2000, 2, 29, 23, 59, 58}, CivilTime{2107, 12, 31, 0, 0, 2}})
    EXPECT_EQ(LocalOfDos(DosOf(TicksOf(t))), TicksOf(t)) << t.year;
  EXPECT_EQ(LocalOfDos(DosOf(TicksOf({2031, 5, 6, 7, 8, 9, 999}))), TicksOf({2031, 5, 6, 7, 8, 8}));
  // Fields no date can hold (some tools write zero for "no time") stay within their day.
  EXPECT_EQ(LocalOfDos({0x0020, 0}), TicksOf({1980, 1, 1}));
  EXPECT_EQ(LocalOfDos({0x0021, 0xFFFF}), TicksOf({1980, 1, 1, 23, 59, 59}));
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

// The archive must be a ZIP other tools read, also with free space between
// its entries and its directory and with names from many scripts: checked
// with Python's zipfile and with unzip (which fails its test on "extra
// bytes" and lists the names with -Z1) where the machine has them.
TEST_F(BackupArchiveTest, OtherToolsReadTheArchiveAndItsNames) {
  const std::string ini = IniText(), noise = RandomBytes(3000, 3);
  fs.AddFile("C:\\App\\app.ini", ini);
  fs.AddFile("D:\\noise.bin", noise);
  std::vector<std::string> paths = {"C:\\App\\app.ini", "D:\\noise.bin", "C:\\a.ini"};
  for (const std::string& p : kWideNames) {
    fs.AddFile(p, p);
    paths.push_back(p);
  }
  // Named for this process: builds in other folders may run the same test at once.
  const std::string path = ::testing::TempDir() + "ostrivane_backup_test_" + std::to_string(getpid()) + ".zip";
  std::ofstream(path + ".ini", std::ios::binary) << ini;
  fs.AddFile("C:\\a.ini", "a=1");
  if (std::system("python3 -c '' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  // The expected names go through a UTF-8 file, not the command line, so
  // the locale plays no part.
  const std::string script =
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert z.testzip() is None\n"
      "want = open(sys.argv[3], encoding='utf-8').read().splitlines()\n"
      "assert z.namelist() == want, z.namelist()\n"
      "assert all(i.flag_bits & 0x800 for i in z.infolist())\n"
      "assert z.read('C:/App/app.ini') == open(sys.argv[2], 'rb').read()\n"
      "assert [i.compress_type for i in z.infolist()][:2] == [8, 0]\n";
  std::ofstream(path + ".py") << script;
  const bool haveUnzip = std::system("unzip -v >/dev/null 2>&1") == 0;
  auto slurp = [](const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  std::string names;
  bool sawFreeSpace = false;
  for (const std::string& p : paths) {
    ASSERT_TRUE(archive.BackupFile(p)) << p;
    std::string name = p;
    std::replace(name.begin(), name.end(), '\\', '/');
    names += name + "\n";
    if (names.find("noise") == std::string::npos) continue;
    const ZipDirectory dir = Directory();
    sawFreeSpace |= dir.directoryAt > dir.end;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << fs.At(kZip).data;
    std::ofstream(path + ".names", std::ios::binary | std::ios::trunc) << names;
    EXPECT_EQ(std::system(("python3 " + path + ".py " + path + " " + path + ".ini " + path + ".names").c_str()), 0)
        << names;
    if (haveUnzip) {
      EXPECT_EQ(std::system(("unzip -tq " + path + " >/dev/null").c_str()), 0) << names;
      ASSERT_EQ(std::system(("LC_ALL=C.UTF-8 unzip -Z1 " + path + " >" + path + ".listed").c_str()), 0);
      EXPECT_EQ(slurp(path + ".listed"), names);
    }
  }
  EXPECT_TRUE(sawFreeSpace);
  for (const char* extra : {".py", ".ini", ".names", ".listed", ""}) std::remove((path + extra).c_str());
}

}  // namespace

// Five backups, then the archive damaged in the ways a disk or a hand does:
// every entry still whole comes back, every other one it shows is named.
TEST_F(BackupArchiveTest, DamagedOrCutArchiveRestoresEveryWholeEntryAndNamesTheRest) {
  const std::vector<std::string> paths = {"C:\\1.ini", "C:\\2.ini", "C:\\3.ini", "C:\\4.ini", "C:\\5.ini"};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    fs.AddFile(paths[i], i == 2 ? IniText() : RandomBytes(60 + i * 20, unsigned(i)));
    ASSERT_TRUE(archive.BackupFile(paths[i]));
  }
  const std::string whole = fs.At(kZip).data;
  const ZipDirectory dir = Directory();
  std::vector<std::uint64_t> nameEnd, dataEnd;
  for (const ZipEntry& e : dir.entries) {
    const std::size_t extra = static_cast<unsigned char>(whole[e.offset + 28]);
    nameEnd.push_back(e.offset + 30 + e.name.size());
    dataEnd.push_back(nameEnd.back() + extra + e.packedSize);
  }
  std::vector<std::string> saved;
  for (const std::string& p : paths) saved.push_back(fs.At(p).data);
  // How many came back, how many were named, and that each that came back is right.
  const auto restore = [&](const std::string& bytes) {
    fs.At(kZip).data = bytes;
    for (const std::string& p : paths) fs.At(p).data = "changed";
    const RestoreResult r = RestoreArchive(fs, platform, kZip);
    for (const std::string& p : r.written) {
      const std::size_t i = std::find(paths.begin(), paths.end(), p) - paths.begin();
      EXPECT_EQ(fs.At(p).data, saved.at(i)) << p;
    }
    return std::pair<int, std::size_t>(r.restored, r.refusals.size());
  };
  auto put32 = [](std::string& s, std::uint64_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) s[at + k] = char(v >> (8 * k));
  };

  std::string badCentralSize = whole;  // the directory's size of the second entry
  const std::size_t second = whole.find("PK\x01\x02", dir.directoryAt + 1);
  put32(badCentralSize, whole.find("PK\x01\x02", dir.directoryAt) + 20, 5);
  EXPECT_EQ(restore(badCentralSize), std::make_pair(5, std::size_t(0)));
  std::string badRecord = whole;  // the directory broken from its second record on
  badRecord[second] = 'X';
  EXPECT_EQ(restore(badRecord), std::make_pair(5, std::size_t(0)));
  std::string noDirectoryBadLocal = whole.substr(0, dir.end);  // the scan must find entries 3 to 5 past entry 2
  put32(noDirectoryBadLocal, dir.entries[1].offset + 18, 0x7FFFFFF);
  EXPECT_EQ(restore(noDirectoryBadLocal), std::make_pair(4, std::size_t(1)));

  for (std::uint64_t cut = 0; cut <= dir.end; cut += 7) {
    int wholeBefore = 0;
    std::size_t named = 0;
    for (std::size_t i = 0; i < dataEnd.size(); ++i) {
      wholeBefore += dataEnd[i] <= cut;
      named += nameEnd[i] <= cut && cut < dataEnd[i];
    }
    EXPECT_EQ(restore(whole.substr(0, cut)), std::make_pair(wholeBefore, named)) << "cut at " << cut;
  }
  fs.At(kZip).data = "not an archive at all";
  EXPECT_THROW(RestoreArchive(fs, platform, kZip), Error);
}
