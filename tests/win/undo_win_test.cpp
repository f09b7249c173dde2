// The backup archive and the undo store on a real disk, with the system's
// code pages, time zone and date formats.
#include <gtest/gtest.h>

#include <vector>

#include "core/Error.h"
#include "core/Text.h"
#include "core/win32/Win32FileSystem.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
#include "core/win32/Win32CodePage.h"
#include "support/LegacyZip.h"
#include "support/UndoNames.h"
#include "support/WideNames.h"
#include "undo/CivilTime.h"
#include "undo/FileBackupArchive.h"
#include "undo/UndoStore.h"
#include "undo/ZipArchive.h"
#include "undo/win32/Win32UndoPlatform.h"

namespace {

// Lets `writesLeft` writes through, then writes only the first 20 bytes of
// the next one and fails: what a crash in the middle of an append leaves.
class TearingFileSystem : public Win32FileSystem {
 public:
  int writesLeft = -1;  // -1: never tear
  std::unique_ptr<RandomFile> OpenRandom(const std::string& path, OpenMode mode) override {
    return std::make_unique<Tearing>(Win32FileSystem::OpenRandom(path, mode), writesLeft);
  }

 private:
  class Tearing : public RandomFile {
   public:
    Tearing(std::unique_ptr<RandomFile> f, int& left) : f_(std::move(f)), left_(left) {}
    std::uint64_t Size() override { return f_->Size(); }
    void ReadAt(std::uint64_t o, void* d, std::size_t n) override { f_->ReadAt(o, d, n); }
    void WriteAt(std::uint64_t o, const void* d, std::size_t n) override {
      if (left_ >= 0 && left_-- == 0) {
        f_->WriteAt(o, d, std::min<std::size_t>(n, 20));
        f_->Flush();
        throw Error("Simulated crash");
      }
      f_->WriteAt(o, d, n);
    }
    void Truncate(std::uint64_t n) override { f_->Truncate(n); }
    void Flush() override { f_->Flush(); }

   private:
    std::unique_ptr<RandomFile> f_;
    int& left_;
  };
};

class UndoWinTest : public ::testing::Test {
 protected:
  UndoWinTest()
      : root("C:\\ostrivane-test-undo-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(GetCurrentProcessId()) + "\\"),
        program(root + "Program\\") {
    EXPECT_TRUE(fs.MakeFolders(program));
  }
  ~UndoWinTest() override { RemoveAll(root); }

  void Write(const std::string& path, const std::string& data) {
    fs.MakeFolders(RemoveSlash(SplitItemPath(path).folder));
    fs.ReplaceWhole(path, data);
  }
  void RemoveAll(const std::string& folder) {
    for (const DirEntry& e : fs.ListFolder(folder + "*")) {
      if (e.name == "." || e.name == "..") continue;
      if (e.IsFolder()) {
        RemoveAll(folder + e.name + "\\");
      } else {
        fs.SetAttributesOf(folder + e.name, 0);
        fs.Remove(folder + e.name);
      }
    }
    fs.Remove(RemoveSlash(folder));
  }
  std::string Read(const std::string& path) { return fs.ReadWhole(path); }

  TearingFileSystem fs;
  Win32UndoPlatform platform;
  const std::string root;
  const std::string program;
};

std::string Binary(std::size_t n) {
  std::string s(n, '\0');
  unsigned x = 12345;
  for (char& c : s) c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  return s;
}

TEST_F(UndoWinTest, BackupAndRestoreRoundTripOnDisk) {
  const std::string ini = root + "App Data\\app.ini", bin = root + "Deep\\Er\\data.bin", hidden = root + "h.ini";
  std::string text;
  for (int i = 0; i < 300; ++i) text += "Path=" + root + "App Data\\x" + std::to_string(i) + "\r\n";
  Write(ini, text);
  Write(bin, Binary(70000));
  Write(hidden, "");
  const FileTicks binWritten = 132'591'708'678'912'345;  // odd second, below the millisecond
  ASSERT_TRUE(fs.SetLastWriteOf(bin, binWritten));
  ASSERT_TRUE(fs.SetAttributesOf(ini, kAttrReadOnly | kAttrArchive));
  ASSERT_TRUE(fs.SetAttributesOf(bin, kAttrHidden | kAttrSystem));
  ASSERT_TRUE(fs.SetLastWriteOf(ini, binWritten + kTicksPerSecond)) << "a read-only file takes a new time too";
  const std::uint32_t binAttributes = *fs.AttributesOf(bin);  // the system may add the archive bit

  FileBackupArchive archive(fs, platform);
  archive.SetArchiveName(program + "Undo00000.zip");
  EXPECT_FALSE(archive.BackupFile(root + "missing.ini"));
  EXPECT_FALSE(fs.FileExists(program + "Undo00000.zip"));
  for (const std::string& p : {ini, bin, hidden}) EXPECT_TRUE(archive.BackupFile(p)) << p;
  EXPECT_EQ(fs.AttributesOf(ini), kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(fs.AttributesOf(bin), binAttributes);

  // The entry's time is the system's own local MS-DOS form of the last write.
  auto zip = fs.OpenRandom(program + "Undo00000.zip", OpenMode::ReadOnly);
  const ZipDirectory dir = ReadZipDirectory(*zip);
  zip.reset();
  ASSERT_EQ(dir.entries.size(), 3u);
  const FileTicks written = *fs.LastWriteOf(ini);
  FILETIME ft{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)}, local;
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&ft, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  EXPECT_EQ(dir.entries[0].dosDate, date);
  EXPECT_EQ(dir.entries[0].dosTime, time);
  std::string stored = ini;
  for (char& c : stored) c = c == '\\' ? '/' : c;
  EXPECT_EQ(dir.entries[0].name, stored);  // plain ASCII: the same in every code page

  fs.SetAttributesOf(ini, 0);
  fs.ReplaceWhole(ini, "rewritten");
  fs.SetAttributesOf(ini, kAttrReadOnly | kAttrArchive);
  RemoveAll(root + "Deep\\");
  Write(hidden, "x");
  const RestoreResult r = RestoreArchive(fs, platform, program + "Undo00000.zip");
  EXPECT_EQ(r.restored, 3);
  EXPECT_TRUE(r.refusals.empty());
  EXPECT_EQ(Read(ini), text);
  EXPECT_EQ(fs.AttributesOf(ini), kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(fs.LastWriteOf(ini), written);
  EXPECT_EQ(fs.LastWriteOf(bin), binWritten);
  EXPECT_EQ(Read(bin), Binary(70000));
  EXPECT_EQ(fs.AttributesOf(bin), binAttributes);  // re-created with the attributes it had
  EXPECT_EQ(Read(hidden), "");
}

// Every name a path can have is backed up under its UTF-8 name, flagged so,
// and restored to the very same place, also past MAX_PATH.
TEST_F(UndoWinTest, NamesOfEveryScriptAndDeepPathsBackUpAndRestore) {
  std::vector<std::string> paths;
  for (const std::string& n : kScriptNames) paths.push_back(root + n + "\\" + n + ".ini");
  std::string deep = root + "Deep " + kScriptNames[0];
  while (deep.size() < 280) deep += "\\A folder name of some length";
  paths.push_back(deep + "\\Bjørn.ini");
  for (const std::string& p : paths) Write(p, "before " + p);

  FileBackupArchive archive(fs, platform);
  archive.SetArchiveName(program + "Undo00001.zip");
  for (const std::string& p : paths) ASSERT_TRUE(archive.BackupFile(p)) << p;
  auto zip = fs.OpenRandom(program + "Undo00001.zip", OpenMode::ReadOnly);
  const ZipDirectory dir = ReadZipDirectory(*zip);
  zip.reset();
  ASSERT_EQ(dir.entries.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::string stored = paths[i];
    for (char& c : stored) c = c == '\\' ? '/' : c;
    EXPECT_EQ(dir.entries[i].name, stored);
    EXPECT_TRUE(dir.entries[i].utf8Name);
  }

  for (const std::string& p : paths) fs.ReplaceWhole(p, "after");
  RemoveAll(root + kScriptNames[0] + "\\");  // a folder gone is made again
  const RestoreResult r = RestoreArchive(fs, platform, program + "Undo00001.zip");
  EXPECT_EQ(r.restored, int(paths.size()));
  EXPECT_TRUE(r.refusals.empty()) << r.refusals.front();
  for (const std::string& p : paths) EXPECT_EQ(Read(p), "before " + p);
}

// An archive of an earlier build holds names in the system's OEM code page
// without the UTF-8 flag: they are restored to their places all the same.
TEST_F(UndoWinTest, ArchiveOfAnEarlierBuildRestoresThroughTheOemCodePage) {
  const std::string path = root + "Café\\réglage.ini";
  Write(path, "a=2");
  const auto oemName = Win32CodePage(Win32CodePage::Which::Oem).FromUtf8(path);
  ASSERT_TRUE(oemName) << "é is in every OEM code page of the West";
  std::string name = *oemName;
  for (char& c : name) c = c == '\\' ? '/' : c;
  fs.ReplaceWhole(program + "Undo00002.zip", ArchiveWithOemNames({{name, "a=1"}}));
  const RestoreResult r = RestoreArchive(fs, platform, program + "Undo00002.zip");
  EXPECT_EQ(r.restored, 1);
  EXPECT_EQ(Read(path), "a=1");
}

// An append writes the entry, then the directory (its new record, or all of
// it when it moves out): a crash in the first leaves the earlier backups, a
// crash in the second the new one too, found from the local headers past
// the free space the system filled with zeros.
TEST_F(UndoWinTest, CrashInTheMiddleOfAnAppendLeavesARestorableArchive) {
  const std::vector<std::string> names = {"a.ini", "b.ini", "c.ini", "d.ini", "e.ini"};
  for (std::size_t earlier = 1; earlier < names.size(); ++earlier) {
    for (int tornWrite = 0; tornWrite < 2; ++tornWrite) {
      const std::string where = std::to_string(earlier) + " earlier, write " + std::to_string(tornWrite) + " torn";
      const std::string zip = program + "Undo0000" + std::to_string(earlier) + std::to_string(tornWrite) + ".zip";
      for (const std::string& n : names) Write(root + n, "before " + n);
      FileBackupArchive archive(fs, platform);
      archive.SetArchiveName(zip);
      for (std::size_t i = 0; i < earlier; ++i) ASSERT_TRUE(archive.BackupFile(root + names[i])) << where;
      fs.writesLeft = tornWrite;
      EXPECT_THROW(archive.BackupFile(root + names[earlier]), Error) << where;
      fs.writesLeft = -1;
      for (const std::string& n : names) fs.ReplaceWhole(root + n, "after");

      const RestoreResult r = RestoreArchive(fs, platform, zip);
      const std::size_t kept = earlier + tornWrite;
      EXPECT_EQ(r.restored, static_cast<int>(kept)) << where;
      EXPECT_TRUE(r.refusals.empty()) << where;
      for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(Read(root + names[i]), i < kept ? "before " + names[i] : "after") << where;
    }
  }
}

TEST_F(UndoWinTest, UndoListNamesAndDeleteOnDisk) {
  UndoStore store(fs, platform, program);
  EXPECT_EQ(store.NextUndoNumber(), 0);
  store.RebuildList();
  EXPECT_TRUE(store.Entries().empty());

  Write(root + "a.ini", "a=1");
  FileBackupArchive archive(fs, platform);
  archive.SetArchiveName(program + "Undo00000.zip");
  ASSERT_TRUE(archive.BackupFile(root + "a.ini"));
  Write(program + "Undo00002.reg", "REGEDIT4\r\n");
  Write(program + "Undo notes.txt", "mine");
  EXPECT_EQ(store.NextUndoNumber(), 1);

  store.RebuildList();
  ASSERT_EQ(store.Entries().size(), 2u);
  // The line's time is the record's last write in the user's own formats.
  const FileTicks written = *fs.LastWriteOf(program + "Undo00000.zip");
  FILETIME ft{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)}, local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&ft, &local);
  FileTimeToSystemTime(&local, &st);
  wchar_t date[100], time[100];
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 100);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 100);
  const int first = store.IndexOf(Entry("Undo00000"));
  ASSERT_GE(first, 0);
  EXPECT_EQ(ListLines(store)[first], "Undo00000 - " + Utf8Text(date) + " " + Utf8Text(time));

  store.DeleteEntry(Entry("Undo00000"));
  store.RebuildList();
  EXPECT_FALSE(fs.FileExists(program + "Undo00000.zip"));
  EXPECT_TRUE(fs.FileExists(program + "Undo notes.txt"));
  EXPECT_EQ(store.Entries().size(), 1u);
  EXPECT_EQ(store.NextUndoNumber(), 0);
}

}  // namespace
