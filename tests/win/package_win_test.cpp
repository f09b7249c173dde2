// The shipped packages as an administrator and a user meet them: the MSI
// installs silently, its programs keep their records in the data folder,
// and a silent uninstall takes away every file and key it made, keeping the
// records; the portable zip unpacks to programs that keep their records
// beside themselves. Skipped when the package target was not built.
#include <gtest/gtest.h>

#include <set>

#include "ProcessRunner.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"
#include "undo/ZipArchive.h"
#include "window/ExplorerVerb.h"
#include "OstrivaneVersion.h"
//
#include <shlobj.h>

namespace {
const std::string kWork = "C:\\ostrivane-test-package";
const std::string kInstalled = "C:\\Program Files\\Ostrivane";
const std::string kData = "C:\\ProgramData\\Ostrivane";
const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Exists(const std::string& path) {
  return GetFileAttributesW(WideText(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ListFiles(const std::string& folder, std::set<std::string>& out) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(WideText(folder + "\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Utf8Text(d.cFileName);
    if (name == "." || name == "..") continue;
    out.insert(folder + "\\" + name);
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListFiles(folder + "\\" + name, out);
  } while (FindNextFileW(h, &d));
  FindClose(h);
}

std::wstring ReadText(HKEY key, const wchar_t* name) {
  wchar_t buf[1024] = {};
  DWORD size = sizeof buf - sizeof(wchar_t), type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS) return L"";
  return buf;
}

// Every key and value below HKLM\path, one line each.
void ListKey(const std::wstring& path, std::set<std::string>& out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
  out.insert(Utf8Text(path));
  wchar_t name[512];
  for (DWORD i = 0;; ++i) {
    DWORD n = 512;
    if (RegEnumValueW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.insert(Utf8Text(path) + " : " + Utf8Text(name) + " = " + Utf8Text(ReadText(key, name)));
  }
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    DWORD n = 512;
    if (RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name);
  }
  RegCloseKey(key);
  for (const std::wstring& s : subkeys) ListKey(path + L"\\" + s, out);
}

// What the package could leave behind: its folders, shortcuts and keys.
std::set<std::string> Footprint() {
  std::set<std::string> all;
  ListFiles(kInstalled, all);
  ListFiles(kData, all);
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    wchar_t path[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, path)) && Exists(Utf8Text(path) + "\\Ostrivane.lnk"))
      all.insert(Utf8Text(path) + "\\Ostrivane.lnk");
  }
  ListKey(L"Software\\Ostrivane", all);
  ListKey(L"Software\\Classes\\Folder\\shell\\Move with Ostrivane...", all);
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
      DWORD n = 512;
      if (RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      HKEY entry;
      if (RegOpenKeyExW(key, name, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
      const bool ours = ReadText(entry, L"DisplayName") == L"Ostrivane";
      RegCloseKey(entry);
      if (ours) ListKey(kUninstall + L"\\" + name, all);
    }
    RegCloseKey(key);
  }
  return all;
}

bool Contains(const std::set<std::string>& set, const std::string& line) { return set.count(line) > 0; }

class PackageWin : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(fs, kWork);
    RemoveTree(fs, kData);
    fs.MakeFolders(kWork);
  }
  void TearDown() override {
    if (!msi.empty()) RunProgram("C:\\windows\\system32\\msiexec.exe", {"/x", msi, "/qn"});
    RemoveTree(fs, kWork);
    RemoveTree(fs, kData);
  }
  // A settings file that names an old place, for a run to re-map.
  std::string SettingsFile() {
    const std::string ini = kWork + "\\data\\app.ini";
    WriteTestFile(fs, ini, "[Paths]\r\nHome=C:\\Old Package Place\\bin\r\n");
    return ini;
  }
  ProcessResult Map(const std::string& cli) {
    return RunProgram(cli, {"map", "--find", "C:\\Old Package Place", "--replace", "D:\\New", "--targets", "settings",
                            "--drives", "C"});
  }
  Win32FileSystem fs;
  std::string msi;
};
}  // namespace

TEST_F(PackageWin, MsiInstallsSilentlyKeepsRecordsInTheDataFolderAndUninstallsCleanly) {
  if (!Exists(OSTRIVANE_MSI_FILE)) GTEST_SKIP() << "the package target was not built";
  const std::set<std::string> before = Footprint();
  ASSERT_FALSE(Contains(before, kInstalled + "\\ostrivane.exe")) << "installed before the test";
  msi = kWork + "\\Ostrivane.msi";
  ASSERT_TRUE(CopyFileW(WideText(OSTRIVANE_MSI_FILE).c_str(), WideText(msi).c_str(), FALSE));
  ProcessResult r = RunProgram("C:\\windows\\system32\\msiexec.exe", {"/i", msi, "/qn"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;

  const std::set<std::string> installed = Footprint();
  for (const char* file : {"ostrivane.exe", "ostrivane-cli.exe", "Ostrivane.chm", "ReadMe.txt"})
    EXPECT_TRUE(Contains(installed, kInstalled + "\\" + file)) << file;
  const std::string verb = "Software\\Classes\\Folder\\shell\\Move with Ostrivane...\\command :  = " +
                           VerbCommandLine(kInstalled + "\\ostrivane.exe");
  EXPECT_TRUE(Contains(installed, verb)) << "the same verb and command as +l";
  EXPECT_TRUE(Contains(installed, "Software\\Ostrivane : InstallFolder = " + kInstalled + "\\"));
  bool entry = false, shortcut = false;
  for (const std::string& line : installed) {
    entry |= line.find(" : Publisher = Ostrivane developers") != std::string::npos;
    shortcut |= line.size() > 14 && line.compare(line.size() - 14, 14, "\\Ostrivane.lnk") == 0;
  }
  EXPECT_TRUE(entry) << "an Apps & features entry";
  EXPECT_TRUE(shortcut) << "a Start menu shortcut";

  // The installed console front end keeps its records in the data folder,
  // and still lists the ones an earlier copy left beside it.
  const std::string ini = SettingsFile();
  r = Map(kInstalled + "\\ostrivane-cli.exe");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(fs.ReadWhole(ini), "[Paths]\r\nHome=D:\\New\\bin\r\n");
  EXPECT_TRUE(Exists(kData + "\\Undo00000.zip"));
  EXPECT_FALSE(Exists(kInstalled + "\\Undo00000.zip"));
  WriteTestFile(fs, kInstalled + "\\Undo00004.reg", "REGEDIT4\r\n");
  r = RunProgram(kInstalled + "\\ostrivane-cli.exe", {"undo", "list"});
  EXPECT_NE(r.out.find("Undo00000 - "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Undo00004 - "), std::string::npos) << r.out;
  fs.Remove(kInstalled + "\\Undo00004.reg");

  r = RunProgram("C:\\windows\\system32\\msiexec.exe", {"/x", msi, "/qn"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  msi.clear();
  std::set<std::string> expected = before;
  expected.insert(kData + "\\Undo00000.zip");
  expected.insert(kData + "\\Undo00000.log");
  expected.insert(kData + "\\Undo00000.after");
  EXPECT_EQ(Footprint(), expected) << "only the records stay";
}

TEST_F(PackageWin, PortableZipUnpacksToProgramsThatKeepRecordsBesideThemselves) {
  if (!Exists(OSTRIVANE_ZIP_FILE)) GTEST_SKIP() << "the package target was not built";
  const std::string zip = kWork + "\\portable.zip";
  ASSERT_TRUE(CopyFileW(WideText(OSTRIVANE_ZIP_FILE).c_str(), WideText(zip).c_str(), FALSE));
  std::set<std::string> names;
  {
    auto file = fs.OpenRandom(zip, OpenMode::ReadOnly);
    const ZipDirectory dir = ReadZipDirectory(*file);
    for (const ZipEntry& e : dir.entries) {
      names.insert(e.name);
      if (e.name.back() == '/') continue;
      std::string path = kWork + "\\" + e.name;
      for (char& c : path)
        if (c == '/') c = '\\';
      WriteTestFile(fs, path, ExtractZipEntry(*file, e));
    }
  }
  for (const char* name : {"Ostrivane/ostrivane.exe", "Ostrivane/ostrivane-cli.exe", "Ostrivane/Ostrivane.chm",
                           "Ostrivane/ReadMe.txt"})
    EXPECT_TRUE(names.count(name)) << name;

  const std::string home = kWork + "\\Ostrivane";
  const std::string ini = SettingsFile();
  ProcessResult r = Map(home + "\\ostrivane-cli.exe");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(fs.ReadWhole(ini), "[Paths]\r\nHome=D:\\New\\bin\r\n");
  EXPECT_TRUE(Exists(home + "\\Undo00000.zip"));
  EXPECT_FALSE(Exists(kData));
  r = RunProgram(home + "\\ostrivane-cli.exe", {"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(ini), "[Paths]\r\nHome=C:\\Old Package Place\\bin\r\n");
}

// Both programs carry the icon, a version record made from the project
// version, and a manifest asking to run as invoked.
TEST(ProgramResources, IconVersionAndExecutionLevel) {
  for (const char* exe : {OSTRIVANE_CLI_EXE, OSTRIVANE_GUI_EXE}) {
    HMODULE m = LoadLibraryExW(WideText(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(m) << exe;
    auto bytes = [m](LPCWSTR type, LPCWSTR name) {
      HRSRC r = FindResourceW(m, name, type);
      if (!r) return std::string();
      return std::string(static_cast<const char*>(LockResource(LoadResource(m, r))), SizeofResource(m, r));
    };
    EXPECT_FALSE(bytes(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEW(1)).empty()) << exe;
    const std::string version = bytes(MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(1));
    auto wide = [](const std::string& text) {
      std::string w;
      for (char c : text) w += {c, '\0'};
      return w;
    };
    // "FileVersion", then padding, then the value.
    const std::size_t key = version.find(wide("FileVersion"));
    ASSERT_NE(key, std::string::npos) << exe;
    EXPECT_EQ(version.find(wide(OSTRIVANE_VERSION) + std::string(2, '\0'), key), key + 26) << exe;
    EXPECT_NE(bytes(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, MAKEINTRESOURCEW(1)).find("level=\"asInvoker\""), std::string::npos) << exe;
    FreeLibrary(m);
  }
}
