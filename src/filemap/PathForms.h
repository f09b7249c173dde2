#pragma once
// Long and short (8.3) forms of a path: the platform's answer where the path
// exists, otherwise built component by component.
#include <string>
#include <string_view>

#include "engine/RunPorts.h"
#include "core/FileSystem.h"

// The fixed rule that turns one name into a short name (always "~1").
std::string ComponentShortName(std::string_view name);
// The path with each of its existing components named as folder listings
// name it (the long name, as the platform spells it), the rest as given.
// Only paths from a drive root ("C:\\...") are looked up.
std::string LongPathForm(FileSystem& fs, const std::string& path);

class PathForms : public ShortNames {
 public:
  explicit PathForms(FileSystem& fs) : fs_(fs) {}
  std::string ShortFileName(const std::string& path) override;
  // The file system's own short form of an existing item. For one that does
  // not exist (already moved away) the form built by the naming rule, unless
  // that form names another item that does exist: searching it would change
  // references to that item. None for a text the platform would read as
  // another path (a last name ending in "." or " ").
  std::string SearchShortForm(const std::string& path) override;
  std::string BuildShortName(const std::string& path, bool folderOnly);

 private:
  std::optional<DirEntry> LookUp(const std::string& path);
  FileSystem& fs_;
};
