// The registry of a user who is not logged on: a profile listed with its
// NTUSER.DAT, whose hive the console's run loads for its walk and unloads.
// Wine does not write a loaded hive's changes back to its file on unload:
// what is checked is what the run found, changed and recorded while the
// hive was loaded, and that nothing stays loaded.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "core/Unicode.h"
#include "core/win32/WidePath.h"
#include "regmap/ProfileHives.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-offline";
const std::string kProfile = "C:\\ostrivane-test-offline-profile";
const std::string kSid = "S-1-5-21-4242-4242-4242-4242";
const std::string kSeed = "Software\\OstrivaneOfflineSeed";
const std::string kOld = "C:\\OstrOfflineOld";

std::string ProfileKey() { return std::string(kProfileListKey) + "\\" + kSid; }

// As JSON and .reg files write a text: each backslash doubled.
std::string Doubled(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

bool HiveLoaded() {
  HKEY h;
  if (RegOpenKeyExW(HKEY_USERS, WideText(kSid).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

// Saving a key to a hive file asks for the backup privilege enabled.
void EnableBackupPrivilege() {
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  EXPECT_TRUE(LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &privileges.Privileges[0].Luid));
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  CloseHandle(token);
}

class OfflineHiveWin : public ConsoleFixture {
 protected:
  OfflineHiveWin() : ConsoleFixture(kHome, "", "", {kProfile}) {}
  void Clean() override {
    ConsoleFixture::Clean();
    RegUnLoadKeyW(HKEY_USERS, WideText(kSid).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(kSeed).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideText(ProfileKey()).c_str());
  }
  // A hive file made the way the system makes one, from a key of the
  // current user's, listed as the profile of a user who is not logged on.
  void MakeProfile() {
    SetText(kSeed + "\\Software\\Acme", "Home", REG_SZ, kOld + "\\bin");
    fs.MakeFolders(kProfile);
    EnableBackupPrivilege();
    HKEY seed;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, WideText(kSeed).c_str(), 0, KEY_READ, &seed), ERROR_SUCCESS);
    const LONG saved = RegSaveKeyW(seed, WideText(kProfile + "\\NTUSER.DAT").c_str(), nullptr);
    RegCloseKey(seed);
    ASSERT_EQ(saved, ERROR_SUCCESS);
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(kSeed).c_str());
    SetRegistryText(HKEY_LOCAL_MACHINE, ProfileKey(), "ProfileImagePath", REG_EXPAND_SZ, kProfile);
  }
};
}  // namespace

TEST_F(OfflineHiveWin, AUserNotLoggedOnIsSearchedChangedAndRecordedAndTheHiveIsUnloadedAfter) {
  MakeProfile();
  ASSERT_FALSE(HiveLoaded());
  const std::string where = "HKEY_USERS\\" + kSid + "\\Software\\Acme";

  ProcessResult r = Cli({"map", "--find", kOld, "--replace", "D:\\OstrOfflineNew", "--targets", "registry",
                         "--preview", "--json"});
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find(Doubled(where)), std::string::npos) << r.out;
  EXPECT_FALSE(HiveLoaded());

  r = Cli({"map", "--find", kOld, "--replace", "D:\\OstrOfflineNew", "--targets", "registry", "--json"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_NE(r.out.find(Doubled(where)), std::string::npos) << r.out;
  EXPECT_FALSE(HiveLoaded());
  const std::string backup = Utf8FromUtf16LeBytes(fs.ReadWhole(kHome + "\\Undo00000.reg").substr(2));
  EXPECT_NE(backup.find("[" + where + "]"), std::string::npos) << backup;
  EXPECT_NE(backup.find(Doubled(kOld + "\\bin")), std::string::npos) << backup;

  // The undo loads the hive again for its restore and unloads it.
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_FALSE(HiveLoaded());
}
