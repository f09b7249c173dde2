// The registry of users not logged on: loaded for a run's walks and its
// undo from the profiles Windows lists, unloaded however they end.
#include <gtest/gtest.h>

#include "core/Unicode.h"
#include "regmap/ProfileHives.h"
#include "support/FakeEnvironment.h"
#include "support/FakeHiveLoader.h"
#include "support/PortableRun.h"

namespace {
const RegRoot LM = RegRoot::LocalMachine;
const RegRoot US = RegRoot::Users;
const std::string kOwn = "S-1-5-21-7-1000";
const std::string kAnn = "S-1-5-21-7-1001";  // not logged on
const std::string kBob = "S-1-5-21-7-1002";  // not logged on, hive in use
const std::string kAnnHive = "C:\\Users\\ann\\NTUSER.DAT";
const std::string kAnnClasses = "C:\\Users\\ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
const std::string kBobHive = "D:\\Profiles\\bob\\NTUSER.DAT";

struct OwnAccount : UserAccounts {
  std::string sid = kOwn;
  std::string CurrentUserSid() override { return sid; }
  std::string AccountName(const std::string& sid) override { return sid == kAnn ? "PC\\ann" : ""; }
};

class OfflineHiveRun : public ::testing::Test, protected PortableRun {
 protected:
  void SetUp() override {
    walk.SetUserAccounts(&accounts);
    parts.optionalOfflineHives = &hives;
    undoer = &hiveUndo;
    const std::string list = std::string(kProfileListKey) + "\\";
    reg.PutText(LM, list + kOwn, "ProfileImagePath", "%SystemDrive%\\Users\\me", kRegExpandSz);
    reg.PutText(LM, list + kAnn, "ProfileImagePath", "%SystemDrive%\\Users\\ann", kRegExpandSz);
    reg.PutText(LM, list + kBob, "ProfileImagePath", "D:\\Profiles\\bob");
    // Left by a profile Windows could not load, and one whose folder is gone.
    reg.PutText(LM, list + kAnn + ".bak", "ProfileImagePath", "C:\\Users\\ann");
    reg.PutText(LM, list + "S-1-5-21-7-1003", "ProfileImagePath", "C:\\Users\\gone");
    // Logged on: loaded already, and shown as HKEY_CURRENT_USER.
    reg.AddKey(US, kOwn);
    reg.PutText(RegRoot::CurrentUser, "Software\\Acme", "Home", "C:\\Acme");
    fs.AddFile("C:\\Users\\me\\NTUSER.DAT", "regf");
    fs.AddFile(kAnnHive, "regf");
    fs.AddFile(kAnnClasses, "regf");
    fs.AddFile(kBobHive, "regf");
    hiveFiles.PutText(kAnnHive, "Software\\Acme", "Home", "C:\\Acme\\bin");
    hiveFiles.PutText(kAnnHive, "Software\\Classes", "", "");  // a key of its own in the file
    hiveFiles.PutText(kAnnClasses, "Applications\\acme.exe\\shell\\open\\command", "", "\"C:\\Acme\\acme.exe\" \"%1\"");
    hiveFiles.PutText(kBobHive, "Software\\Acme", "Home", "C:\\Acme");
    hiveFiles.refuse[kBobHive] = 32;
    ctx.targets = Targets{true, false, false, false, false};
  }

  OwnAccount accounts;
  FakeEnvironment env{{"SystemDrive", "C:"}};
  FakeHiveLoader hiveFiles{reg};
  ProfileHives hives{reg, hiveFiles, fs, &env};
  UndoExecution hiveUndo{fs, store, reg, cp, mover, UndoRails{rails, lock, running}, UndoExtras{tasks, hives, std::nullopt}};
};
}  // namespace

TEST_F(OfflineHiveRun, AUserNotLoggedOnIsSearchedChangedAndUndoneWithTheHiveLoadedOnlyMeanwhile) {
  std::vector<std::string> phases;
  ui.onPump = [&] {
    if (phases.empty() || phases.back() != ui.progress.phase) phases.push_back(ui.progress.phase);
  };
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");

  // Both of ann's hives were walked (her classes too: nothing links them
  // while she is not logged on) and written back to their files on unload.
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "E:\\Acme\\bin");
  EXPECT_EQ(hiveFiles.TextIn(kAnnClasses, "Applications\\acme.exe\\shell\\open\\command", ""),
            "\"E:\\Acme\\acme.exe\" \"%1\"");
  EXPECT_EQ(reg.GetText(RegRoot::CurrentUser, "Software\\Acme", "Home"), "E:\\Acme");
  EXPECT_FALSE(hiveFiles.IsLoaded(kAnn));
  EXPECT_FALSE(hiveFiles.IsLoaded(kAnn + "_Classes"));
  EXPECT_FALSE(reg.HasKey(US, kAnn));
  EXPECT_EQ(hiveFiles.loads, 3);  // ann's two, bob's refused; no .bak, no missing folder
  EXPECT_EQ(hiveFiles.unloads, 2);
  EXPECT_NE(std::find(phases.begin(), phases.end(), "Scanning User Registry: PC\\ann (" + kAnn + ", not logged on)"),
            phases.end())
      << ::testing::PrintToString(phases);
  // Bob's hive is in use: named with its reason, the run goes on.
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "HKEY_USERS\\" + kBob);
  EXPECT_EQ(ctx.passedOver[0].reason, "not searched: the registry of this user, who is not logged on, could not be "
                                      "loaded from " + kBobHive + ": its file is in use by another program");
  EXPECT_TRUE(ctx.offlineHives.empty());
  // The backup names the keys under the user's SID.
  const std::string backup = Utf8FromUtf16LeBytes(fs.ReadWhole(kRecords + "Undo00000.reg").substr(2));
  EXPECT_NE(backup.find("[HKEY_USERS\\" + kAnn + "\\Software\\Acme]"), std::string::npos) << backup;

  // The undo loads ann's hive again for its restore, and unloads it.
  const std::string said = UndoSaid("Undo00000");
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "C:\\Acme\\bin") << said;
  EXPECT_EQ(hiveFiles.TextIn(kAnnClasses, "Applications\\acme.exe\\shell\\open\\command", ""),
            "\"C:\\Acme\\acme.exe\" \"%1\"");
  EXPECT_EQ(reg.GetText(RegRoot::CurrentUser, "Software\\Acme", "Home"), "C:\\Acme");
  EXPECT_FALSE(reg.HasKey(US, kAnn));
  EXPECT_EQ(hiveFiles.loads, 5);
  EXPECT_EQ(hiveFiles.unloads, 4);
}

// A preview loads and unloads too and changes nothing; a run without the
// registry target loads nothing; a failed run still unloads.
TEST_F(OfflineHiveRun, EveryRunUnloadsWhatItLoadedAndOnlyARegistryWalkLoads) {
  ctx.preview = true;
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  ctx.preview = false;
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "C:\\Acme\\bin");
  bool found = false;
  for (const ChangeEntry& e : ctx.changes) found |= e.where == "HKEY_USERS\\" + kAnn + "\\Software\\Acme";
  EXPECT_TRUE(found);
  EXPECT_EQ(hiveFiles.loads, 3);
  EXPECT_EQ(hiveFiles.unloads, 2);

  ctx.targets = Targets{false, true, false, false, false};
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  EXPECT_EQ(hiveFiles.loads, 3);

  ctx.targets.registry = true;
    ui.onPump = [&] {
    if (hiveFiles.IsLoaded(kAnn)) throw Error("disk gone");
  };
  EXPECT_THROW(RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme"), Error);
  EXPECT_FALSE(hiveFiles.IsLoaded(kAnn));
  EXPECT_FALSE(hiveFiles.IsLoaded(kAnn + "_Classes"));
}

// An undo whose user's hive cannot be loaded names it once and restores the rest.
TEST_F(OfflineHiveRun, AnUndoThatCannotLoadAHiveNamesItAndRestoresTheRest) {
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  hiveFiles.refuse[kAnnHive] = 1314;
  const std::string said = UndoSaid("Undo00000");
  EXPECT_NE(said.find("HKEY_USERS\\" + kAnn + " was not restored: the registry of this user, who is not logged on, "
                      "could not be loaded from " + kAnnHive +
                      ": loading another user's registry needs administrator rights."),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("was changed after the run"), std::string::npos) << said;
  EXPECT_EQ(reg.GetText(RegRoot::CurrentUser, "Software\\Acme", "Home"), "C:\\Acme");
  EXPECT_EQ(hiveFiles.TextIn(kAnnClasses, "Applications\\acme.exe\\shell\\open\\command", ""),
            "\"C:\\Acme\\acme.exe\" \"%1\"");
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "E:\\Acme\\bin");
}

// Run by a deployment tool as the system account, HKEY_CURRENT_USER is the
// system's: every user is reached under HKEY_USERS, logged on or not, and
// the system's hive is walked once.
TEST_F(OfflineHiveRun, AsTheSystemAccountEveryUsersHiveIsWalkedOnce) {
  accounts.sid = "S-1-5-18";
  reg.PutText(US, kOwn + "\\Software\\Acme", "Home", "C:\\Acme\\me");  // logged on
  reg.PutText(US, "S-1-5-18\\Software\\Acme", "Home", "C:\\Acme\\system");
  reg.PutText(US, ".DEFAULT\\Software\\Acme", "Home", "C:\\Acme\\system");
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  EXPECT_EQ(reg.GetText(US, kOwn + "\\Software\\Acme", "Home"), "E:\\Acme\\me");
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "E:\\Acme\\bin");
  // Shown as HKEY_CURRENT_USER (a hive of its own in this registry), not
  // walked again under either of its names.
  EXPECT_EQ(reg.GetText(RegRoot::CurrentUser, "Software\\Acme", "Home"), "E:\\Acme");
  EXPECT_EQ(reg.GetText(US, "S-1-5-18\\Software\\Acme", "Home"), "C:\\Acme\\system");
  EXPECT_EQ(reg.GetText(US, ".DEFAULT\\Software\\Acme", "Home"), "C:\\Acme\\system");
  EXPECT_FALSE(reg.HasKey(US, kAnn));
}

// The apply of a reviewed list loads only the hives whose places it ticks.
TEST_F(OfflineHiveRun, TheApplyOfAListLoadsOnlyTheHivesItTicks) {
  ctx.preview = true;
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  ctx.preview = false;
  ASSERT_EQ(hiveFiles.loads, 3);
  const std::vector<ChangeEntry> found = ctx.changes;
  const auto listOf = [&](const std::string& ticked) {
    ChangeSelection list;
    for (const ChangeEntry& e : found) list.Add(e, e.where.rfind(ticked, 0) == 0);
    return list;
  };
  ChangeSelection own = listOf("HKEY_CURRENT_USER");
  ctx.selection = &own;
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  EXPECT_EQ(hiveFiles.loads, 3);
  EXPECT_EQ(reg.GetText(RegRoot::CurrentUser, "Software\\Acme", "Home"), "E:\\Acme");

  ChangeSelection classes = listOf("HKEY_USERS\\" + kAnn + "_Classes");
  ctx.selection = &classes;
  RunRequest(RunMode::MapOnly, "C:\\Acme", "E:\\Acme");
  ctx.selection = nullptr;
  EXPECT_EQ(hiveFiles.loads, 4);
  EXPECT_EQ(hiveFiles.TextIn(kAnnClasses, "Applications\\acme.exe\\shell\\open\\command", ""),
            "\"E:\\Acme\\acme.exe\" \"%1\"");
  EXPECT_EQ(hiveFiles.TextIn(kAnnHive, "Software\\Acme", "Home"), "C:\\Acme\\bin");
  EXPECT_FALSE(hiveFiles.IsLoaded(kAnn + "_Classes"));
}
