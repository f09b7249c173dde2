#include <gtest/gtest.h>

#include "core/Error.h"
#include "engine/GuardRails.h"
#include "support/TestRun.h"
#include "regmap/RegImport.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeShellMove.h"
#include "support/FakeUi.h"
#include "support/MemoryRegistry.h"
#include "undo/MoveDir.h"

namespace {

struct FakeKnownFolders : KnownFolders {
  ProtectedPlaces Places() override {
    ProtectedPlaces p;
    p.windows = "C:\\Windows";
    p.programRoots = {"C:\\Program Files", "C:\\Program Files (x86)", "C:\\ProgramData"};
    p.users = "C:\\Users";
    p.ownFolder = "D:\\Tools\\Ostrivane";
    p.ownFiles = {"D:\\Tools\\Ostrivane\\ostrivane-cli.exe"};
    return p;
  }
  std::string LongForm(const std::string& path) override {
    return path.rfind("C:\\WINDOW~1", 0) == 0 ? "C:\\Windows" + path.substr(11) : path;
  }
};

TEST(GuardRails, MovesOfTheSystemsAndTheProgramsOwnPlacesAreRefusedWithTheirRule) {
  FakeKnownFolders known;
  GuardRails guard(known);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"C:\\", "drive root"},
      {"d:", "drive root"},
      {"\\\\server\\share", "drive root"},
      {"C:\\windows\\system32\\drivers\\etc", "Windows folder"},
      {"c:/WINDOWS/", "Windows folder"},
      {"C:\\Windows. ", "Windows folder"},
      {"C:\\Apps\\..\\Windows\\Fonts", "Windows folder"},
      {"C:\\WINDOW~1\\Fonts", "Windows folder"},
      {"C:\\Program Files", "Program Files"},
      {"C:\\ProgramData\\", "ProgramData"},
      {"C:\\Users", "Users folder"},
      {"C:\\users\\Bob", "profile"},
      {"D:\\Tools", "Ostrivane itself"},
      {"D:\\Tools\\Ostrivane", "Ostrivane itself"},
      {"D:\\Tools\\Ostrivane\\ostrivane-cli.exe", "Ostrivane itself"},
  };
  for (const auto& [item, rule] : refused) {
    const std::optional<EngineRefusal> refused = guard.MoveRefusal(item);
    const std::string why = refused ? RefusalText(*refused) : "";
    EXPECT_EQ(why.rfind(item + " is left where it is: ", 0), 0u) << item << ": " << why;
    EXPECT_NE(why.find(rule), std::string::npos) << item << ": " << why;
  }
  for (const char* item : {"C:\\Program Files\\App", "C:\\Users\\Bob\\Documents", "C:\\WindowsApps",
                           "C:\\Windows2\\x", "D:\\Tools\\Other", "\\\\server\\share\\x", "D:\\ToolsOld"})
    EXPECT_FALSE(guard.MoveRefusal(item)) << item;

  // Every file of an entry, by its name: what the run wrote, its tasks and
  // its report are records as much as its backups.
  for (const char* target : {"D:\\Tools\\Ostrivane\\Undo00001.zip", "d:\\tools\\ostrivane\\undo12345.BAT",
                             "D:\\Tools\\Ostrivane\\.\\OSTRIVANE-CLI.EXE", "D:\\Tools\\Ostrivane\\Undo00001.after",
                             "D:\\Tools\\Ostrivane\\Undo00001.tasks", "D:\\Tools\\Ostrivane\\UNDO00001.Log. ",
                             "D:\\Tools\\Ostrivane\\Undo00001.zip::$DATA", "D:\\Tools\\Ostrivane\\Undo00001.new"})
    EXPECT_TRUE(guard.RestoreRefusal(target)) << target;
  for (const char* target : {"D:\\Tools\\Ostrivane\\Ostrivane.ini", "D:\\Tools\\Ostrivane\\Sub\\Undo00001.zip",
                             "C:\\Data\\Undo00001.zip", "D:\\Tools\\Ostrivane\\Undo0001.zip",
                             "D:\\Tools\\Ostrivane\\Undo00001 notes.txt"})
    EXPECT_FALSE(guard.RestoreRefusal(target)) << target;
}

// A hand-made registry backup may not delete a hive or a top key; a deep
// key goes as before. Each refusal is a failed line naming the rule.
TEST(GuardRails, RegistryBackupDeletesNoHiveAndNoShallowKey) {
  Cp1252 cp;
  MemoryRegistry reg;
  for (const char* key : {"Software\\Keep", "Software\\Gone\\Deep"}) reg.PutText(RegRoot::LocalMachine, key, "x", "1");
  reg.PutText(RegRoot::Users, "S-1-5-21\\Software\\Keep", "x", "1");
  const RegImportResult r = ImportRegText(reg,
                                          "REGEDIT4\r\n\r\n"
                                          "[-HKEY_LOCAL_MACHINE]\r\n"
                                          "[-HKEY_LOCAL_MACHINE\\Software]\r\n"
                                          "[-HKEY_LOCAL_MACHINE\\\\Software\\\\]\r\n"
                                          "[-HKEY_USERS\\S-1-5-21\\Software]\r\n"
                                          "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\r\n",
                                          cp);
  ASSERT_EQ(r.failed.size(), 4u);
  for (const FailedRegLine& f : r.failed) EXPECT_NE(f.reason.find("three levels deep"), std::string::npos) << f.text;
  EXPECT_TRUE(reg.Get(RegRoot::LocalMachine, "Software\\Keep", "x"));
  EXPECT_TRUE(reg.Get(RegRoot::Users, "S-1-5-21\\Software\\Keep", "x"));
  EXPECT_FALSE(reg.HasKey(RegRoot::LocalMachine, "Software\\Gone"));
}

// A refused move writes no record and makes no folder.
TEST(GuardRails, RefusedMovesLeaveNothingBehind) {
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  ctx.recordsFolder = "D:\\Tools\\Ostrivane\\";
  ctx.tally.undoName = "Undo00000";
  ctx.ui = &ui;
  FakeShellMove shell{fs};
  FakeKnownFolders known;
  GuardRails guard(known);
  FolderMove mover{fs, shell, true};
  mover.SetGuard(&guard);
  fs.AddFolder("D:\\Tools\\Ostrivane");
  fs.AddFile("C:\\Windows\\System32\\drivers\\etc\\hosts", "127.0.0.1 localhost");
  fs.AddFolder("E:\\");
  const std::vector<std::string> before = fs.Paths();
  try {
    mover.MoveDir(ctx.Pass(), "C:\\Windows\\System32\\drivers\\etc", "E:\\Moved\\etc");
    ADD_FAILURE() << "moved";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Windows folder"), std::string::npos) << e.what();
  }
  EXPECT_EQ(mover.MoveBack("D:\\Tools\\Ostrivane", "E:\\Elsewhere").find("Ostrivane itself") != std::string::npos,
            true);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(fs.Paths(), before);
}

}  // namespace
