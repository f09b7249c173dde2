#pragma once
// Shortcuts for native tests: the same record, operations and messages as the
// platform's shell links, kept as "Key=Value" lines in files of a FileSystem
// (normally a FakeFileSystem). Lines for other keys (an item list, say)
// stand for the rest of what a link holds and are carried through changes.
#include <map>
#include <string>

#include "core/FileSystem.h"
#include "filemap/ShellLnk.h"

class FakeShellLinkStore : public ShellLinkStore {
 public:
  explicit FakeShellLinkStore(FileSystem& fs) : fs_(fs) {}
  // The longest value a link holds; longer ones are refused, as the platform may.
  std::size_t maxValue = 1024;

  // Writes a link file; extras are the link's other keys.
  void Put(const std::string& path, const ShellLinkProps& props, const std::map<std::string, std::string>& extras = {});
  // One key of the link file as it is on disk ("" when it has none).
  std::string Key(const std::string& path, const std::string& key);

  ShellLinkProps Load(const std::string& path) override;
  void Save(const std::string& path, const ShellLinkProps& props) override;
  std::unique_ptr<PendingLinkChange> Prepare(const std::string& path, const LinkChange& change) override;

 private:
  using Lines = std::map<std::string, std::string>;
  Lines Parse(const std::string& path);
  void Write(const std::string& path, const Lines& lines);
  FileSystem& fs_;
};
