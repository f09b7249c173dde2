// The console front end as a user runs it: a copy in a plain folder of C:,
// records written beside it.
#include <gtest/gtest.h>

#include "ProcessRunner.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-cli";
const std::string kData = "C:\\ostrivane-test-cli-data";

class CliWin : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveTree(fs, kHome);
    RemoveTree(fs, kData);
    exe = InstallCopy(OSTRIVANE_CLI_EXE, kHome, "ostrivane-cli.exe");
  }
  void TearDown() override {
    RemoveTree(fs, kHome);
    RemoveTree(fs, kData);
  }
  ProcessResult Cli(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProgram(exe, args, input);
  }
  Win32FileSystem fs;
  std::string exe;
};
}  // namespace

TEST_F(CliWin, UsageErrorAndHelp) {
  ProcessResult r = Cli({"map", "--find", "X"});
  EXPECT_EQ(r.exitCode, 2u);
  EXPECT_NE(r.err.find("Usage:"), std::string::npos);
  r = Cli({"--help"});
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_NE(r.out.find("ostrivane-cli move SOURCE DESTINATION_FOLDER"), std::string::npos);
}

TEST_F(CliWin, PreviewChangesNothingAndMapRewritesWithABackup) {
  const std::string ini = kData + "\\app.ini";
  const std::string before = "[Paths]\nHome=C:\\Old Tool Place\\bin\n";
  WriteTestFile(fs, ini, before);

  ProcessResult r = Cli({"map", "--find", "X", "--replace", "Y", "--targets", "settings", "--drives", "C", "--preview"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find("Ostrivane has finished\n"), std::string::npos);

  r = Cli({"map", "--find", "C:\\Old Tool Place", "--replace", "D:\\New", "--targets", "settings", "--drives", "C",
           "--preview"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find(ini + ": Home=C:\\Old Tool Place\\bin -> Home=D:\\New\\bin"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 link was remapped"), std::string::npos);
  EXPECT_EQ(fs.ReadWhole(ini), before);
  EXPECT_FALSE(fs.FileExists(kHome + "\\Undo00000.zip"));

  r = Cli({"map", "--find", "C:\\Old Tool Place", "--replace", "D:\\New", "--targets", "settings", "--drives", "C"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\n");
  EXPECT_EQ(fs.ReadWhole(ini), "[Paths]\nHome=D:\\New\\bin\n");  // its own line ends kept
  EXPECT_TRUE(fs.FileExists(kHome + "\\Undo00000.zip"));

  r = Cli({"undo", "list"});
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(r.out.rfind("Undo00000 - ", 0), 0u) << r.out;
  r = Cli({"undo", "delete", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_FALSE(fs.FileExists(kHome + "\\Undo00000.zip"));
  EXPECT_EQ(Cli({"undo", "list"}).out, "No Changes to Undo\n");
}

TEST_F(CliWin, VerifyAnswersOnTheConsole) {
  const std::string ini = kData + "\\v.ini";
  WriteTestFile(fs, ini, "a=C:\\VerifyOld\\1\r\nb=C:\\VerifyOld\\2\r\n");
  ProcessResult r = Cli({"map", "--find", "C:\\VerifyOld", "--replace", "E:\\V", "--targets", "settings", "--drives",
                         "C", "--verify"},
                        "r\ns\n");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.err.find("Setting Files"), std::string::npos);
  EXPECT_EQ(fs.ReadWhole(ini), "a=E:\\V\\1\r\nb=C:\\VerifyOld\\2\r\n");
  EXPECT_NE(r.out.find("1 link was remapped"), std::string::npos);

  r = Cli({"map", "--find", "C:\\VerifyOld", "--replace", "E:\\V", "--targets", "settings", "--drives", "C", "--verify"},
          "c\n");
  EXPECT_EQ(r.exitCode, 1u);
  EXPECT_EQ(r.out, "Process Cancelled\n0 links were remapped\n");
}

namespace {
std::string ReadValue(const char* key, const char* name) {
  char buf[512];
  DWORD size = sizeof buf, type = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, &type, buf, &size) != ERROR_SUCCESS) return "";
  return buf;
}
// The backup's text, whether stored as UTF-16 with a byte-order mark or as ANSI.
std::string BackupText(const std::string& bytes) {
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return bytes;
  std::string t;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) t += bytes[i];
  return t;
}
}  // namespace

TEST_F(CliWin, RegistryValueMappedAndTheSystemEditorImportsTheBackup) {
  const char* key = "Software\\OstrivaneCliTest";
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
  const std::string old = "C:\\OstrCliRegOld\\x";
  RegSetValueExA(h, "Home", 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()), DWORD(old.size() + 1));
  RegCloseKey(h);

  ProcessResult r = Cli({"map", "--find", "C:\\OstrCliRegOld", "--replace", "D:\\New", "--targets", "registry"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\n");
  EXPECT_EQ(ReadValue(key, "Home"), "D:\\New\\x");
  const std::string backup = BackupText(fs.ReadWhole(kHome + "\\Undo00000.reg"));
  EXPECT_EQ(backup.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << backup.substr(0, 60);

  ProcessResult imported = RunProgram("C:\\windows\\regedit.exe", {"/s", kHome + "\\Undo00000.reg"});
  EXPECT_EQ(imported.exitCode, 0u);
  EXPECT_EQ(ReadValue(key, "Home"), old);
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

#include <fstream>
#include <iterator>

#include "RawLink.h"
#include "undo/FileBackupArchive.h"
#include "undo/win32/Win32UndoPlatform.h"

TEST_F(CliWin, ShortcutRemappedAndItsBackupRestoresItExactly) {
  const std::string lnk = kData + "\\Tool.lnk";
  fs.MakeFolders(kData);
  MakeLink(lnk, "C:\\OstrCliLnkOld\\app.exe", "/x", "C:\\Elsewhere");
  const std::string before = fs.ReadWhole(lnk);

  ProcessResult r = Cli({"map", "--find", "C:\\OstrCliLnkOld", "--replace", "D:\\New", "--targets", "shortcuts",
                         "--drives", "C"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n1 link was remapped\n");
  const RawLinkParts now = ReadRawLink(lnk);
  EXPECT_EQ(now.target, "D:\\New\\app.exe");
  EXPECT_EQ(now.workingDir, "D:\\New\\");
  EXPECT_EQ(now.arguments, "/x");

  Win32UndoPlatform platform;
  const RestoreResult restored = RestoreArchive(fs, platform, kHome + "\\Undo00000.zip");
  EXPECT_EQ(restored.restored, 1);
  EXPECT_TRUE(restored.refusals.empty());
  EXPECT_EQ(fs.ReadWhole(lnk), before);
}

TEST_F(CliWin, ConfigurationFilesAreMappedByDefaultAndOnlyThen) {
  const std::string json = kData + "\\app.json";
  const std::string script = kData + "\\start.ps1";
  const std::string jsonBefore = "{\r\n  \"exe\": \"C:\\\\OstrCliCfgOld\\\\app.exe\"\r\n}\r\n";
  const std::string scriptBefore = "& 'C:\\OstrCliCfgOld\\app.exe' -x\n$data = \"C:/OstrCliCfgOld/data\"\n";
  WriteTestFile(fs, json, jsonBefore);
  WriteTestFile(fs, script, scriptBefore);

  ProcessResult r = Cli({"map", "--find", "C:\\OstrCliCfgOld", "--replace", "D:\\New Place", "--targets",
                         "registry,settings,shortcuts", "--drives", "C"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(fs.ReadWhole(json), jsonBefore);
  EXPECT_EQ(fs.ReadWhole(script), scriptBefore);

  r = Cli({"map", "--find", "C:\\OstrCliCfgOld", "--replace", "D:\\New Place", "--drives", "C"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(fs.ReadWhole(json), "{\r\n  \"exe\": \"D:\\\\New Place\\\\app.exe\"\r\n}\r\n");
  EXPECT_EQ(fs.ReadWhole(script), "& 'D:\\New Place\\app.exe' -x\n$data = \"D:/New Place/data\"\n");
  EXPECT_NE(r.out.find("3 links were remapped"), std::string::npos) << r.out;
}
