#include "support/FakeShellMove.h"

#include "core/Text.h"

ShellMoveResult FakeShellMove::MoveItem(const std::string& source, const std::string& targetFolder, bool silent) {
  calls.push_back({source, targetFolder, silent});
  if (beforeMove) beforeMove();
  if (!reply.Succeeded() && !moveFirstFileOnly) return reply;
  const std::string arrival = AddSlash(targetFolder) + SplitItemPath(source).name;
  // The part of a path that names the source, or kNotFound when it lies elsewhere.
  auto sourcePart = [&](const std::string& path) {
    const std::size_t head = FoldPrefixLength(path, source);
    return head != kNotFound && (head == path.size() || path[head] == '\\') ? head : kNotFound;
  };
  for (const std::string& path : fs_.Paths()) {
    const std::size_t head = sourcePart(path);
    if (head == kNotFound) continue;
    const std::string to = arrival + path.substr(head);
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
    if (sourcePart(*it) != kNotFound) fs_.Remove(*it);
  }
  return reply;
}
