// The console front end as a user runs it: a copy in a plain folder of C:,
// records written beside it.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "core/Text.h"
#include "core/win32/Win32FileSystem.h"
#include "engine/ChangeReport.h"
#include "engine/MappingRun.h"
#include "support/TestTree.h"
#include "undo/CivilTime.h"
#include "undo/win32/Win32UndoPlatform.h"

#include <optional>
#include <sstream>

namespace {
const std::string kHome = "C:\\ostrivane-test-cli";
const std::string kData = "C:\\ostrivane-test-cli-data";

class CliWin : public ConsoleFixture {
 protected:
  CliWin() : ConsoleFixture(kHome, kData) {}
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
  EXPECT_NE(r.out.find("The preview is finished: nothing was changed\n"), std::string::npos);

  r = Cli({"map", "--find", "C:\\Old Tool Place", "--replace", "D:\\New", "--targets", "settings", "--drives", "C",
           "--preview"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find(ini + ": Home=C:\\Old Tool Place\\bin -> Home=D:\\New\\bin"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 link would be remapped"), std::string::npos);
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

// A detection script's cycle: the preview says a run is due (5) and changes
// nothing; once the run is made it says nothing is left to do (0).
TEST_F(CliWin, PreviewExitCodeForADetectionScript) {
  const std::string ini = kData + "\\detect.ini";
  const std::string before = "[Paths]\r\nHome=C:\\Old Detect Place\\bin\r\n";
  WriteTestFile(fs, ini, before);
  const std::vector<std::string> map = {"map", "--find", "C:\\Old Detect Place", "--replace", "D:\\New",
                                        "--targets", "settings", "--drives", "C"};
  std::vector<std::string> detect = map;
  detect.insert(detect.end(), {"--preview", "--exit-code"});

  ProcessResult r = Cli(detect);
  EXPECT_EQ(r.exitCode, 5u) << r.out << r.err;
  EXPECT_NE(r.out.find("1 link would be remapped"), std::string::npos) << r.out;
  EXPECT_EQ(fs.ReadWhole(ini), before);
  r = Cli(map);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  r = Cli(detect);
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_NE(r.out.find("0 links would be remapped"), std::string::npos) << r.out;
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
  EXPECT_EQ(r.out, "Process Cancelled\n0 links were remapped\nThe run was cancelled before it changed anything.\n");
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

// An administrator's job run twice: the second run finds what the first one
// wrote and changes nothing.
TEST_F(CliWin, ARepeatedMapIntoAFolderOfItsOwnChangesNothingTheSecondTime) {
  const std::string old = "C:\\OstrCliRepeat", into = old + "\\Old";
  const HKEY root = HKEY_CURRENT_USER;
  const char* key = "Software\\OstrivaneCliRepeatTest";
  RegDeleteTreeA(root, key);
  const auto setText = [&](const char* name, const std::string& text) {
    RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(), DWORD(text.size() + 1));
  };
  setText("Home", old + "\\reports");
  setText("Sibling", old + "\\Oldies");
  const std::string ini = kData + "\\repeat.ini";
  WriteTestFile(fs, ini, "[p]\r\nhome=" + old + "\\reports\r\nweb=C:/OstrCliRepeat/www\r\n");
  const std::vector<std::string> job = {"map", "--find", old, "--replace", into, "--targets", "registry,settings",
                                        "--drives", "C"};

  ProcessResult r = Cli(job);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n4 links were remapped\n");
  const std::string once = "[p]\r\nhome=" + into + "\\reports\r\nweb=C:/OstrCliRepeat/Old/www\r\n";
  EXPECT_EQ(fs.ReadWhole(ini), once);
  EXPECT_EQ(ReadValue(key, "Home"), into + "\\reports");
  EXPECT_EQ(ReadValue(key, "Sibling"), into + "\\Oldies");  // another item, not the new place

  r = Cli(job);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n0 links were remapped\n");
  EXPECT_EQ(fs.ReadWhole(ini), once);
  EXPECT_EQ(ReadValue(key, "Home"), into + "\\reports");
  EXPECT_EQ(ReadValue(key, "Sibling"), into + "\\Oldies");
  // Nothing to undo from the second run: it left no entry.
  r = Cli({"undo", "list"});
  EXPECT_NE(r.out.find("Undo00000 - "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Undo00001"), std::string::npos) << r.out;
  RegDeleteTreeA(root, key);
}

// Before the move the new place has no short form: the preview shows it long
// and says so, and neither its end lines nor the disk tell of a move made.
TEST_F(CliWin, AMovesPreviewTellsOfNoMoveAndGuessesNoShortForm) {
  const std::string item = kData + "\\Acme Tools", destination = kData + "\\Apps";
  const std::string moved = destination + "\\Acme Tools";
  WriteTestFile(fs, item + "\\svc.exe", "MZ");
  fs.MakeFolders(destination);
  const std::string oldShort = fs.ShortPathOf(item).value_or("");
  ASSERT_FALSE(EqualFold(oldShort, item)) << "no short name here";
  const std::string ini = kData + "\\svc.ini";
  WriteTestFile(fs, ini, "[s]\r\nexe=" + oldShort + "\\svc.exe\r\n");
  const std::vector<std::string> move = {"move", item, destination, "--targets", "settings", "--drives", "C"};

  std::vector<std::string> preview = move;
  preview.push_back("--preview");
  ProcessResult r = Cli(preview);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find(ini + ": exe=" + oldShort + "\\svc.exe -> exe=" + moved + "\\svc.exe\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("The preview is finished: nothing was changed\nThe files would be moved and\n1 link would be remapped\n" +
                       std::string(kShortFormAfterMoveNote) + "\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("successfully"), std::string::npos) << r.out;
  EXPECT_TRUE(fs.FileExists(item + "\\svc.exe"));
  EXPECT_FALSE(fs.AttributesOf(moved));

  r = Cli(move);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find("The files were successfully moved and\n1 link was remapped\n"), std::string::npos) << r.out;
  EXPECT_EQ(fs.ReadWhole(ini), "[s]\r\nexe=" + fs.ShortPathOf(moved).value_or("?") + "\\svc.exe\r\n");
}

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

TEST_F(CliWin, AServiceAndARunValueGetANewPlaceWithASpaceQuoted) {
  const std::string service = "SYSTEM\\CurrentControlSet\\Services\\OstrW6Svc";
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const auto clean = [&] {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideText(service).c_str());
    HKEY h;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WideText(run).c_str(), 0, KEY_SET_VALUE, &h) == ERROR_SUCCESS) {
      RegDeleteValueW(h, L"OstrW6Tray");
      RegCloseKey(h);
    }
  };
  clean();
  SetRegistryText(HKEY_LOCAL_MACHINE, service, "ImagePath", REG_EXPAND_SZ, "C:\\OstrW6Svc\\svc.exe -k netsvcs");
  SetText(run, "OstrW6Tray", REG_SZ, "C:\\OstrW6Svc\\tray.exe /min");
  const std::vector<std::string> map = {"map", "--find", "C:\\OstrW6Svc", "--replace", "D:\\New Folder\\OstrW6Svc",
                                        "--targets", "registry"};
  ProcessResult r = Cli(map);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n2 links were remapped\n");
  // Windows would otherwise run D:\New.exe first, as the service's account.
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, service, "ImagePath"),
            "\"D:\\New Folder\\OstrW6Svc\\svc.exe\" -k netsvcs");
  EXPECT_EQ(TextValue(run, "OstrW6Tray"), "\"D:\\New Folder\\OstrW6Svc\\tray.exe\" /min");
  // A repeat finds nothing to change.
  r = Cli(map);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n0 links were remapped\n");
  // A new place no path could be is refused before anything is walked.
  r = Cli({"map", "--find", "C:\\OstrW6Svc", "--replace", "D:\\a\"b", "--targets", "registry"});
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_NE(r.err.find("holds the character \" (quotation mark)"), std::string::npos) << r.err;
  clean();
}

// A printer connection moves to the new server as one: its key named in
// commas with the value beside it, and back again with the undo.
TEST_F(CliWin, APrinterConnectionMovesWithItsServer) {
  const std::string connections = "Printers\\Connections";
  const std::string oldKey = connections + "\\,,OSTROLDSRV,LaserJet", newKey = connections + "\\,,OSTRNEWSRV,LaserJet";
  const auto clean = [&] {
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(oldKey).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(newKey).c_str());
  };
  clean();
  SetText(oldKey, "Server", REG_SZ, "\\\\OSTROLDSRV");
  ProcessResult r = Cli({"map", "--find", "\\\\OSTROLDSRV", "--replace", "\\\\OSTRNEWSRV", "--targets", "registry"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(TextValue(newKey, "Server"), "\\\\OSTRNEWSRV");
  HKEY h;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, WideText(oldKey).c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(TextValue(oldKey, "Server"), "\\\\OSTROLDSRV");
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, WideText(newKey).c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  clean();
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
  EXPECT_EQ(now.workingDir, "C:\\Elsewhere");  // names no old place: kept
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

// Paths as programs write them in their own files, and through the
// system's variables: each changed in kind, a second run finds nothing, and
// the undo gives every file back byte for byte.
TEST_F(CliWin, SpellingsProgramsWriteAreMappedInKindAndUndoneExactly) {
  const struct {
    std::string name, before, after;
  } files[] = {
      {"app.properties", "home=C\\:\\\\Program Files\\\\OstrSpell J\\u00F6rg\\\\bin\n",
       "home=C\\:\\\\Program Files\\\\OstrSpell Neu\\\\bin\n"},
      {"a.json", "{\"a\":\"C:\\/Program Files\\/OstrSpell J\\u00f6rg\\/x\",\"b\":\"C:\\\\Program Files\\\\OstrSpell J\\u00f6rg2\"}",
       "{\"a\":\"C:\\/Program Files\\/OstrSpell Neu\\/x\",\"b\":\"C:\\\\Program Files\\\\OstrSpell J\\u00f6rg2\"}"},
      {"links.cfg", "u=file:///C:/Program%20Files/OstrSpell%20J%C3%B6rg/\n",
       "u=file:///C:/Program%20Files/OstrSpell%20Neu/\n"},
      {"a.xml", "<p a=\"C:\\Program Files\\OstrSpell J&#xF6;rg\" b=\"&quot;C:\\Program Files\\OstrSpell Jörg&quot;\"/>",
       "<p a=\"C:\\Program Files\\OstrSpell Neu\" b=\"&quot;C:\\Program Files\\OstrSpell Neu&quot;\"/>"},
      {"run.bat", "\"%ProgramFiles%\\OstrSpell Jörg\\a.exe\"\r\n", "\"%ProgramFiles%\\OstrSpell Neu\\a.exe\"\r\n"},
      {"run.ps1", "& \"$env:ProgramFiles\\OstrSpell Jörg\\a.exe\"\n", "& \"$env:ProgramFiles\\OstrSpell Neu\\a.exe\"\n"},
  };
  for (const auto& f : files) WriteTestFile(fs, kData + "\\" + f.name, f.before);
  const std::vector<std::string> map = {"map", "--find", "C:\\Program Files\\OstrSpell Jörg", "--replace",
                                        "C:\\Program Files\\OstrSpell Neu", "--drives", "C"};
  ProcessResult r = Cli(map);
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  for (const auto& f : files) EXPECT_EQ(fs.ReadWhole(kData + "\\" + f.name), f.after) << f.name;
  EXPECT_NE(r.out.find("7 links were remapped"), std::string::npos) << r.out;
  r = Cli(map);
  EXPECT_NE(r.out.find("0 links were remapped"), std::string::npos) << r.out;
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  for (const auto& f : files) EXPECT_EQ(fs.ReadWhole(kData + "\\" + f.name), f.before) << f.name;
}

#include <set>

#include "engine/ChangeReport.h"

namespace {
// The value of one string field of a JSON Lines object the program wrote
// (its own escapes: \" \\ \t \r \n \uXXXX for non-ASCII); nullopt when the
// field is missing or the line is no object.
std::optional<std::string> JsonField(const std::string& line, const std::string& name) {
  if (line.empty() || line.front() != '{' || line.back() != '}') return std::nullopt;
  const std::string head = "\"" + name + "\":";
  const std::size_t at = line.find(head);
  if (at == std::string::npos) return std::nullopt;
  std::size_t i = at + head.size();
  if (line[i] != '"') {  // a number
    const std::size_t end = line.find_first_of(",}", i);
    return line.substr(i, end - i);
  }
  std::string out;
  for (++i; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\') {
      out += line[i];
      continue;
    }
    const char c = line[++i];
    if (c == 'u') {
      out += "?";
      i += 4;
    } else {
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
  }
  if (i >= line.size()) return std::nullopt;
  return out;
}
}  // namespace

TEST_F(CliWin, ChangeListOfEveryKindAsJsonLinesAndReport) {
  const std::string old = "C:\\OstrKinds\\Old";
  const char* key = "Software\\OstrivaneKindsTest";
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
  const std::string data = old + "\\x.exe";
  RegSetValueExA(h, "Home", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), DWORD(data.size() + 1));
  RegSetValueExA(h, (old + "\\v").c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  HKEY sub;
  ASSERT_EQ(RegCreateKeyExA(h, old.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(h);
  WriteTestFile(fs, kData + "\\app.ini", "[p]\r\nhome=" + old + "\\bin\r\n");
  WriteTestFile(fs, kData + "\\run.bat", "@echo off\r\n\r\nstart " + old + "\\x.exe\r\n");
  MakeLink(kData + "\\Tool.lnk", old + "\\app.exe", "/in " + old + "\\data", old);
  // Held open with no sharing: it cannot even be read.
  const std::string locked = kData + "\\locked.ini";
  WriteTestFile(fs, locked, "a=" + old + "\r\n");
  HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  ProcessResult r = Cli({"map", "--find", old, "--replace", "D:\\New Kinds", "--drives", "C", "--json", "--report",
                         kData + "\\report.log"});
  CloseHandle(held);
  EXPECT_EQ(r.exitCode, 4u) << r.err;
  // Counted under its reason, and named below it.
  EXPECT_NE(r.err.find("\n  " + locked + "\n"), std::string::npos) << r.err;

  std::set<std::string> kinds, shortcutsChanged;
  std::size_t lines = 0, changed = 0;
  // The change lines, then the closing summary.
  const std::size_t summaryAt = r.out.rfind("{\"summary\":");
  ASSERT_NE(summaryAt, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"exitStatus\":4", summaryAt), std::string::npos) << r.out.substr(summaryAt);
  std::istringstream out(r.out.substr(0, summaryAt));
  for (std::string line; std::getline(out, line);) {
    ++lines;
    for (const char* field : {"where", "value", "line", "kind", "old", "new", "outcome", "reason"})
      ASSERT_TRUE(JsonField(line, field)) << field << " in " << line;
    kinds.insert(*JsonField(line, "kind"));
    // A shortcut counts once, however many of its parts changed.
    if (*JsonField(line, "outcome") == "changed" && JsonField(line, "kind")->rfind("shortcut", 0) == 0)
      shortcutsChanged.insert(*JsonField(line, "where"));
    else
      changed += *JsonField(line, "outcome") == "changed";
    if (*JsonField(line, "where") == locked) {
      EXPECT_EQ(*JsonField(line, "outcome"), "passed over");
      EXPECT_FALSE(JsonField(line, "reason")->empty());
    }
    if (*JsonField(line, "kind") == "configuration line") {
      EXPECT_EQ(*JsonField(line, "line"), "3");
      // Quoted, after the empty title that "start" takes first.
      EXPECT_EQ(*JsonField(line, "new"), "start \"\" \"D:\\New Kinds\\x.exe\"");
    }
  }
  EXPECT_EQ(kinds, (std::set<std::string>{"value data", "value name", "key path", "settings line",
                                          "configuration line", "shortcut target", "shortcut arguments",
                                          "shortcut working folder", "place"}))
      << r.out;
  EXPECT_EQ(shortcutsChanged.size(), 1u);
  EXPECT_NE(r.err.find(std::to_string(changed + 1) + " links were remapped"), std::string::npos) << r.err;

  // The run's own report and the one asked for hold the same entries.
  const ReadReport log = ReadChangeReport(fs.ReadWhole(kHome + "\\Undo00000.log"));
  const ReadReport asked = ReadChangeReport(fs.ReadWhole(kData + "\\report.log"));
  EXPECT_EQ(log.entries.size(), lines);
  EXPECT_EQ(asked.entries.size(), lines);
  EXPECT_EQ(log.Field("Find"), old);
  EXPECT_FALSE(log.Field("Started").empty());
  EXPECT_EQ(Cli({"undo", "list"}).out.find(" - Map Only: " + old + " -> D:\\New Kinds\n") != std::string::npos, true);

  // The undo writes what it restored under "Undo".
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out;
  const ReadReport undone = ReadChangeReport(fs.ReadWhole(kHome + "\\Undo00000.log"));
  ASSERT_FALSE(undone.undo.empty());
  EXPECT_EQ(undone.undo[0].first, "Undo");
  EXPECT_GT(undone.undo.size(), 1u);
  RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

// Two runs, then an undo of the older: the undo writes to the older entry's
// report last, yet the list keeps the runs' order and says when it was undone,
// in the system's formats.
TEST_F(CliWin, UndoListKeepsTheRunsOrderAndSaysWhenAnEntryWasUndone) {
  for (const char* which : {"A", "B"}) {
    const std::string old = std::string("C:\\OstrList") + which;
    WriteTestFile(fs, kData + "\\" + which + ".ini", "[p]\r\nhome=" + old + "\r\n");
    const ProcessResult r = Cli({"map", "--find", old, "--replace", "D:\\New", "--targets", "settings", "--drives", "C"});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
  }
  ProcessResult r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  std::optional<FileTicks> undoneAt;
  for (const auto& [row, value] : ReadChangeReport(fs.ReadWhole(kHome + "\\Undo00000.log")).undo)
    if (row == kUndoUtcRow) undoneAt = UtcStampTicks(value);
  ASSERT_TRUE(undoneAt);
  Win32UndoPlatform platform;
  const FileTicks local = platform.ToLocal(*undoneAt);

  r = Cli({"undo", "list"});
  std::istringstream lines(r.out);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first.rfind("Undo00000 - ", 0), 0u) << r.out;
  EXPECT_NE(first.find(" - Map Only: C:\\OstrListA -> D:\\New - undone " + platform.ShortDate(local) + " " +
                       platform.ShortTime(local)),
            std::string::npos)
      << r.out;
  EXPECT_EQ(second.rfind("Undo00001 - ", 0), 0u) << r.out;
  EXPECT_EQ(second.find("undone"), std::string::npos) << r.out;
}

// A portable copy on E: (a small drive of the tests' own) keeps its records
// beside itself, where an earlier run left some, all naming the old place. A
// run over every file of the drive leaves each of them byte for byte, while
// the same names in another folder are re-mapped.
TEST(CliRecordsWin, TargetsAllLeavesEveryFileOfTheRecordsFolderAsItIs) {
  Win32FileSystem fs;
  if (!fs.FolderExists("E:\\")) GTEST_SKIP() << "no E: drive (scripts/wine-ctest.sh maps it)";
  const std::string home = "E:\\ostrivane-test-records", data = "E:\\ostrivane-test-records-data";
  const std::string old = "C:\\OstrRecordsOld", renewed = "D:\\OstrRecordsNew";
  RemoveTree(fs, home);
  RemoveTree(fs, data);
  const std::string exe = InstallCopy(OSTRIVANE_CLI_EXE, home, "ostrivane-cli.exe");
  const std::vector<std::pair<std::string, std::string>> records = {
      {"Undo00000.log", "Mode\tMap Only\r\nFind\t" + old + "\r\nReplace\tC:\\Elsewhere\r\n"},
      {"Undo00000.bat", "[Move]\r\nSource=" + old + "\r\n"},
      {"Undo00000.after", old + "\r\n"},
      {"Ostrivane.ini", "[Undo List]\r\nDeleteOlderThan=3\r\n[Start]\r\nLast=" + old + "\r\n"},
      {"notes.txt", old + "\r\n"},
  };
  for (const auto& [name, text] : records) {
    WriteTestFile(fs, home + "\\" + name, text);
    WriteTestFile(fs, data + "\\" + name, text);
  }

  const ProcessResult r = RunProgram(exe, {"map", "--find", old, "--replace", renewed, "--targets", "all", "--drives", "E"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  for (const auto& [name, text] : records) {
    EXPECT_EQ(fs.ReadWhole(home + "\\" + name), text) << name;
    EXPECT_NE(fs.ReadWhole(data + "\\" + name).find(renewed), std::string::npos) << name << " elsewhere";
  }
  // Nor was the run's own report, written beside them, looked at.
  const ReadReport report = ReadChangeReport(fs.ReadWhole(home + "\\Undo00001.log"));
  EXPECT_EQ(report.entries.size(), records.size());
  for (const ChangeEntry& e : report.entries) EXPECT_EQ(e.where.rfind(data + "\\", 0), 0u) << e.where;
  RemoveTree(fs, home);
  RemoveTree(fs, data);
}

namespace {
class CliSwitchWin : public ConsoleFixture {
 protected:
  CliSwitchWin() : ConsoleFixture(kHome, kData, "Software\\OstrivaneTestSwitch") {}
  // "N" of the closing line "N links would be/were remapped".
  static std::string LinkCount(const std::string& out) {
    const std::size_t at = out.find(" link");
    const std::size_t from = out.rfind('\n', at) == std::string::npos ? 0 : out.rfind('\n', at) + 1;
    return at == std::string::npos ? "" : out.substr(from, at - from);
  }
};
}  // namespace

// Every spelling of both drives switched in the registry and in files, as
// the preview showed it, with no stand-in anywhere; the undo gives all back.
TEST_F(CliSwitchWin, EverySpellingOfBothDrivesIsSwitchedAsPreviewedAndUndone) {
  const std::string key = "Software\\OstrivaneTestSwitch";
  const std::pair<std::string, std::string> values[] = {
      {"Q:/data/x", "R:/data/x"},         {"file:///Q:/data/x", "file:///R:/data/x"},
      {"Q:/a;R:/b", "R:/a;Q:/b"},         {"Q:\\a;R:\\b", "R:\\a;Q:\\b"},
      {"Q:", "R:"},                       {"TYPE:Q:", "TYPE:Q:"},
      {"*:\\pagefile.sys", "*:\\pagefile.sys"},
  };
  for (std::size_t i = 0; i < std::size(values); ++i)
    SetText(key, "v" + std::to_string(i), REG_SZ, values[i].first);
  const struct {
    std::string name, before, after;
  } files[] = {
      {"a.ini", "a=Q:/data/x\r\nb=file:///Q:/y\r\nc=R:\\z\r\n", "a=R:/data/x\r\nb=file:///R:/y\r\nc=Q:\\z\r\n"},
      {"app.properties", "home=Q\\:\\\\data\n", "home=R\\:\\\\data\n"},
      {"a.json", R"({"a":"file:///Q:/data","b":"Q:\\data\\x","c":"Q:\/data"})",
       R"({"a":"file:///R:/data","b":"R:\\data\\x","c":"R:\/data"})"},
  };
  for (const auto& f : files) WriteTestFile(fs, kData + "\\" + f.name, f.before);
  const std::string registryBefore = Registry();
  const std::vector<std::string> sw = {"switch", "Q", "R", "--targets", "registry,settings,config", "--drives", "C"};
  std::vector<std::string> preview = sw;
  preview.push_back("--preview");
  ProcessResult r = Cli(preview);
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  const std::string previewed = LinkCount(r.out);
  r = Cli(sw);
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(LinkCount(r.out), previewed) << r.out;
  for (std::size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(TextValue(key, "v" + std::to_string(i)), values[i].second) << values[i].first;
  for (const auto& f : files) EXPECT_EQ(fs.ReadWhole(kData + "\\" + f.name), f.after) << f.name;
  EXPECT_EQ(fs.ReadWhole(kHome + "\\Undo00000.log").find("*:"), std::string::npos);
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.err << r.out;
  EXPECT_EQ(Registry(), registryBefore);
  for (const auto& f : files) EXPECT_EQ(fs.ReadWhole(kData + "\\" + f.name), f.before) << f.name;
}
