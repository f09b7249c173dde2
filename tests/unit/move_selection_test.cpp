#include <gtest/gtest.h>

#include "support/FakeFileSystem.h"
#include "support/FakeWindowPorts.h"
#include "window/MoveSelection.h"

namespace {

TEST(NodePathTest, FolderNamesUpToTheDriveNode) {
  EXPECT_EQ(NodePath({"App", "Program Files", "Local Disk (C:)", kMyComputer}), "C:\\Program Files\\App");
  EXPECT_EQ(NodePath({"Local Disk (C:)", kMyComputer}), "C:");
  EXPECT_EQ(NodePath({"Apps", "Data (D:)", kMyComputer}), "D:\\Apps");
  // The drive is taken at the last colon of the text.
  EXPECT_EQ(NodePath({"x", "Backup: 2020 (E:)"}), "E:\\x");
  EXPECT_EQ(NodePath({"C:"}), "C:");
  // Without a drive above, the path begins with a backslash.
  EXPECT_EQ(NodePath({kMyComputer}), "\\My Computer");
  EXPECT_EQ(NodePath({}), "");
  EXPECT_EQ(NodeDrive({"App", "Program Files", "Local Disk (C:)", kMyComputer}), "C:");
  EXPECT_EQ(NodeDrive({kMyComputer}), "");
}

NodeChain On(const std::string& drive, const std::string& folder = "") {
  NodeChain c;
  if (!folder.empty()) c.push_back(folder);
  c.push_back("Disk (" + drive + ")");
  c.push_back(kMyComputer);
  return c;
}

TEST(DragOverTest, OnlyFromTheLeftTreeOntoTheRightOneBetweenMovableDrives) {
  FakeDriveTypes types;
  const NodeChain app = On("C:", "App"), apps = On("E:", "Apps");
  EXPECT_TRUE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, app, &apps, types));
  EXPECT_EQ(types.asked, (std::vector<std::string>{"C:", "E:"}));
  for (const char* drive : {"F:", "G:", "I:"}) {
    const NodeChain target = On(drive);
    EXPECT_TRUE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, app, &target, types)) << drive;
  }
  // CD-ROM, RAM disk and unknown drives are refused, on either side.
  for (const char* drive : {"D:", "H:", "Z:"}) {
    const NodeChain other = On(drive, "x");
    EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, app, &other, types)) << drive;
    EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, other, &apps, types)) << drive;
  }
  // Wrong trees, no node under the mouse, a node without a drive.
  EXPECT_FALSE(AcceptsDrop(TreeSide::MoveTo, TreeSide::MoveTo, app, &apps, types));
  EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveFrom, app, &apps, types));
  EXPECT_FALSE(AcceptsDrop(TreeSide::None, TreeSide::MoveTo, app, &apps, types));
  EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, app, nullptr, types));
  const NodeChain root{kMyComputer};
  EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, app, &root, types));
  EXPECT_FALSE(AcceptsDrop(TreeSide::MoveFrom, TreeSide::MoveTo, root, &apps, types));
}

class TreeListingTest : public ::testing::Test {
 protected:
  TreeListingTest() {
    fs.AddFolder("C:\\Program Files\\App");
    fs.AddFolder("C:\\program data", kAttrFolder | kAttrHidden);
    fs.AddFolder("C:\\Apps");
    fs.AddFile("C:\\zeta.txt", "z");
    fs.AddFile("C:\\Boot.ini", "b", kAttrHidden | kAttrSystem);
    fs.AddFile("C:\\Program Files\\readme.txt", "r");
  }
  std::vector<std::string> Texts(TreeSide side, const NodeChain& node) {
    std::vector<std::string> out;
    for (const TreeEntry& e : TreeChildren(side, node, drives, fs)) out.push_back(e.text);
    return out;
  }
  FakeFileSystem fs;
  FakeDrives drives;
};

TEST_F(TreeListingTest, MyComputerListsTheDrivesByDisplayName) {
  const auto top = TreeChildren(TreeSide::MoveFrom, {}, drives, fs);
  EXPECT_EQ(top, (std::vector<TreeEntry>{{kMyComputer, true, true}}));
  // A name that does not lead back to its drive gets the drive added.
  drives.drives.push_back({"F:\\", "", false});
  drives.drives.push_back({"G:\\", "Stick", false});
  drives.drives.push_back({"H:\\", "Odd (Q:)", false});
  EXPECT_EQ(Texts(TreeSide::MoveTo, {kMyComputer}),
            (std::vector<std::string>{"Local Disk (C:)", "CD Drive (D:)", "Data (E:)", "F:", "Stick (G:)",
                                      "Odd (Q:) (H:)"}));
  for (const TreeEntry& e : TreeChildren(TreeSide::MoveTo, {kMyComputer}, drives, fs)) {
    EXPECT_TRUE(e.mayExpand);
    EXPECT_EQ(NodeDrive({e.text}).size(), 2u) << e.text;
  }
}

TEST_F(TreeListingTest, LeftTreeListsFoldersThenFilesWithHiddenOnes) {
  const NodeChain c{"Local Disk (C:)", kMyComputer};
  EXPECT_EQ(Texts(TreeSide::MoveFrom, c),
            (std::vector<std::string>{"Apps", "program data", "Program Files", "Boot.ini", "zeta.txt"}));
  EXPECT_EQ(Texts(TreeSide::MoveTo, c), (std::vector<std::string>{"Apps", "program data", "Program Files"}));
  const auto below = TreeChildren(TreeSide::MoveFrom, {"Program Files", "Local Disk (C:)", kMyComputer}, drives, fs);
  EXPECT_EQ(below, (std::vector<TreeEntry>{{"App", true, true}, {"readme.txt", false, false}}));
  // A folder that cannot be listed (gone meanwhile) shows nothing.
  EXPECT_TRUE(Texts(TreeSide::MoveFrom, {"Gone", "Local Disk (C:)", kMyComputer}).empty());
}

TEST_F(TreeListingTest, AFolderGetsAnExpandButtonOnlyWhenItHoldsWhatItsTreeShows) {
  fs.AddFile("C:\\Apps\\only a file.txt", "f");
  fs.AddFolder("C:\\program data\\Sub");
  fs.AddFolder("C:\\Locked\\Inside");
  fs.DenyListing("C:\\Locked");
  const NodeChain c{"Local Disk (C:)", kMyComputer};
  auto expandable = [&](TreeSide side) {
    std::vector<std::string> out;
    for (const TreeEntry& e : TreeChildren(side, c, drives, fs)) {
      NodeChain folder = c;
      folder.insert(folder.begin(), e.text);
      if (e.folder && FolderShowsAnything(side, folder, fs)) out.push_back(e.text);
    }
    return out;
  };
  // Program Files holds a folder that is empty itself; a folder that cannot be read keeps its button.
  EXPECT_EQ(expandable(TreeSide::MoveFrom), (std::vector<std::string>{"Apps", "Locked", "program data", "Program Files"}));
  EXPECT_EQ(expandable(TreeSide::MoveTo), (std::vector<std::string>{"Locked", "program data", "Program Files"}));
}

}  // namespace
