#include <gtest/gtest.h>

#include <cstdio>

#include "core/Error.h"
#include "core/Text.h"
#include "core/win32/Owned.h"
#include "core/win32/ReplaceBeside.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"
#include "support/WideNames.h"
//
#include <aclapi.h>

namespace {

class Win32FileSystemTest : public ::testing::Test {
 protected:
  Win32FileSystemTest()
      : root("C:\\ostrivane-test-fs-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "-" + std::to_string(GetCurrentProcessId()) + "\\") {
    RemoveTree(fs, root);
    EXPECT_TRUE(fs.MakeFolders(root));
  }
  // Through the short form, so that paths near the length limit can be removed too.
  ~Win32FileSystemTest() override { RemoveTree(fs, fs.ShortPathOf(root).value_or(root)); }
  std::vector<std::string> Names(const std::string& pattern) {
    std::vector<std::string> names;
    for (const DirEntry& e : fs.ListFolder(pattern)) names.push_back(e.name);
    return names;
  }

  Win32FileSystem fs;
  const std::string root;
};

TEST_F(Win32FileSystemTest, ShortPathOfIsTheWholePlatformFormHoweverLong) {
  const std::string longFolder = root + "Long Folder Name";
  ASSERT_TRUE(fs.MakeFolders(longFolder));
  char expected[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(longFolder.c_str(), expected, MAX_PATH), 0u);
  EXPECT_EQ(fs.ShortPathOf(longFolder), std::string(expected));
  EXPECT_EQ(fs.ShortPathOf(root + "missing"), std::nullopt);

  // Components that are 8.3 names already keep the short form as long as the
  // path itself: past the 256 characters an old fixed buffer would hold.
  std::string deep = RemoveSlash(*fs.ShortPathOf(root));
  while (deep.size() + 9 <= 246) deep += "\\ABCDEFGH";
  while (deep.size() + 2 <= 246) deep += "\\X";
  ASSERT_TRUE(fs.MakeFolders(deep));
  const std::string file = deep + "\\ABCDEFGH.TXT";  // 258 or 259 characters
  WriteTestFile(fs, file, "x");
  const auto shortForm = fs.ShortPathOf(file);
  ASSERT_TRUE(shortForm);
  EXPECT_EQ(shortForm->size(), file.size());
  EXPECT_TRUE(EqualNoCaseAZ(*shortForm, file));
}

TEST_F(Win32FileSystemTest, ListingAndLookUpShowEveryKindOfEntry) {
  WriteTestFile(fs, root + "h.txt", "12345");
  WriteTestFile(fs, root + "s.ini", "");
  WriteTestFile(fs, root + "r.ini", "");
  fs.MakeFolders(root + "Sub");
  ASSERT_TRUE(fs.SetAttributesOf(root + "h.txt", kAttrHidden));
  ASSERT_TRUE(fs.SetAttributesOf(root + "s.ini", kAttrSystem));
  ASSERT_TRUE(fs.SetAttributesOf(root + "r.ini", kAttrReadOnly));
  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Sub", "h.txt", "r.ini", "s.ini"}));
  names = Names(root + "*.ini");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"r.ini", "s.ini"}));
  EXPECT_TRUE(Names(root + "Nowhere\\*").empty());
  // Nothing to list is no failure: a mask that matches nothing, an empty
  // folder, a folder that is not there.
  fs.MakeFolders(root + "Empty");
  for (const std::string& pattern : {root + "*.none", root + "Empty\\*", root + "Nowhere\\*"}) {
    const FolderListing listing = fs.ListFolderChecked(pattern);
    EXPECT_TRUE(listing.Listed()) << pattern << ": " << listing.failure;
  }
  EXPECT_EQ(fs.ListFolderChecked(root + "*").entries.size(), 7u);

  const auto e = fs.LookUp(root + "h.txt");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->name, "h.txt");
  EXPECT_EQ(e->size, 5u);
  EXPECT_TRUE(e->attributes & kAttrHidden);
  EXPECT_TRUE(fs.LookUp(root + "Sub")->IsFolder());
  EXPECT_FALSE(fs.LookUp(root + "none.txt"));
  EXPECT_TRUE(fs.FileExists(root + "r.ini"));
  EXPECT_TRUE(fs.FolderExists(root + "Sub"));
  EXPECT_FALSE(fs.AttributesOf(root + "none.txt"));
}

TEST_F(Win32FileSystemTest, HoldsAnyTellsEmptyFoldersFromOthersHoweverLongTheirPath) {
  std::string deep = root + "Deep";
  while (deep.size() < 300) deep += "\\Folder with a long name";
  ASSERT_TRUE(fs.MakeFolders(deep + "\\Empty"));
  ASSERT_TRUE(fs.MakeFolders(deep + "\\Files"));
  WriteTestFile(fs, deep + "\\Files\\a.txt", "a");
  for (bool foldersOnly : {false, true}) {
    EXPECT_EQ(fs.HoldsAny(deep + "\\Empty", foldersOnly), FolderHolds::Nothing) << foldersOnly;
    EXPECT_EQ(fs.HoldsAny(deep + "\\Gone", foldersOnly), FolderHolds::Nothing) << foldersOnly;
    EXPECT_EQ(fs.HoldsAny(deep, foldersOnly), FolderHolds::Something) << foldersOnly;
  }
  EXPECT_EQ(fs.HoldsAny(deep + "\\Files", false), FolderHolds::Something);
  EXPECT_EQ(fs.HoldsAny(deep + "\\Files\\", true), FolderHolds::Nothing);
  EXPECT_EQ(fs.HoldsAny("C:\\", true), FolderHolds::Something);
  // A file is no folder to look into.
  EXPECT_NE(fs.HoldsAny(deep + "\\Files\\a.txt", false), FolderHolds::Something);
}

TEST_F(Win32FileSystemTest, ReadWholeSharesWithWritersButFailsOnALockedFile) {
  const std::string path = root + "data.bin";
  WriteTestFile(fs, path, std::string("a\0b\r\n", 5));
  {
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs.ReadWhole(path), std::string("a\0b\r\n", 5));
    CloseHandle(writer);
  }
  HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_THROW(fs.ReadWhole(path), Error);
  CloseHandle(exclusive);
  EXPECT_THROW(fs.ReadWhole(root + "none.txt"), Error);
}

namespace {
// The file's identity on its volume; 0 when it cannot be opened.
std::uint64_t FileIdOf(const std::string& path) {
  HANDLE h = CreateFileW(PlatformPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool got = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return got ? std::uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow : 0;
}
}  // namespace

TEST_F(Win32FileSystemTest, ReplaceWholeSwapsInANewFileAndLeavesNoTemporary) {
  const std::string path = root + "cfg.ini";
  WriteTestFile(fs, path, "old content that is longer\r\n");
  ASSERT_TRUE(fs.SetAttributesOf(path, kAttrHidden | kAttrSystem));
  const std::uint64_t oldId = FileIdOf(path);
  fs.ReplaceWhole(path, "new\r\n");
  EXPECT_EQ(fs.ReadWhole(path), "new\r\n");
  // A new file took the name (not the old one written over, which a crash could tear).
  EXPECT_NE(FileIdOf(path), oldId);
  EXPECT_EQ(*fs.AttributesOf(path) & (kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);
  fs.ReplaceWhole(root + "fresh.txt", "made");
  EXPECT_EQ(fs.ReadWhole(root + "fresh.txt"), "made");

  // A read-only file is refused and stays as it was.
  ASSERT_TRUE(fs.SetAttributesOf(path, kAttrReadOnly));
  EXPECT_THROW(fs.ReplaceWhole(path, "refused"), Error);
  EXPECT_EQ(fs.ReadWhole(path), "new\r\n");
  // So is one that another program holds open without letting it be replaced.
  fs.SetAttributesOf(path, 0);
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(fs.ReplaceWhole(path, "refused"), Error);
  CloseHandle(holder);
  EXPECT_EQ(fs.ReadWhole(path), "new\r\n");

  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "cfg.ini", "fresh.txt"}));
  EXPECT_THROW(fs.ReplaceWhole(root + "Nowhere\\x.txt", "x"), Error);
}

// Files replaced as a group, their flushes side by side: each that can be
// replaced is, keeping its attributes; one refused is named alone and
// stays as it was; no temporary file is left.
TEST_F(Win32FileSystemTest, ReplaceEachReplacesEveryFileItCanAndNamesTheRest) {
  std::vector<FileSystem::Replacement> files;
  for (int i = 0; i < 20; ++i) {
    const std::string path = root + "f" + std::to_string(i) + ".ini";
    WriteTestFile(fs, path, "old " + std::to_string(i));
    files.push_back({path, "new " + std::to_string(i) + std::string(std::size_t(i) * 1000, 'x')});
  }
  ASSERT_TRUE(fs.SetAttributesOf(files[3].path, kAttrHidden));
  ASSERT_TRUE(fs.SetAttributesOf(files[7].path, kAttrReadOnly));
  files.push_back({root + "Nowhere\\x.txt", "x"});
  const std::vector<std::string> failures = fs.ReplaceEach(files);
  ASSERT_EQ(failures.size(), files.size());
  for (std::size_t i = 0; i < 20; ++i) {
    if (i == 7) continue;
    EXPECT_EQ(failures[i], "") << i;
    EXPECT_EQ(fs.ReadWhole(files[i].path), files[i].data) << i;
  }
  EXPECT_EQ(*fs.AttributesOf(files[3].path) & kAttrHidden, kAttrHidden);
  EXPECT_NE(failures[7].find(files[7].path), std::string::npos) << failures[7];
  EXPECT_EQ(fs.ReadWhole(files[7].path), "old 7");
  EXPECT_NE(failures[20], "");
  fs.SetAttributesOf(files[7].path, 0);
  for (const std::string& name : Names(root + "*")) EXPECT_FALSE(IsReplaceTempName(name)) << name;
  EXPECT_TRUE(fs.ReplaceEach({}).empty());  // no file, no flush
}

namespace {
FILETIME CreationTimeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d{};
  GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &d);
  return d.ftCreationTime;
}
bool SetCreationTime(const std::string& path, FILETIME t) {
  HANDLE h = CreateFileW(PlatformPath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(h, &t, nullptr, nullptr) != 0;
  CloseHandle(h);
  return set;
}
std::uint64_t Ticks(FILETIME t) { return std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; }
const FILETIME kLongAgo{0x12345600u, 0x01c0f000u};  // in 2001
}  // namespace

// The rewritten file is the same file: its other names, creation time and
// marks stay; no temporary file is left beside it.
// A file written as it is made (a change report of every finding): each
// piece goes to disk as it comes, and a writer that fails part way leaves
// the old file whole and no temporary file beside it.
TEST_F(Win32FileSystemTest, ReplaceWholeStreamedWritesEachPieceAndNeverHalfAFile) {
  const std::string path = root + "Undo00001.log";
  WriteTestFile(fs, path, "the old report\r\n");
  std::string want;
  fs.ReplaceWholeStreamed(path, [&want](const BytesSink& put) {
    for (int i = 0; i < 300; ++i) {
      const std::string row = "row " + std::to_string(i) + " \xC3\xA9" + std::string(std::size_t(i * 37), 'x') + "\r\n";
      want += row;
      put(row);
    }
  });
  EXPECT_EQ(fs.ReadWhole(path), want);
  EXPECT_THROW(fs.ReplaceWholeStreamed(path,
                                       [](const BytesSink& put) {
                                         put(std::string(100'000, 'h'));
                                         throw Error("the run failed while its report was written");
                                       }),
               Error);
  EXPECT_EQ(fs.ReadWhole(path), want);
  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Undo00001.log"}));
}

TEST_F(Win32FileSystemTest, ReplaceWholeKeepsHardLinksCreationTimeAndAttributes) {
  const std::string single = root + "single.ini", first = root + "app.ini", second = root + "Linked\\app.ini";
  WriteTestFile(fs, single, "[a]\r\nPath=D:\\Tools\\svc.exe\r\n");
  ASSERT_TRUE(SetCreationTime(single, kLongAgo));
  // Wine reports the Unix inode's change time as the creation time; it
  // can't be set there, and any write changes it.
  const bool timeKept = Ticks(CreationTimeOf(single)) == Ticks(kLongAgo);
  if (!timeKept) std::printf("creation times can't be set on this volume; they are not compared\n");
  ASSERT_TRUE(fs.SetAttributesOf(single, kAttrHidden | kAttrArchive));
  fs.ReplaceWhole(single, "[a]\r\nPath=D:\\Tools2\\svc.exe\r\n");
  EXPECT_EQ(fs.ReadWhole(single), "[a]\r\nPath=D:\\Tools2\\svc.exe\r\n");
  if (timeKept) {
    EXPECT_EQ(Ticks(CreationTimeOf(single)), Ticks(kLongAgo));
  }
  EXPECT_EQ(*fs.AttributesOf(single) & (kAttrHidden | kAttrArchive), kAttrHidden | kAttrArchive);

  ASSERT_TRUE(fs.MakeFolders(root + "Linked"));
  WriteTestFile(fs, first, "[a]\r\nPath=D:\\Tools\\svc.exe\r\nKeep=1\r\n");
  ASSERT_TRUE(CreateHardLinkW(PlatformPath(second).c_str(), PlatformPath(first).c_str(), nullptr));
  ASSERT_EQ(NameCountOf(first), 2u);
  ASSERT_TRUE(SetCreationTime(first, kLongAgo));
  ASSERT_TRUE(fs.SetAttributesOf(first, kAttrHidden));
  // Longer, shorter, and the same length with the change in the middle.
  for (const std::string content : {"[a]\r\nPath=D:\\Tools2\\svc.exe\r\nKeep=1\r\n", "[a]\r\n",
                                    "[b]\r\n", "[b]\r\nPath=E:\\Apps\\svc.exe\r\nKeep=1\r\nMore=2\r\n"}) {
    fs.ReplaceWhole(first, content);
    EXPECT_EQ(fs.ReadWhole(first), content);
    EXPECT_EQ(fs.ReadWhole(second), content) << "the other name was split off";
  }
  fs.ReplaceWhole(second, "through the other name");
  EXPECT_EQ(fs.ReadWhole(first), "through the other name");
  EXPECT_EQ(NameCountOf(first), 2u);
  if (timeKept) {
    EXPECT_EQ(Ticks(CreationTimeOf(first)), Ticks(kLongAgo));
  }
  EXPECT_EQ(*fs.AttributesOf(first) & kAttrHidden, kAttrHidden);

  // A read-only linked file is refused and stays whole.
  ASSERT_TRUE(fs.SetAttributesOf(first, kAttrReadOnly));
  EXPECT_THROW(fs.ReplaceWhole(second, "refused"), Error);
  EXPECT_EQ(fs.ReadWhole(second), "through the other name");
  fs.SetAttributesOf(first, 0);

  // A temporary file put in place of a linked file (as a shortcut's save is)
  // gives its content to every name and goes.
  {
    TempBeside temp(first);
    ASSERT_FALSE(temp.Path().empty());
    WriteTestFile(fs, temp.Path(), "saved beside");
    ASSERT_TRUE(temp.PutInPlaceOf(first));
  }
  EXPECT_EQ(fs.ReadWhole(second), "saved beside");

  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Linked", "app.ini", "single.ini"}));
  EXPECT_EQ(Names(root + "Linked\\*").size(), 3u);
}

// Alternate data streams stay with a rewritten file where the volume has them.
TEST_F(Win32FileSystemTest, ReplaceWholeKeepsAlternateDataStreams) {
  DWORD flags = 0;
  if (!GetVolumeInformationW(L"C:\\", nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
      !(flags & FILE_NAMED_STREAMS))
    GTEST_SKIP() << "this volume has no alternate data streams (Wine keeps \"name:stream\" as a file of that name)";
  const std::string path = root + "zoned.ini";
  WriteTestFile(fs, path, "old");
  WriteTestFile(fs, path + ":Zone.Identifier", "[ZoneTransfer]\r\nZoneId=3\r\n");
  fs.ReplaceWhole(path, "new");
  EXPECT_EQ(fs.ReadWhole(path), "new");
  EXPECT_EQ(fs.ReadWhole(path + ":Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=3\r\n");
}

namespace {
// The access list of a file and whether it is protected from inheriting.
struct AccessList {
  LocalMem<PSECURITY_DESCRIPTOR> sd;
  PACL dacl = nullptr;
  bool protectedList = false;
};
AccessList AccessListOf(const std::string& path) {
  AccessList a;
  GetNamedSecurityInfoW(PlatformPath(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        &a.dacl, nullptr, a.sd.out());
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (a.sd.ok() && GetSecurityDescriptorControl(a.sd.get(), &control, &revision))
    a.protectedList = (control & SE_DACL_PROTECTED) != 0;
  return a;
}
// Whether the list denies `sid` anything.
bool Denies(const AccessList& a, PSID sid) {
  if (!a.dacl) return false;
  for (DWORD i = 0; i < a.dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(a.dacl, i, &ace)) continue;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE &&
        EqualSid(&static_cast<ACCESS_DENIED_ACE*>(ace)->SidStart, sid))
      return true;
  }
  return false;
}
}  // namespace

// A replaced file keeps its own access list: an explicit entry that denies
// Guests everything, and the list's protection from the folder's entries.
TEST_F(Win32FileSystemTest, ReplaceWholeKeepsAnExplicitAccessListWithADenyEntry) {
  const std::string path = root + "guarded.ini";
  WriteTestFile(fs, path, "[a]\r\nPath=C:\\Old\r\n");
  ASSERT_TRUE(fs.SetAttributesOf(path, kAttrHidden | kAttrArchive));
  BYTE guestsBuffer[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof guestsBuffer;
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinGuestsSid, nullptr, guestsBuffer, &size));
  const PSID guests = guestsBuffer;
  {
    // The file's own entries, with a deny entry first, and no longer inheriting.
    AccessList inherited = AccessListOf(path);
    ASSERT_NE(inherited.dacl, nullptr);
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = GENERIC_ALL;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(guests);
    LocalMem<PACL> list;
    ASSERT_EQ(SetEntriesInAclW(1, &deny, inherited.dacl, list.out()), DWORD(ERROR_SUCCESS));
    ASSERT_EQ(SetNamedSecurityInfoW(PlatformPath(path).data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    list.get(), nullptr),
              DWORD(ERROR_SUCCESS));
  }
  const AccessList set = AccessListOf(path);
  if (!Denies(set, guests) || !set.protectedList)
    GTEST_SKIP() << "this volume keeps no access lists of its own (Wine without extended attributes)";

  fs.ReplaceWhole(path, "[a]\r\nPath=D:\\New\r\n");
  EXPECT_EQ(fs.ReadWhole(path), "[a]\r\nPath=D:\\New\r\n");
  const AccessList kept = AccessListOf(path);
  EXPECT_TRUE(Denies(kept, guests));
  EXPECT_TRUE(kept.protectedList);
  EXPECT_EQ(*fs.AttributesOf(path) & (kAttrHidden | kAttrArchive), kAttrHidden | kAttrArchive);
  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "guarded.ini"}));
}

TEST_F(Win32FileSystemTest, RandomFileReadsWritesTruncatesAndFlushes) {
  const std::string path = root + "arc.zip";
  auto f = fs.OpenRandom(path, OpenMode::CreateAlways);
  f->WriteAt(0, "0123456789", 10);
  f->WriteAt(12, "AB", 2);
  EXPECT_EQ(f->Size(), 14u);
  char buf[4] = {};
  f->ReadAt(8, buf, 4);
  EXPECT_EQ(std::string(buf, 4), std::string("89\0\0", 4));
  EXPECT_THROW(f->ReadAt(12, buf, 4), Error);
  f->Truncate(5);
  f->Flush();
  EXPECT_EQ(f->Size(), 5u);
  f.reset();
  EXPECT_EQ(fs.ReadWhole(path), "01234");
  EXPECT_THROW(fs.OpenRandom(root + "none.zip", OpenMode::ReadWrite), Error);
  auto reader = fs.OpenRandom(path, OpenMode::ReadOnly);
  EXPECT_EQ(reader->Size(), 5u);
}

TEST_F(Win32FileSystemTest, FoldersTimesAttributesAndRemoval) {
  EXPECT_TRUE(fs.MakeFolders(root + "a\\b\\c\\"));
  EXPECT_TRUE(fs.FolderExists(root + "a\\b\\c"));
  WriteTestFile(fs, root + "a\\f.txt", "x");
  EXPECT_FALSE(fs.MakeFolders(root + "a\\f.txt\\d"));
  const auto before = fs.LastWriteOf(root + "a\\f.txt");
  ASSERT_TRUE(before);
  constexpr FileTicks k2001 = 126227808000000000LL;
  FILETIME old{DWORD(k2001), DWORD(k2001 >> 32)};
  HANDLE h = CreateFileA((root + "a\\f.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFileTime(h, nullptr, nullptr, &old);
  CloseHandle(h);
  EXPECT_EQ(fs.LastWriteOf(root + "a\\f.txt"), k2001);
  EXPECT_FALSE(fs.LastWriteOf(root + "none"));

  ASSERT_TRUE(fs.SetAttributesOf(root + "a\\f.txt", kAttrReadOnly | kAttrHidden));
  ASSERT_TRUE(fs.SetAttributesOf(root + "a\\f.txt", 0));
  EXPECT_EQ(*fs.AttributesOf(root + "a\\f.txt") & (kAttrReadOnly | kAttrHidden), 0u);
  EXPECT_TRUE(fs.Remove(root + "a\\f.txt"));
  EXPECT_FALSE(fs.Remove(root + "a\\f.txt"));
  EXPECT_TRUE(fs.Remove(root + "a\\b\\c"));
  EXPECT_FALSE(fs.FolderExists(root + "a\\b\\c"));
}

// Names that neither the ANSI nor the OEM code page holds reach every call
// whole: listed, looked up, read, replaced, shortened and removed.
TEST_F(Win32FileSystemTest, NamesOfEveryScriptGoThroughEveryCall) {
  std::vector<std::string> expected = {".", ".."};
  for (const std::string& n : kScriptNames) {
    const std::string folder = root + n, file = folder + "\\" + n + ".ini";
    ASSERT_TRUE(fs.MakeFolders(folder)) << n;
    WriteTestFile(fs, file, "old " + n);
    fs.ReplaceWhole(file, "new " + n);
    EXPECT_EQ(fs.ReadWhole(file), "new " + n);
    ASSERT_TRUE(fs.SetAttributesOf(file, kAttrHidden));
    EXPECT_EQ(*fs.AttributesOf(file) & kAttrHidden, kAttrHidden);
    EXPECT_TRUE(fs.LastWriteOf(file));
    EXPECT_EQ(Names(folder + "\\*.ini"), std::vector<std::string>{n + ".ini"});
    const auto found = fs.LookUp(file);
    ASSERT_TRUE(found) << n;
    EXPECT_EQ(found->name, n + ".ini");
    // The short form leads to the same file; a name outside ASCII gets one.
    const auto shortForm = fs.ShortPathOf(file);
    ASSERT_TRUE(shortForm) << n;
    EXPECT_EQ(fs.ReadWhole(*shortForm), "new " + n);
    expected.push_back(n);
  }
  auto names = Names(root + "*");
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  // Seen from outside through the platform's own wide calls.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"\\\\?\\C:\\nowhere-at-all\\*", &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  const std::wstring cjk = std::wstring(root.begin(), root.end()) + L"\u6570\u636e\\\u6570\u636e.ini";
  EXPECT_NE(GetFileAttributesW(cjk.c_str()), INVALID_FILE_ATTRIBUTES);

  const std::string last = root + kScriptNames.back() + "\\" + kScriptNames.back() + ".ini";
  fs.SetAttributesOf(last, 0);
  EXPECT_TRUE(fs.Remove(last));
  EXPECT_TRUE(fs.Remove(root + kScriptNames.back()));
  EXPECT_FALSE(fs.AttributesOf(root + kScriptNames.back()));
}

// A path far beyond MAX_PATH works in every call, the replacing write's
// temporary beside it included; what comes back never shows the "\\?\" form.
TEST_F(Win32FileSystemTest, PathsBeyondMaxPathWorkAndComeBackPlain) {
  std::string deep = root + "Dëep";
  while (deep.size() < 300) deep += "\\Folder with a long name " + kScriptNames[deep.size() % kScriptNames.size()];
  const std::string file = deep + "\\settings.ini";
  ASSERT_GT(WideText(file).size(), 300u);
  ASSERT_TRUE(fs.MakeFolders(deep));
  EXPECT_TRUE(fs.FolderExists(deep));
  WriteTestFile(fs, file, "a=1");
  ASSERT_TRUE(fs.SetAttributesOf(file, kAttrHidden));
  fs.ReplaceWhole(file, "a=2");
  EXPECT_EQ(fs.ReadWhole(file), "a=2");
  EXPECT_EQ(*fs.AttributesOf(file) & kAttrHidden, kAttrHidden) << "kept by the replacing write";
  EXPECT_EQ(Names(deep + "\\*"), (std::vector<std::string>{".", "..", "settings.ini"})) << "no temporary left";
  EXPECT_EQ(fs.LookUp(file)->size, 3u);
  EXPECT_TRUE(fs.LastWriteOf(file));
  {
    auto f = fs.OpenRandom(deep + "\\arc.zip", OpenMode::CreateAlways);
    f->WriteAt(0, "PK", 2);
    f->Flush();
  }
  EXPECT_EQ(fs.ReadWhole(deep + "\\arc.zip"), "PK");
  const auto shortForm = fs.ShortPathOf(file);
  ASSERT_TRUE(shortForm);
  EXPECT_EQ(shortForm->rfind("C:\\", 0), 0u) << *shortForm;
  EXPECT_EQ(fs.ReadWhole(*shortForm), "a=2");
  // The platform's own clean-up still applies: "/" and ".." in an absolute path.
  std::string slashed = file;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  EXPECT_EQ(fs.ReadWhole(slashed), "a=2");
  EXPECT_EQ(fs.ReadWhole(deep + "\\..\\" + SplitItemPath(deep).name + "\\settings.ini"), "a=2");
  EXPECT_TRUE(fs.Remove(deep + "\\arc.zip"));
}

}  // namespace
