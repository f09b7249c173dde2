// A run is a search, then an apply that goes only to the places its list
// names and changes only what is still as the search found it.
#include <gtest/gtest.h>

#include <set>

#include "support/FakeEnvironment.h"
#include "support/PortableRun.h"
#include "undo/ZipArchive.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;

class SearchApply : public ::testing::Test, public PortableRun {
 protected:
  SearchApply() {
    for (int i = 0; i < 20; ++i) fs.AddFile("C:\\Cfg\\f" + std::to_string(i) + ".ini", "x=nothing\r\n");
    fs.At("C:\\Cfg\\f3.ini").data = "p=C:\\Old\\a\r\n";
    fs.At("C:\\Cfg\\f7.ini").data = "q=C:\\Old\\b\r\nr=C:\\Old\\c\r\n";
    for (int i = 0; i < 10; ++i) reg.PutText(CU, "Software\\K" + std::to_string(i), "p", "E:\\elsewhere");
    reg.PutText(CU, "Software\\K4", "p", "C:\\Old\\x");
    fs.beforeRead = [this](const std::string& path) { read.insert(path); };
  }
  // The review's list as the apply takes it: every occurrence ticked.
  ChangeSelection Previewed() {
    ctx.preview = true;
    RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
    ctx.preview = false;
    ChangeSelection list;
    for (const ChangeEntry& e : ctx.changes) list.Tick(e);
    return list;
  }
  int Outcomes(ChangeOutcome outcome) const {
    int n = 0;
    for (const ChangeEntry& e : ctx.changes) n += e.outcome == outcome;
    return n;
  }
  std::set<std::string> read;  // the files read since the set was last cleared
};

TEST_F(SearchApply, TheApplyGoesOnlyToThePlacesItsListNames) {
  ChangeSelection list = Previewed();
  EXPECT_EQ(list.size(), 4u);
  EXPECT_TRUE(read.count("C:\\Cfg\\f0.ini"));  // the search reads every settings file

  read.clear();
  const int listingsBefore = fs.listCalls, opensBefore = reg.opens;
  ctx.selection = &list;
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  ctx.selection = nullptr;
  EXPECT_EQ(ctx.tally.linkCount, 4);
  EXPECT_EQ(fs.At("C:\\Cfg\\f7.ini").data, "q=D:\\New\\b\r\nr=D:\\New\\c\r\n");
  EXPECT_EQ(reg.GetText(CU, "Software\\K4", "p"), "D:\\New\\x");
  // No settings file but the two listed was read, no drive listed again,
  // no other key opened (the records folder is listed for the undo number).
  for (const std::string& path : read)
    EXPECT_TRUE(path.rfind("C:\\Ostrivane\\", 0) == 0 || path == "C:\\Cfg\\f3.ini" || path == "C:\\Cfg\\f7.ini") << path;
  EXPECT_LE(fs.listCalls - listingsBefore, 2);
  EXPECT_LE(reg.opens - opensBefore, 4);

  // A run without a review searches first: every file read, then the same apply.
  read.clear();
  reg.PutText(CU, "Software\\K4", "p", "C:\\Old\\x");
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 1);
  EXPECT_EQ(reg.GetText(CU, "Software\\K4", "p"), "D:\\New\\x");
  EXPECT_TRUE(read.count("C:\\Cfg\\f0.ini"));
}

TEST_F(SearchApply, WhatChangedSinceTheSearchIsPassedOverAndNamed) {
  ChangeSelection list = Previewed();
  // Another program writes between the search and the apply.
  fs.At("C:\\Cfg\\f7.ini").data = "q=C:\\Old\\b\r\nr=C:\\Old\\other\r\n";
  reg.PutText(CU, "Software\\K4", "p", "C:\\Old\\y");
  ctx.selection = &list;
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  ctx.selection = nullptr;
  EXPECT_EQ(fs.At("C:\\Cfg\\f3.ini").data, "p=D:\\New\\a\r\n");
  // The line still as found is changed; the other one and the value are not.
  EXPECT_EQ(fs.At("C:\\Cfg\\f7.ini").data, "q=D:\\New\\b\r\nr=C:\\Old\\other\r\n");
  EXPECT_EQ(reg.GetText(CU, "Software\\K4", "p"), "C:\\Old\\y");
  EXPECT_EQ(Outcomes(ChangeOutcome::Changed), 2);
  std::set<std::string> named;
  for (const PassedOver& p : ctx.passedOver) {
    EXPECT_EQ(p.reason, kChangedSinceSearch);
    named.insert(p.where);
  }
  EXPECT_EQ(named, (std::set<std::string>{"C:\\Cfg\\f7.ini", "HKEY_CURRENT_USER\\Software\\K4, value \"p\""}));
}

// The apply backs its files up together before it rewrites the first; one
// that another program writes after that backup is left whole, since the
// backup no longer holds what the rewrite would replace.
TEST_F(SearchApply, FilesAreBackedUpTogetherAndOneChangedAfterItsBackupIsLeft) {
  const std::string archive = kRecords + "Undo00000.zip";
  int archiveWrites = 0;
  fs.beforeWrite = [&](const std::string& path) { archiveWrites += path == archive; };
  bool written = false;
  fs.beforeRead = [&](const std::string& path) {
    if (path != "C:\\Cfg\\f7.ini" || written || !fs.Has(archive)) return;
    written = true;
    fs.At(path).data = "q=C:\\Old\\b\r\nr=C:\\Old\\c\r\n;theirs\r\n";
  };
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_TRUE(written);
  EXPECT_LE(archiveWrites, 3);  // one step for both files (one at a time takes five)
  EXPECT_EQ(fs.At("C:\\Cfg\\f3.ini").data, "p=D:\\New\\a\r\n");
  EXPECT_EQ(fs.At("C:\\Cfg\\f7.ini").data, "q=C:\\Old\\b\r\nr=C:\\Old\\c\r\n;theirs\r\n");
  ASSERT_FALSE(ctx.passedOver.empty());
  EXPECT_EQ(ctx.passedOver.back().where, "C:\\Cfg\\f7.ini");
  EXPECT_EQ(ctx.passedOver.back().reason, kChangedSinceSearch);
  // Both entries of the one step read back whole, each as it was backed up.
  auto file = fs.OpenRandom(archive, OpenMode::ReadOnly);
  const ZipDirectory dir = ReadZipDirectory(*file);
  ASSERT_EQ(dir.entries.size(), 2u);
  EXPECT_EQ(ExtractZipEntry(*file, dir.entries[0]), "p=C:\\Old\\a\r\n");
  EXPECT_EQ(ExtractZipEntry(*file, dir.entries[1]), "q=C:\\Old\\b\r\nr=C:\\Old\\c\r\n");
}

// A rename changes where the later entries of its place are: the apply
// follows it in the search's order.
TEST_F(SearchApply, RenamesAreFollowedInTheSearchsOrder) {
  reg.PutText(CU, "Software\\Names", "Acme.dat", "Acme\\Acme.exe");
  reg.AddKey(CU, "Software\\AcmeAcme");
  reg.PutText(CU, "Software\\AcmeAcme", "", "kept");
  ChangeSelection list;
  ctx.preview = true;
  RunRequest(RunMode::MapOnly, "Acme", "Contoso");
  for (const ChangeEntry& e : ctx.changes) list.Tick(e);
  ctx.preview = false;
  ctx.selection = &list;
  RunRequest(RunMode::MapOnly, "Acme", "Contoso");
  ctx.selection = nullptr;
  EXPECT_TRUE(ctx.passedOver.empty());
  EXPECT_EQ(ctx.tally.linkCount, 5);
  EXPECT_EQ(reg.GetText(CU, "Software\\Names", "Contoso.dat"), "Contoso\\Contoso.exe");
  EXPECT_FALSE(reg.HasKey(CU, "Software\\AcmeAcme"));
  EXPECT_EQ(reg.GetText(CU, "Software\\ContosoContoso", ""), "kept");
}

// The search neither asks nor writes: the questions come in the apply, in
// the list's order, and an answer of Skip leaves that place alone.
TEST_F(SearchApply, QuestionsComeInTheApplyInTheListsOrder) {
  ctx.targets.registry = false;
  ui.replies = {{Answer::Skip}, {Answer::Replace}, {Answer::Replace}};
  ctx.request = MappingRequest{};
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\New";
  ctx.stopAndVerify = true;
  ctx.Run(parts);
  ASSERT_EQ(ui.questions.size(), 3u);
  EXPECT_EQ(ui.questions[0].value, "C:\\Cfg\\f3.ini");
  EXPECT_EQ(ui.questions[1].value, "C:\\Cfg\\f7.ini");
  EXPECT_EQ(fs.At("C:\\Cfg\\f3.ini").data, "p=C:\\Old\\a\r\n");
  EXPECT_EQ(fs.At("C:\\Cfg\\f7.ini").data, "q=D:\\New\\b\r\nr=D:\\New\\c\r\n");
  EXPECT_EQ(Outcomes(ChangeOutcome::Skipped), 1);
  EXPECT_TRUE(ctx.passedOver.empty());
}

// Skip leaves the file's further occurrences as they are: each is named as
// skipped, none as changed since the search.
TEST_F(SearchApply, SkipLeavesTheRestOfTheFileAsSkipped) {
  ctx.targets.registry = false;
  ui.replies = {{Answer::Replace}, {Answer::Skip}};
  ctx.request = MappingRequest{};
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\New";
  ctx.stopAndVerify = true;
  ctx.Run(parts);
  EXPECT_EQ(ui.questions.size(), 2u);
  EXPECT_EQ(fs.At("C:\\Cfg\\f3.ini").data, "p=D:\\New\\a\r\n");
  EXPECT_EQ(fs.At("C:\\Cfg\\f7.ini").data, "q=C:\\Old\\b\r\nr=C:\\Old\\c\r\n");
  EXPECT_EQ(Outcomes(ChangeOutcome::Skipped), 2);
  EXPECT_TRUE(ctx.passedOver.empty());
}
}  // namespace

// A folder the search could not list stays named after the apply, once; a
// file too large for its target is named as skipped, which is no failure.
TEST_F(SearchApply, FoldersNotSearchedAndFilesTooLargeKeepTheirEntriesThroughTheApply) {
  fs.AddFile("C:\\Locked\\in.ini", "p=C:\\Old\\a\r\n");
  fs.DenyListing("C:\\Locked");
  fs.AddFile("C:\\Cfg\\big.ini", "p=C:\\Old\\a\r\n" + std::string(kMaxRewriteSize, ' '));
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 4);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "C:\\Locked\\");
  EXPECT_EQ(ctx.passedOver[0].reason, "not searched: access denied");
  EXPECT_EQ(Outcomes(ChangeOutcome::PassedOver), 1);
  EXPECT_EQ(Outcomes(ChangeOutcome::Skipped), 1);
  EXPECT_EQ(fs.At("C:\\Cfg\\big.ini").data.substr(0, 12), "p=C:\\Old\\a\r\n");
}

// A switch's run writes what its preview showed, each place once, and names
// the key it leaves once; its undo gives everything back.
TEST_F(SearchApply, ASwitchWritesWhatItsPreviewShowedAndNamesAKeyItLeavesOnce) {
  reg.PutText(CU, "Software\\S", "a", "P:/x;R:\\y");
  reg.PutText(CU, "Software\\S\\P:\\Dir", "in", "R:\\z");
  fs.AddFile("C:\\Cfg\\s.ini", "p=file:///P:/data\r\nq=P:\r\n");
  const std::string registryBefore = reg.Dump(), fileBefore = fs.At("C:\\Cfg\\s.ini").data;
  const auto seen = [this] {
    std::vector<std::string> rows;
    for (const ChangeEntry& e : ctx.changes)
      rows.push_back(e.where + "|" + e.value + "|" + e.oldText + "|" + e.newText + "|" +
                     (e.outcome == ChangeOutcome::PassedOver ? "left" : "changed"));
    std::sort(rows.begin(), rows.end());  // the apply names what it leaves first
    return rows;
  };
  ctx.preview = true;
  RunRequest(RunMode::SwitchDrives, "P:\\", "R:\\");
  const std::vector<std::string> previewed = seen();
  ctx.preview = false;
  RunRequest(RunMode::SwitchDrives, "P:\\", "R:\\");
  EXPECT_EQ(seen(), previewed);
  EXPECT_EQ(std::count_if(previewed.begin(), previewed.end(), [](const std::string& r) { return r.ends_with("left"); }), 1);
  EXPECT_EQ(reg.GetText(CU, "Software\\S", "a"), "R:/x;P:\\y");
  EXPECT_EQ(reg.GetText(CU, "Software\\S\\P:\\Dir", "in"), "P:\\z");
  EXPECT_EQ(fs.At("C:\\Cfg\\s.ini").data, "p=file:///R:/data\r\nq=R:\r\n");
  UndoSaid("Undo00000");
  EXPECT_EQ(reg.Dump(), registryBefore);
  EXPECT_EQ(fs.At("C:\\Cfg\\s.ini").data, fileBefore);
}

// The PATH entry of the registry is remapped; the scripts that extend PATH
// through its variable keep the variable, byte for byte, while a variable
// that begins a path to the old place is still read through.
TEST_F(SearchApply, AListVariableInAScriptIsNeverWrittenOutWhileItsDefinitionIsRemapped) {
  FakeEnvironment environment{{"PATH", "C:\\windows\\system32;C:\\Tools\\nodejs;C:\\users\\me\\bin"},
                              {"ToolsRoot", "C:\\Tools"}};
  walk.SetEnvironment(&environment);
  files.Text().SetEnvironment(&environment);
  reg.PutText(CU, "Environment", "Path", "%SystemRoot%\\system32;C:\\Tools\\nodejs", kRegExpandSz);
  const std::string cmd = "set PATH=C:\\Python312;%PATH%\r\ncall %ToolsRoot%\\nodejs\\npm.cmd\r\n";
  const std::string ps1 = "$env:Path = \"C:\\Python312;\" + $env:Path\n";
  fs.AddFile("C:\\Scripts\\dev.cmd", cmd);
  fs.AddFile("C:\\Scripts\\dev.ps1", ps1);
  RunRequest(RunMode::MapOnly, "C:\\Tools\\nodejs", "D:\\Tools\\nodejs");
  EXPECT_EQ(reg.GetText(CU, "Environment", "Path"), "%SystemRoot%\\system32;D:\\Tools\\nodejs");
  EXPECT_EQ(fs.At("C:\\Scripts\\dev.cmd").data,
            "set PATH=C:\\Python312;%PATH%\r\ncall D:\\Tools\\nodejs\\npm.cmd\r\n");
  EXPECT_EQ(fs.At("C:\\Scripts\\dev.ps1").data, ps1);
}

// A path followed by a space and a word: changed where the space ends it,
// left where a longer name is there, named where that cannot be told; the
// run changes what its preview showed.
TEST_F(SearchApply, APathBeforeArgumentsIsChangedUnlessALongerNameMayBeThere) {
  fs.AddFolder("C:\\Tools Old");
  fs.CannotTell("C:\\Tools odd");
  const std::string ini = "a=C:\\Tools /x\r\nb=C:\\Tools Old\\t.exe\r\nc=C:\\Tools conf.ini\r\nd=C:\\Tools odd\r\n";
  fs.AddFile("C:\\Cfg\\tools.ini", ini);
  reg.PutText(CU, "Software\\T", "run", "C:\\Tools\\t.exe -q;C:\\Tools /x");
  reg.PutText(CU, "Software\\T", "odd", "C:\\Tools odd");
  ctx.preview = true;
  RunRequest(RunMode::MapOnly, "C:\\Tools", "D:\\Tools");
  ctx.preview = false;
  const int previewed = ctx.tally.linkCount;
  EXPECT_EQ(previewed, 4);
  EXPECT_EQ(Outcomes(ChangeOutcome::PassedOver), 2);
  EXPECT_EQ(fs.At("C:\\Cfg\\tools.ini").data, ini);

  RunRequest(RunMode::MapOnly, "C:\\Tools", "D:\\Tools");
  EXPECT_EQ(ctx.tally.linkCount, previewed);
  EXPECT_EQ(fs.At("C:\\Cfg\\tools.ini").data,
            "a=D:\\Tools /x\r\nb=C:\\Tools Old\\t.exe\r\nc=D:\\Tools conf.ini\r\nd=C:\\Tools odd\r\n");
  EXPECT_EQ(reg.GetText(CU, "Software\\T", "run"), "D:\\Tools\\t.exe -q;D:\\Tools /x");
  EXPECT_EQ(reg.GetText(CU, "Software\\T", "odd"), "C:\\Tools odd");
  // Each left place named once, with its reason.
  std::vector<std::string> named;
  for (const ChangeEntry& e : ctx.changes)
    if (e.outcome == ChangeOutcome::PassedOver) named.push_back(e.where + "|" + e.value + "|" + e.reason);
  EXPECT_EQ(named, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\T|odd|" + std::string(kPathEndUnknown),
                                             "C:\\Cfg\\tools.ini||" + std::string(kPathEndUnknown)}));
}
