// A program moved out of its folder as a user does it with the console front
// end: every place where programs keep its path today (configuration files in
// their own spellings, lists of strings, variables, another user's hive)
// follows it; its sibling's references stay; the undo gives back every byte.
// The Task Scheduler's file of a task is not one of them: tasks change
// through the service alone, and no walk rewrites the file.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-paths";
const std::string kData = "C:\\ostrivane-test-paths-data";
const std::string kApps = "C:\\Program Files";
const std::string kApp = kApps + "\\OstrE2E R&D";        // a space and "&": every spelling differs
const std::string kSibling = kApps + "\\OstrE2E R&D2";   // another item, never touched
const std::string kDestination = kApps + "\\OstrE2E Moved";
const std::string kMoved = kDestination + "\\OstrE2E R&D";
const std::string kTask = "C:\\windows\\system32\\Tasks\\OstrE2E Task";
const std::string kKey = "Software\\OstrivanePathsTest";
const std::string kOtherUser = "S-1-5-21-test-1001";
const std::string kOtherKey = kOtherUser + "\\" + kKey;

// A path as programs write it into their files.
std::string Slashed(const std::string& p) { return Replaced(p, "\\", "/"); }
std::string Json(const std::string& p) { return Replaced(p, "\\", "\\\\"); }
std::string Url(const std::string& p) { return "file:///" + Replaced(Slashed(p), " ", "%20"); }
std::string Xml(const std::string& p) { return Replaced(p, "&", "&amp;"); }
// The variable form of a path under Program Files.
std::string Variable(const std::string& p) { return "%ProgramFiles%" + p.substr(kApps.size()); }

// Every file the test writes, as a function of the app's place; the sibling's
// references are the same in each.
struct ConfigFile {
  std::string path;
  std::string (*text)(const std::string& app);
};
const ConfigFile kConfigFiles[] = {
    {kData + "\\appsettings.json",
     [](const std::string& a) {
       return "{\n  \"exe\": \"" + Json(a) + "\\\\app.exe\",\n  \"web\": \"" + Slashed(a) + "/www\",\n  \"other\": \"" +
              Json(kSibling) + "\", \"o2\": \"" + Slashed(kSibling) + "\"\n}\n";
     }},
    {kData + "\\app.xml",
     [](const std::string& a) {
       return "<?xml version=\"1.0\"?>\r\n<app path=\"" + Xml(a) + "\\app.exe\" other=\"" + Xml(kSibling) +
              "\"/>\r\n";
     }},
    {kData + "\\help.url",
     [](const std::string& a) {
       return "[InternetShortcut]\r\nURL=" + Url(a) + "/help.html\r\nOther=" + Url(kSibling) + "/help.html\r\n";
     }},
    {kData + "\\start.ps1",
     [](const std::string& a) { return "& '" + a + "\\app.exe' -x\n& '" + kSibling + "\\app.exe'\n"; }},
};
std::string TaskText(const std::string& a) {
  return "\xFF\xFE" + Utf16LeBytesFromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Task><Actions><Exec>"
                                           "<Command>" + Xml(a) + "\\app.exe</Command><Arguments>" + Xml(kSibling) +
                                           "</Arguments></Exec></Actions></Task>\r\n");
}
std::string MultiText(const std::string& a) { return a + "\\a.dll" + std::string(1, '\0') + kSibling + "\\b.dll"; }

class PathsEndToEnd : public ConsoleFixture {
 protected:
  PathsEndToEnd() : ConsoleFixture(kHome, kData, kKey, {kApp, kSibling, kDestination}) {}
  void SetUp() override {
    ConsoleFixture::SetUp();
    WriteTestFile(fs, kApp + "\\app.exe", "MZ app");
    WriteTestFile(fs, kSibling + "\\app.exe", "MZ sibling");
    fs.MakeFolders(kDestination);
    for (const ConfigFile& f : kConfigFiles) WriteTestFile(fs, f.path, f.text(kApp));
    WriteTestFile(fs, kTask, TaskText(kApp));
    SetRegistryText(HKEY_CURRENT_USER, kKey, "list", REG_MULTI_SZ, MultiText(kApp) + std::string(1, '\0'));
    SetRegistryText(HKEY_CURRENT_USER, kKey, "expand", REG_EXPAND_SZ, Variable(kApp) + "\\app.exe");
    SetRegistryText(HKEY_CURRENT_USER, kKey, "expand sibling", REG_EXPAND_SZ, Variable(kSibling) + "\\app.exe");
    SetRegistryText(HKEY_USERS, kOtherKey, "home", REG_SZ, kApp + "\\app.exe;" + kSibling);
  }
  void Clean() override {
    ConsoleFixture::Clean();
    DeleteFileW(WideText(kTask).c_str());
    RegDeleteTreeW(HKEY_USERS, WideText(kOtherUser).c_str());
  }
  // Every place the test looks at, byte for byte.
  std::string State() {
    std::string out = FilesBelow(fs, kData) + FilesBelow(fs, kApp) + FilesBelow(fs, kDestination) +
                      FilesBelow(fs, kSibling) + fs.ReadWhole(kTask);
    DumpRegistryKey(HKEY_CURRENT_USER, kKey, out);
    DumpRegistryKey(HKEY_USERS, kOtherKey, out);
    return out;
  }
  void ExpectConfigFilesName(const std::string& app) {
    for (const ConfigFile& f : kConfigFiles) EXPECT_EQ(fs.ReadWhole(f.path), f.text(app)) << f.path;
    EXPECT_EQ(fs.ReadWhole(kTask), TaskText(kApp));
  }
  void Undo(const std::string& state) {
    const ProcessResult r = Cli({"undo", "run", "Undo00000"});
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_EQ(State(), state);
  }
};
}  // namespace

TEST_F(PathsEndToEnd, MoveRemapsEverySpellingAndKindAndUndoGivesBackEveryByte) {
  const std::string before = State();
  ASSERT_NE(before.find("\"home\""), std::string::npos) << "no key under HKEY_USERS";

  // The earlier default targets leave the configuration files alone.
  ProcessResult r = Cli({"map", "--find", kApp, "--replace", kMoved, "--targets", "registry,settings,shortcuts",
                         "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  ExpectConfigFilesName(kApp);
  EXPECT_EQ(RegistryText(HKEY_USERS, kOtherKey, "home"), kMoved + "\\app.exe;" + kSibling);
  Undo(before);
  ASSERT_EQ(Cli({"undo", "delete", "Undo00000"}).exitCode, 0u);

  r = Cli({"move", kApp, kDestination, "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(kMoved + "\\app.exe"), "MZ app");
  ExpectConfigFilesName(kMoved);
  std::string list;
  DumpRegistryKey(HKEY_CURRENT_USER, kKey, list);
  const std::string listData = Utf16LeBytesFromUtf8(MultiText(kMoved) + std::string(2, '\0'));
  EXPECT_NE(list.find("\"list\"=7:" + std::to_string(listData.size()) + ":" + listData + "\n"), std::string::npos)
      << list;
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "expand"), Variable(kMoved) + "\\app.exe");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "expand sibling"), Variable(kSibling) + "\\app.exe");
  EXPECT_EQ(RegistryText(HKEY_USERS, kOtherKey, "home"), kMoved + "\\app.exe;" + kSibling);
  Undo(before);
}
