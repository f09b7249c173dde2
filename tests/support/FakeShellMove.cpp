#include "support/FakeShellMove.h"

#include "core/Text.h"

ShellMoveResult FakeShellMove::MoveItem(const std::string& source, const std::string& targetFolder, bool silent) {
  calls.push_back({source, targetFolder, silent});
  if (beforeMove) beforeMove();
  if (!reply.Succeeded() && !moveFirstFileOnly) return reply;
  const std::string arrival = AddSlash(targetFolder) + SplitItemPath(source).name;
  const std::string upper = UpperAZ(source);
  for (const std::string& path : fs_.Paths()) {
    const std::string up = UpperAZ(path);
    if (up != upper && up.rfind(upper + "\\", 0) != 0) continue;
    const std::string to = arrival + path.substr(source.size());
    const FakeFileSystem::Node node = fs_.At(path);
    if (node.attributes & kAttrFolder) {
      fs_.AddFolder(to, node.attributes);
      continue;
    }
    fs_.AddFile(to, node.data, node.attributes);
    fs_.At(to).lastWrite = node.lastWrite;
    fs_.Remove(path);
    if (moveFirstFileOnly) return reply;
  }
  // Folders go last, deepest first, once their files have left.
  std::vector<std::string> left = fs_.Paths();
  for (auto it = left.rbegin(); it != left.rend(); ++it) {
    const std::string up = UpperAZ(*it);
    if (up == upper || up.rfind(upper + "\\", 0) == 0) fs_.Remove(*it);
  }
  return reply;
}
