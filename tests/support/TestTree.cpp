#include "support/TestTree.h"

#include "core/Text.h"

void WriteTestFile(FileSystem& fs, const std::string& path, const std::string& data) {
  fs.MakeFolders(SplitItemPath(path).folder);
  auto file = fs.OpenRandom(path, OpenMode::CreateAlways);
  if (!data.empty()) file->WriteAt(0, data.data(), data.size());
  file->Flush();
}

void RemoveTree(FileSystem& fs, const std::string& folder) {
  const std::string base = AddSlash(folder);
  const auto attributes = fs.AttributesOf(RemoveSlash(base));
  if (!attributes) return;
  if (!(*attributes & kAttrReparsePoint)) {
    for (const DirEntry& e : fs.ListFolder(base + "*")) {
      if (e.name == "." || e.name == "..") continue;
      const std::string path = base + e.name;
      if (e.IsFolder() && !(e.attributes & kAttrReparsePoint)) {
        RemoveTree(fs, path);
      } else {
        fs.SetAttributesOf(path, 0);
        fs.Remove(path);
      }
    }
  }
  fs.SetAttributesOf(RemoveSlash(base), 0);
  fs.Remove(RemoveSlash(base));
}
