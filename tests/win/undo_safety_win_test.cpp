// The console's undo on Wine's real registry and disk: it gives back only the
// places that still hold what the run wrote, names the others, and a run
// that changed nothing leaves no records behind.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-undosafety";
const std::string kData = "C:\\ostrivane-test-undosafety-data";
const std::string kKey = "Software\\OstrivaneUndoSafety";

class UndoSafetyWin : public ConsoleFixture {
 protected:
  UndoSafetyWin() : ConsoleFixture(kHome, kData, kKey) {}
  void SetUp() override {
    ConsoleFixture::SetUp();
    for (const char* f : {"a", "b"})
      WriteTestFile(fs, Ini(f), std::string("[S]\r\nPath=\\\\OLDSRV\\Data\\") + f + "\r\n");
    SetRegistryText(HKEY_CURRENT_USER, kKey, "One", REG_SZ, "\\\\OLDSRV\\Data\\1");
    SetRegistryText(HKEY_CURRENT_USER, kKey, "Two", REG_SZ, "\\\\OLDSRV\\Data\\2");
  }
  std::string Ini(const std::string& name) { return kData + "\\" + name + ".ini"; }
  ProcessResult Map(const std::string& find, const std::string& replace) {
    return Cli({"map", "--find", find, "--replace", replace, "--targets", "registry,settings", "--drives", "C"});
  }
  std::string State() {
    return fs.ReadWhole(Ini("a")) + fs.ReadWhole(Ini("b")) + Registry();
  }
  std::string Records() {
    std::string out;
    for (const DirEntry& e : fs.ListFolder(kHome + "\\Undo*")) out += e.name + " ";
    return out;
  }
};
}  // namespace

TEST_F(UndoSafetyWin, EditedPlacesStayNamedASecondUndoChangesNothingAndForceRestores) {
  const std::string before = State();
  ProcessResult r = Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared");
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  // The run's own text edited (a line added beside it alone would be kept
  // and the run's text given back).
  const std::string edited = "[S]\r\nPath=\\\\NEWSRV\\Mine\\a\r\nAdded=by hand\r\n";
  fs.ReplaceWhole(Ini("a"), edited);
  SetRegistryText(HKEY_CURRENT_USER, kKey, "One", REG_SZ, "E:\\Mine");

  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out;
  EXPECT_NE(r.out.find(kData + "\\a.ini was changed after the run"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("value \"One\" was changed after the run (the run wrote \"\\\\NEWSRV\\Shared\\1\", it now holds "
                       "\"E:\\Mine\")"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Give --force"), std::string::npos) << r.out;
  EXPECT_EQ(fs.ReadWhole(Ini("a")), edited);
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "One"), "E:\\Mine");
  EXPECT_EQ(fs.ReadWhole(Ini("b")), "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\n");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Two"), "\\\\OLDSRV\\Data\\2");

  fs.ReplaceWhole(Ini("b"), "[S]\r\nPath=\\\\OLDSRV\\Data\\b\r\nLater=1\r\n");
  const std::string between = State();
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out;
  EXPECT_EQ(State(), between) << r.out;

  r = Cli({"undo", "run", "Undo00000", "--force"});
  EXPECT_EQ(r.exitCode, 0u) << r.out;
  EXPECT_EQ(State(), before);
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out;
  EXPECT_NE(r.out.find("Everything is already as before the run."), std::string::npos) << r.out;
}

TEST_F(UndoSafetyWin, TwoRunsUndoneInTheWrongOrderThenTheRightOrder) {
  const std::string before = State();
  ASSERT_EQ(Map("\\\\OLDSRV\\Data", "C:\\Data\\Mid").exitCode, 0u);
  const std::string afterFirst = State();
  ASSERT_EQ(Map("C:\\Data\\Mid", "C:\\Archive").exitCode, 0u);
  const std::string afterSecond = State();

  ProcessResult r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out;
  EXPECT_EQ(State(), afterSecond);
  EXPECT_NE(r.out.find("It was changed again by Undo00001: undo that entry first."), std::string::npos) << r.out;

  EXPECT_EQ(Cli({"undo", "run", "Undo00001"}).exitCode, 0u);
  EXPECT_EQ(State(), afterFirst);
  EXPECT_EQ(Cli({"undo", "run", "Undo00000"}).exitCode, 0u);
  EXPECT_EQ(State(), before);
}

TEST_F(UndoSafetyWin, ACutArchiveNamesEveryFileItCannotGiveBack) {
  for (const char* f : {"c", "d", "e"})
    WriteTestFile(fs, Ini(f), std::string("[S]\r\nPath=\\\\OLDSRV\\Data\\") + f + "\r\n");
  ASSERT_EQ(Map("\\\\OLDSRV\\Data", "\\\\NEWSRV\\Shared").exitCode, 0u);
  const std::string zip = kHome + "\\Undo00000.zip";
  for (std::size_t cut : {std::size_t(100), std::size_t(400)}) {
    const std::string whole = fs.ReadWhole(zip);
    fs.ReplaceWhole(zip, whole.substr(0, cut));
    const ProcessResult r = Cli({"undo", "run", "Undo00000"});
    EXPECT_EQ(r.exitCode, 3u) << r.out;
    EXPECT_NE(r.out.find("Not everything could be undone:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(Ini("e") + " was not restored"), std::string::npos) << r.out;
    fs.ReplaceWhole(zip, whole);
  }
}

TEST_F(UndoSafetyWin, AMissingMoveSourceOrNothingFoundLeavesNoRecordFile) {
  ProcessResult r = Cli({"move", kData + "\\NoSuchFolder", kData + "\\Elsewhere", "--drives", "C"});
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_EQ(Records(), "") << r.out << r.err;
  r = Map("\\\\NOSUCH\\Share", "\\\\NEWSRV\\Shared");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(Records(), "") << r.out;
  r = Cli({"undo", "list"});
  EXPECT_EQ(r.out, "No Changes to Undo\n");
}

// A deployment tool reads the last line of --json: the run's summary, then
// the undo's, each with the program's own exit status.
TEST_F(UndoSafetyWin, JsonEndsWithTheSummaryOfTheRunAndOfTheUndo) {
  ProcessResult r = Cli({"map", "--find", "\\\\OLDSRV\\Data", "--replace", "\\\\NEWSRV\\Shared", "--targets",
                         "registry,settings", "--drives", "C", "--json"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
  EXPECT_EQ(last.rfind("{\"summary\":{\"command\":\"run\",\"mode\":\"Map Only\",", 0), 0u) << last;
  for (const char* field : {"\"undoEntry\":\"Undo00000\"", "\"linksChanged\":4", "\"placesPassedOver\":0",
                            "\"moved\":false", "\"exitStatus\":0"})
    EXPECT_NE(last.find(field), std::string::npos) << field << " in " << last;

  r = Cli({"undo", "run", "Undo00000", "--json"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_NE(r.err.find("2 files restored.  Undo has completed"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.rfind("{\"summary\":{\"command\":\"undo run\",\"undoEntry\":\"Undo00000\",\"filesRestored\":2,"
                        "\"valuesRestored\":2,\"keysRestored\":0,\"tasksRestored\":0,\"movedBack\":false,\"heldBack\":false,"
                        "\"alreadyAsBefore\":0,\"left\":[],\"exitStatus\":0,",
                        0),
            0u)
      << r.out;
}

// A tool moved, then a later run maps another entry of the same list value:
// the undo of the move gives its entry back inside the value, keeps the
// later one and moves the folder home; while a place cannot be given back,
// nothing is undone (exit 3).
TEST_F(UndoSafetyWin, TheMovesEntryComesBackInsideAListALaterRunChangedToo) {
  const std::string tools = kData + "\\P9Tools", moved = kData + "\\New";
  WriteTestFile(fs, tools + "\\nodejs\\node.exe", "MZ");
  WriteTestFile(fs, tools + "\\jdk\\bin\\java.exe", "MZ");
  SetRegistryText(HKEY_CURRENT_USER, kKey, "Path", REG_EXPAND_SZ, tools + "\\nodejs;" + tools + "\\jdk\\bin");
  SetRegistryText(HKEY_CURRENT_USER, kKey, "Tool", REG_SZ, tools + "\\nodejs\\node.exe");
  ProcessResult r = Cli({"move", tools + "\\nodejs", moved, "--targets", "registry", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  r = Cli({"map", "--find", tools + "\\jdk", "--replace", moved + "\\jdk", "--targets", "registry", "--drives", "C"});
  ASSERT_EQ(r.exitCode, 0u) << r.out << r.err;
  ASSERT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Path"), moved + "\\nodejs;" + moved + "\\jdk\\bin");

  // The run's own text changed by hand in another value: nothing is undone.
  SetRegistryText(HKEY_CURRENT_USER, kKey, "Tool", REG_SZ, moved + "\\nodejs2\\node.exe");
  const std::string held = Registry();
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out;
  EXPECT_EQ(r.out.rfind("Nothing was undone:", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("value \"Tool\" was changed after the run"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Give --force"), std::string::npos) << r.out;
  EXPECT_EQ(Registry(), held);
  EXPECT_TRUE(fs.FileExists(moved + "\\nodejs\\node.exe"));

  SetRegistryText(HKEY_CURRENT_USER, kKey, "Tool", REG_SZ, moved + "\\nodejs\\node.exe");
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out;
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Path"), tools + "\\nodejs;" + moved + "\\jdk\\bin");
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kKey, "Tool"), tools + "\\nodejs\\node.exe");
  EXPECT_TRUE(fs.FileExists(tools + "\\nodejs\\node.exe"));
  EXPECT_FALSE(fs.FolderExists(moved + "\\nodejs"));
}
