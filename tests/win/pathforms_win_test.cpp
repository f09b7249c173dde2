#include <gtest/gtest.h>

#include "core/win32/Win32FileSystem.h"
#include "core/win32/WinApi.h"
#include "filemap/PathForms.h"
#include "support/TestTree.h"

namespace {
std::string PlatformShort(const std::string& path) {
  char buf[1024];
  const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
  return n && n < sizeof buf ? std::string(buf, n) : std::string();
}
}  // namespace

// On the real disk an existing path gets exactly the platform's answer,
// whatever its numbering; a path below it that does not exist keeps the
// platform's form for the part that exists and the rule for the rest.
TEST(PathFormsWin, ExistingAndPartlyExistingPaths) {
  Win32FileSystem fs;
  PathForms forms(fs);
  const std::string root = "C:\\ostrivane-test-pathforms";
  RemoveTree(fs, root);
  WriteTestFile(fs, root + "\\Program Files Long\\Some Settings.ini", "x");

  const std::string folder = root + "\\Program Files Long";
  const std::string expectFolder = PlatformShort(folder);
  ASSERT_FALSE(expectFolder.empty());
  EXPECT_EQ(forms.ShortFileName(folder), expectFolder);
  EXPECT_EQ(forms.ShortFileName(folder + "\\Some Settings.ini"), PlatformShort(folder + "\\Some Settings.ini"));
  EXPECT_EQ(forms.ShortFileName(folder + "\\Not There\\New Config.ini"), expectFolder + "\\NotThe~1\\NewCon~1.ini");
  EXPECT_EQ(forms.ShortFileName("C:\\"), "C:\\");
  EXPECT_EQ(forms.ShortFileName("Q:\\Old Stuff\\My Settings.ini"), "Q:\\OldStu~1\\MySett~1.ini");
  EXPECT_EQ(forms.ShortFileName("*:\\"), "*:\\");
  RemoveTree(fs, root);
}
