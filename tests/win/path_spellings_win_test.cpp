// Paths as programs write them, through the console on a real disk and
// registry: the folder addresses an editor keeps, and a path followed by a
// space and its arguments in a logon script, a settings file and a command.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "support/TestTree.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-spell";
const std::string kData = "C:\\ostrivane-test-spell-data";
const std::string kKey = "Software\\OstrivaneSpellTest";

class PathSpellingsWin : public ConsoleFixture {
 protected:
  PathSpellingsWin() : ConsoleFixture(kHome, kData, kKey) {}
};
}  // namespace

TEST_F(PathSpellingsWin, AnEditorsFolderAddressIsChangedInItsOwnSpelling) {
  const std::string storage = kData + "\\Code\\User\\globalStorage\\storage.json";
  const auto state = [](const std::string& folder) {
    return "{\n  \"windowsState\": {\"lastActiveWindow\": {\"folder\": \"file:///c%3A/ostrivane-test-spell-data/" +
           folder + "\"}},\n  \"backupWorkspaces\": {\"folders\": [{\"folderUri\": \"file:///c%3A/ostrivane-test-spell-data/" +
           folder + "/src\"}, {\"folderUri\": \"file:///c%3A/ostrivane-test-spell-data/proj2\"}]}\n}\n";
  };
  WriteTestFile(fs, storage, state("proj"));
  const ProcessResult r = Cli({"map", "--find", kData + "\\proj", "--replace", kData + "\\Work Copy", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(storage), state("Work%20Copy"));
  EXPECT_NE(r.out.find("2 links were remapped"), std::string::npos) << r.out;
}

TEST_F(PathSpellingsWin, APathBeforeItsArgumentsIsChangedAndALongerNameThatIsThereLeft) {
  fs.MakeFolders(kData + "\\Tools Old");
  const std::string script = kData + "\\logon.cmd", ini = kData + "\\tool.ini";
  WriteTestFile(fs, script,
                "net use X: \\\\OSTRSPELLSRV\\share /persistent:yes\r\n"
                "C:\\ostrivane-test-spell-data\\Tools /x\r\n"
                "C:\\ostrivane-test-spell-data\\Tools Old\\a.exe -q\r\n");
  WriteTestFile(fs, ini, "[t]\r\ntool=C:\\ostrivane-test-spell-data\\Tools /x\r\n");
  SetText(kKey, "command", REG_SZ, "C:\\ostrivane-test-spell-data\\Tools /x");

  ProcessResult r = Cli({"map", "--find", "\\\\OSTRSPELLSRV\\share", "--replace", "\\\\OSTRSPELLNEW\\share", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  r = Cli({"map", "--find", kData + "\\Tools", "--replace", kData + "\\NewTools", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(script),
            "net use X: \\\\OSTRSPELLNEW\\share /persistent:yes\r\n"
            "C:\\ostrivane-test-spell-data\\NewTools /x\r\n"
            "C:\\ostrivane-test-spell-data\\Tools Old\\a.exe -q\r\n");
  EXPECT_EQ(fs.ReadWhole(ini), "[t]\r\ntool=C:\\ostrivane-test-spell-data\\NewTools /x\r\n");
  EXPECT_EQ(TextValue(kKey, "command"), "C:\\ostrivane-test-spell-data\\NewTools /x");
  EXPECT_NE(r.out.find("3 links were remapped"), std::string::npos) << r.out;
}
