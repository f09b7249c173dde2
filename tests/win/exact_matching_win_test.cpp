// The console front end over a real registry, settings files and shortcuts:
// a path is changed only where it stands whole, a moved item's own short form
// is the one remapped, settings files change only in the replaced bytes,
// hard links survive a rewrite, and the undo age limit holds on the console.
#include <gtest/gtest.h>

#include <map>

#include "ConsoleFixture.h"
#include "RawLink.h"
#include "core/Text.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-exact";
const std::string kData = "C:\\ostrivane-test-exact-data";
const std::wstring kKey = L"Software\\OstrivaneExactTest";

// Folders on disk the cases build (the siblings are real items too, so a
// short form looked up for one of them would exist).
const std::vector<std::string> kFolders = {"D:\\Old", "D:\\Older", "D:\\Old Stuff", "D:\\OstMovedTo",
                                           "C:\\Ost Long Folder", "C:\\OstLon~1", "D:\\OstShortDest"};

std::string Bytes(const std::wstring& w) { return std::string(reinterpret_cast<const char*>(w.c_str()), (w.size() + 1) * 2); }

void SetValue(const std::wstring& name, DWORD type, const std::string& bytes) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  RegCloseKey(h);
}

// Every value of the test key, its type and its data exactly as stored.
std::map<std::wstring, StoredValue> Values() { return StoredValues(HKEY_CURRENT_USER, Utf8Text(kKey)); }

bool DatedBack(const std::string& path, int hours) {
  HANDLE h = CreateFileW(WideText(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
  t.QuadPart -= ULONGLONG(hours) * 3600 * 10'000'000;
  const FILETIME then{t.LowPart, t.HighPart};
  const bool ok = SetFileTime(h, &then, &then, &then) != 0;
  CloseHandle(h);
  return ok;
}

std::string ShortPath(const std::string& path) {
  wchar_t buf[1024];
  const DWORD n = GetShortPathNameW(WideText(path).c_str(), buf, 1024);
  return n > 0 && n < 1024 ? Utf8Text(buf) : "";
}

class ExactMatchingWin : public ConsoleFixture {
 protected:
  ExactMatchingWin() : ConsoleFixture(kHome, kData, Utf8Text(kKey), kFolders) {}
  void Clean() override {
    ConsoleFixture::Clean();
    fs.Remove("D:\\Old.bak");
  }
};

// Each reference the sibling cases plant, and what the C:\App map and the
// D:\Old move make of it ("" where it must stay as it is).
struct Reference {
  std::string text, afterMap, afterMove;
};
const std::vector<Reference> kReferences = {
    {"C:\\App\\x", "D:\\Tools\\App\\x", ""},
    {"\"C:\\App\" /start", "\"D:\\Tools\\App\" /start", ""},
    {"C:\\App;C:\\Other", "D:\\Tools\\App;C:\\Other", ""},
    {"run in C:\\App", "run in D:\\Tools\\App", ""},
    {"C:\\Apple\\y.exe;C:\\App\\x", "C:\\Apple\\y.exe;D:\\Tools\\App\\x", ""},
    {"C:\\Apple\\y.exe", "", ""},
    {"C:\\App2\\z", "", ""},
    {"C:/App/x", "D:/Tools/App/x", ""},
    {"C:/Apple/y.exe", "", ""},
    {"D:\\Old\\x.exe", "", "D:\\OstMovedTo\\Old\\x.exe"},
    {"use D:\\Old", "", "use D:\\OstMovedTo\\Old"},
    {"D:\\Older\\x.exe", "", ""},
    {"\"D:\\Old Stuff\\a.exe\"", "", ""},
    {"D:\\Old.bak", "", ""},
};

class SiblingPaths : public ExactMatchingWin {
 protected:
  void SetUp() override {
    ExactMatchingWin::SetUp();
    WriteTestFile(fs, "D:\\Old\\x.exe", "MZ old");
    WriteTestFile(fs, "D:\\Older\\x.exe", "MZ older");
    WriteTestFile(fs, "D:\\Old Stuff\\a.exe", "MZ stuff");
    WriteTestFile(fs, "D:\\Old.bak", "bak");
    std::string ini = "[Paths]\r\n";
    for (std::size_t i = 0; i < kReferences.size(); ++i) {
      const std::wstring name = L"r" + std::to_wstring(i);
      // String values of both kinds; the expandable one keeps its type.
      SetValue(name, i % 2 ? REG_EXPAND_SZ : REG_SZ, Bytes(WideText(kReferences[i].text)));
      ini += "r" + std::to_string(i) + "=" + kReferences[i].text + "\r\n";
    }
    WriteTestFile(fs, kData + "\\refs.ini", ini);
    MakeLink(kData + "\\app.lnk", "C:\\App\\x\\tool.exe", "C:\\Apple\\y.exe \"C:\\App\"", "C:\\App");
    MakeLink(kData + "\\apple.lnk", "C:\\Apple\\y.exe", "C:\\App2\\z", "C:\\App2");
    MakeLink(kData + "\\old.lnk", "D:\\Old\\x.exe", "D:\\Old.bak D:\\Old", "D:\\Old");
    MakeLink(kData + "\\older.lnk", "D:\\Older\\x.exe", "\"D:\\Old Stuff\\a.exe\" D:\\Old.bak", "D:\\Old Stuff");
    valuesBefore = Values();
    for (const char* lnk : {"app", "apple", "old", "older"})
      linkBytes[lnk] = fs.ReadWhole(kData + "\\" + lnk + ".lnk");
  }

  // Every planted value and ini line is what `pick` says, and a reference
  // that stays is the very bytes it was (no pick: all of them stay).
  void ExpectReferences(std::string Reference::*pick = nullptr) {
    const auto now = Values();
    std::string ini = "[Paths]\r\n";
    for (std::size_t i = 0; i < kReferences.size(); ++i) {
      const std::wstring name = L"r" + std::to_wstring(i);
      const std::string changed = pick ? kReferences[i].*pick : "";
      ASSERT_TRUE(now.count(name));
      if (changed.empty())
        EXPECT_EQ(now.at(name), valuesBefore.at(name)) << kReferences[i].text;
      else
        EXPECT_EQ(StoredText(now.at(name)), changed);
      EXPECT_EQ(now.at(name).type, valuesBefore.at(name).type);
      ini += "r" + std::to_string(i) + "=" + (changed.empty() ? kReferences[i].text : changed) + "\r\n";
    }
    EXPECT_EQ(fs.ReadWhole(kData + "\\refs.ini"), ini);
  }

  std::map<std::wstring, StoredValue> valuesBefore;
  std::map<std::string, std::string> linkBytes;
};
}  // namespace

TEST_F(SiblingPaths, MapChangesThePathOnlyWhereItStandsWholeAndSubstringAsksForEveryOccurrence) {
  ProcessResult r = Cli({"map", "--find", "C:\\App", "--replace", "D:\\Tools\\App", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  ExpectReferences(&Reference::afterMap);
  const RawLinkParts app = ReadRawLink(kData + "\\app.lnk");
  EXPECT_EQ(app.target, "D:\\Tools\\App\\x\\tool.exe");
  EXPECT_EQ(app.arguments, "C:\\Apple\\y.exe \"D:\\Tools\\App\"");
  for (const char* lnk : {"apple", "old", "older"})
    EXPECT_EQ(fs.ReadWhole(kData + "\\" + lnk + ".lnk"), linkBytes[lnk]) << lnk;

  // Asked for plainly, the text is found inside the longer names as well.
  r = Cli({"map", "--find", "C:\\App", "--replace", "D:\\Tools\\App", "--drives", "C", "--targets", "registry",
           "--substring"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  const auto now = Values();
  EXPECT_EQ(StoredText(now.at(L"r5")), "D:\\Tools\\Apple\\y.exe");
  EXPECT_EQ(StoredText(now.at(L"r6")), "D:\\Tools\\App2\\z");
  EXPECT_EQ(StoredText(now.at(L"r11")), "D:\\Older\\x.exe");
}

TEST_F(SiblingPaths, MoveRemapsTheMovedFolderOnlyAndADottedFindTextFindsNothing) {
  // Windows drops a trailing dot when it looks a name up, so "D:\Old." would
  // reach D:\Old and its short form; as a find text it names no item here.
  ProcessResult r = Cli({"map", "--find", "D:\\Old.", "--replace", "D:\\Gone", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  // (Notes may follow: Wine's Task Scheduler says it cannot list its tasks.)
  EXPECT_EQ(r.out.rfind("Ostrivane has finished\n0 links were remapped\n", 0), 0u) << r.out;
  ExpectReferences();
  EXPECT_EQ(Values(), valuesBefore);
  for (const char* lnk : {"app", "apple", "old", "older"})
    EXPECT_EQ(fs.ReadWhole(kData + "\\" + lnk + ".lnk"), linkBytes[lnk]) << lnk;

  r = Cli({"move", "D:\\Old", "D:\\OstMovedTo", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole("D:\\OstMovedTo\\Old\\x.exe"), "MZ old");
  ExpectReferences(&Reference::afterMove);
  const RawLinkParts old = ReadRawLink(kData + "\\old.lnk");
  EXPECT_EQ(old.target, "D:\\OstMovedTo\\Old\\x.exe");
  EXPECT_EQ(old.arguments, "D:\\Old.bak D:\\OstMovedTo\\Old");
  for (const char* lnk : {"app", "apple", "older"})
    EXPECT_EQ(fs.ReadWhole(kData + "\\" + lnk + ".lnk"), linkBytes[lnk]) << lnk;
  // The siblings themselves stay where they are.
  EXPECT_EQ(fs.ReadWhole("D:\\Older\\x.exe"), "MZ older");
  EXPECT_EQ(fs.ReadWhole("D:\\Old Stuff\\a.exe"), "MZ stuff");
  EXPECT_EQ(fs.ReadWhole("D:\\Old.bak"), "bak");
}

// Windows and Wine number short names differently; a name built by the
// classic rule ("OstLon~1") may belong to another folder altogether.
TEST_F(ExactMatchingWin, MoveRemapsTheFoldersOwnShortFormAndNotTheRuleBuiltOne) {
  const std::string source = "C:\\Ost Long Folder", other = "C:\\OstLon~1";
  WriteTestFile(fs, source + "\\run.exe", "MZ mine");
  WriteTestFile(fs, other + "\\run.exe", "MZ other");
  const std::string oldShort = ShortPath(source);
  ASSERT_FALSE(oldShort.empty());
  ASSERT_FALSE(EqualFold(oldShort, source));
  ASSERT_FALSE(EqualFold(oldShort, other)) << "the other folder must not be the moved one's short form";
  const std::string otherRef = other + "\\run.exe";
  WriteTestFile(fs, kData + "\\short.ini", "[Run]\r\nMine=" + oldShort + "\\run.exe\r\nOther=" + otherRef + "\r\n");
  SetValue(L"Mine", REG_SZ, Bytes(WideText(oldShort + "\\run.exe")));
  SetValue(L"Other", REG_SZ, Bytes(WideText(otherRef)));

  ProcessResult r = Cli({"move", source, "D:\\OstShortDest", "--drives", "C", "--targets", "registry,settings"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  const std::string newShort = ShortPath("D:\\OstShortDest\\Ost Long Folder");
  ASSERT_FALSE(newShort.empty());
  EXPECT_EQ(fs.ReadWhole(kData + "\\short.ini"),
            "[Run]\r\nMine=" + newShort + "\\run.exe\r\nOther=" + otherRef + "\r\n");
  const auto values = Values();
  EXPECT_EQ(StoredText(values.at(L"Mine")), newShort + "\\run.exe");
  EXPECT_EQ(StoredText(values.at(L"Other")), otherRef);
  EXPECT_EQ(fs.ReadWhole(otherRef), "MZ other");
}

// A new place whose name is its own short form has no other one: a reference
// in the old short form takes the new text itself, never nothing.
TEST_F(ExactMatchingWin, AShortReferenceToAPlainNamedPlaceKeepsItsPath) {
  const std::string source = "C:\\Ost Long Folder";
  WriteTestFile(fs, source + "\\run.exe", "MZ mine");
  const std::string oldShort = ShortPath(source);
  ASSERT_FALSE(EqualFold(oldShort, source));
  WriteTestFile(fs, kData + "\\plain.ini", "[Run]\r\nMine=" + oldShort + "\\run.exe\r\n");
  SetValue(L"Mine", REG_SZ, Bytes(WideText(oldShort + "\\run.exe")));

  ProcessResult r =
      Cli({"map", "--find", source, "--replace", "D:\\OstPlain", "--drives", "C", "--targets", "registry,settings"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n2 links were remapped\n");
  EXPECT_EQ(fs.ReadWhole(kData + "\\plain.ini"), "[Run]\r\nMine=D:\\OstPlain\\run.exe\r\n");
  EXPECT_EQ(StoredText(Values().at(L"Mine")), "D:\\OstPlain\\run.exe");
}

TEST_F(ExactMatchingWin, SettingsFilesChangeOnlyInTheReplacedBytes) {
  const std::map<std::string, std::pair<std::string, std::string>> files = {
      {"lf.ini",
       {"[Paths]\nHome=C:\\OstLf\\x\n\n; C:\\OstLfx stays\nList=C:\\OstLfx;C:\\OstLf\n",
        "[Paths]\nHome=D:\\New\\x\n\n; C:\\OstLfx stays\nList=C:\\OstLfx;D:\\New\n"}},
      {"noend.ini",
       {"[Paths]\r\nHome=C:\\OstLf\\x\r\nLast=\"C:\\OstLf\"", "[Paths]\r\nHome=D:\\New\\x\r\nLast=\"D:\\New\""}},
      {"mixed.ini",
       {"[A]\r\n  Key = C:\\OstLf\\1  \ny=2\r\n\r\n[B]\nz=C:\\OstLf", "[A]\r\n  Key = D:\\New\\1  \ny=2\r\n\r\n[B]\nz=D:\\New"}},
  };
  for (const auto& [name, texts] : files) WriteTestFile(fs, kData + "\\" + name, texts.first);

  ProcessResult r = Cli({"map", "--find", "C:\\OstLf", "--replace", "D:\\New", "--targets", "settings", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n6 links were remapped\n");
  for (const auto& [name, texts] : files) EXPECT_EQ(fs.ReadWhole(kData + "\\" + name), texts.second) << name;
}

namespace {
struct LinkInfo {
  DWORD links = 0;
  ULONGLONG index = 0;
};
LinkInfo LinksOf(const std::string& path) {
  LinkInfo info;
  HANDLE h = CreateFileW(WideText(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return info;
  BY_HANDLE_FILE_INFORMATION i;
  if (GetFileInformationByHandle(h, &i)) {
    info.links = i.nNumberOfLinks;
    info.index = (ULONGLONG(i.nFileIndexHigh) << 32) | i.nFileIndexLow;
  }
  CloseHandle(h);
  return info;
}
}  // namespace

TEST_F(ExactMatchingWin, AHardLinkedSettingsFileStaysOneFileThroughTheRunAndItsUndo) {
  const std::string ini = kData + "\\linked.ini", second = kData + "\\linked-copy.txt";
  const std::string before = "[P]\r\nHome=C:\\OstHard\\x\r\n";
  WriteTestFile(fs, ini, before);
  ASSERT_TRUE(CreateHardLinkW(WideText(second).c_str(), WideText(ini).c_str(), nullptr));
  ASSERT_EQ(LinksOf(ini).links, 2u);

  ProcessResult r =
      Cli({"map", "--find", "C:\\OstHard", "--replace", "D:\\OstHardNew", "--targets", "settings", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\n");
  const std::string after = "[P]\r\nHome=D:\\OstHardNew\\x\r\n";
  EXPECT_EQ(fs.ReadWhole(ini), after);
  EXPECT_EQ(fs.ReadWhole(second), after);
  EXPECT_EQ(LinksOf(ini).links, 2u);
  EXPECT_EQ(LinksOf(ini).index, LinksOf(second).index);

  r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(ini), before);
  EXPECT_EQ(fs.ReadWhole(second), before);
  EXPECT_EQ(LinksOf(ini).links, 2u);
}

// The settings file beside the program sets the age limit: index 0 is a
// day, 1 a week. A record older than the limit goes on the console's first
// look at the list, whether for a listing or for a run.
TEST_F(ExactMatchingWin, ConsoleDropsRecordsOlderThanTheSettingsFileAllows) {
  const std::string settings = kHome + "\\Ostrivane.ini";
  const auto record = [&](int n) {
    std::vector<std::string> files;
    for (const char* ext : {".zip", ".reg", ".bat", ".log", ".after"}) {
      const std::string f = kHome + "\\Undo" + ZeroPad5(n) + ext;
      if (fs.FileExists(f)) files.push_back(f);
    }
    return files;
  };
  const auto mapRun = [&](const std::string& from, const std::string& to) {
    ProcessResult r = Cli({"map", "--find", from, "--replace", to, "--targets", "settings", "--drives", "C"});
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  };
  WriteTestFile(fs, kData + "\\age.ini", "[P]\r\nHome=C:\\OstAgeA\\x\r\n");
  WriteTestFile(fs, settings, "[Undo List]\r\nDeleteOlderThan=1\r\n");
  mapRun("C:\\OstAgeA", "C:\\OstAgeB");
  ASSERT_FALSE(record(0).empty());
  for (const std::string& f : record(0)) ASSERT_TRUE(DatedBack(f, 48)) << f;

  // Two days old is within a week.
  ProcessResult r = Cli({"undo", "list"});
  EXPECT_EQ(r.out.rfind("Undo00000 - ", 0), 0u) << r.out;
  EXPECT_FALSE(record(0).empty());

  WriteTestFile(fs, settings, "[Undo List]\r\nDeleteOlderThan=0\r\n");
  r = Cli({"undo", "list"});
  EXPECT_EQ(r.out, "No Changes to Undo\n");
  EXPECT_TRUE(record(0).empty());

  // A fresh record stays while an old one goes, on a map run alone.
  mapRun("C:\\OstAgeB", "C:\\OstAgeA");
  mapRun("C:\\OstAgeA", "C:\\OstAgeB");
  ASSERT_FALSE(record(1).empty());
  for (const std::string& f : record(0)) ASSERT_TRUE(DatedBack(f, 48)) << f;
  mapRun("C:\\OstAgeNowhere", "C:\\OstAgeElse");
  EXPECT_TRUE(record(0).empty());
  EXPECT_FALSE(record(1).empty());
  EXPECT_EQ(fs.ReadWhole(kData + "\\age.ini"), "[P]\r\nHome=C:\\OstAgeB\\x\r\n");
}

// Under Wine HKLM\Software\Wow6432Node\Classes is a registry link to
// HKLM\Software\Classes\Wow6432Node (on Windows, CurrentControlSet is one):
// a value below it is reached by two paths and must be changed once.
TEST_F(ExactMatchingWin, AValueBehindARegistryLinkIsChangedOnceAndUndone) {
  const std::wstring key = L"Software\\Classes\\Wow6432Node\\OstrLinkTest";
  const auto read = [](const std::wstring& k) {
    wchar_t buf[256] = {};
    DWORD size = sizeof buf;
    return RegGetValueW(HKEY_LOCAL_MACHINE, k.c_str(), L"svc", RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS
               ? Utf8Text(buf)
               : std::string("(none)");
  };
  HKEY h = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  const std::wstring data = L"D:\\OstLinkTools\\svc.exe";
  RegSetValueExW(h, L"svc", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD((data.size() + 1) * 2));
  RegCloseKey(h);
  struct Cleanup {
    std::wstring key;
    ~Cleanup() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str()); }
  } cleanup{key};
  if (read(L"Software\\Wow6432Node\\Classes\\OstrLinkTest") != "D:\\OstLinkTools\\svc.exe")
    GTEST_SKIP() << "this prefix has no registry link there";

  ProcessResult r = Cli({"map", "--find", "D:\\OstLinkTools", "--replace", "D:\\OstLinkTools2", "--targets", "registry"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\n");
  EXPECT_EQ(read(key), "D:\\OstLinkTools2\\svc.exe");

  r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(read(key), "D:\\OstLinkTools\\svc.exe");
}
