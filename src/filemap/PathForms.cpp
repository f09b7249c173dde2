#include "filemap/PathForms.h"

#include <algorithm>

#include "core/Text.h"

namespace {
bool IsWildcardText(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }
}  // namespace

std::string ComponentShortName(std::string_view name) {
  const std::size_t lastDot = name.rfind('.');
  const bool hasDot = lastDot != std::string_view::npos;
  const std::size_t baseEnd = hasDot ? lastDot : name.size();
  std::string base, ext;
  bool altered = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i == lastDot) continue;
    const char c = name[i];
    const bool inBase = i < baseEnd;
    std::string& out = inBase ? base : ext;
    if (c == ' ' || (c == '.' && i != lastDot)) {
      if (inBase) altered = true;
    } else if (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') {
      out += '_';
      if (inBase) altered = true;
    } else {
      out += c;
    }
  }
  if (hasDot && name.size() - lastDot - 1 > 3) {
    altered = true;
    ext.resize(std::min<std::size_t>(ext.size(), 3));
  }
  if (base.size() > 8 || altered) base = base.substr(0, 6) + "~1";
  return hasDot ? base + "." + ext : base;
}

std::string LongPathForm(FileSystem& fs, const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\' || IsWildcardText(path)) return path;
  std::string out = path.substr(0, 3);
  bool parentFound = true;  // below a missing component nothing is there to look up
  for (std::size_t at = 3; at < path.size();) {
    const std::size_t end = std::min(path.find('\\', at), path.size());
    const std::string name = path.substr(at, end - at);
    std::optional<DirEntry> entry;
    if (parentFound && !name.empty() && name != "." && name != "..") entry = fs.LookUp(out + name);
    parentFound = entry.has_value();
    out += entry ? entry->name : name;
    if (end < path.size()) out += '\\';
    at = end + 1;
  }
  return out;
}

std::optional<DirEntry> PathForms::LookUp(const std::string& path) {
  // A text with wildcards is no path: looking it up would find some other entry.
  if (path.empty() || IsWildcardText(path)) return std::nullopt;
  return fs_.LookUp(path);
}

std::string PathForms::ShortFileName(const std::string& path) {
  if (path.empty()) return path;
  std::optional<std::string> s;
  if (!IsWildcardText(path)) s = fs_.ShortPathOf(path);
  if (s && LookUp(RemoveSlash(*s))) return *s;
  return BuildShortName(path, false);
}

std::string PathForms::SearchShortForm(const std::string& path) {
  if (path.empty() || IsWildcardText(path)) return "";
  const char last = path.back();
  if (last == '.' || last == ' ') return "";
  if (std::optional<std::string> s = fs_.ShortPathOf(path)) return EqualFold(*s, path) ? "" : *s;
  const std::string built = BuildShortName(path, false);
  if (EqualFold(built, path)) return "";
  if (LookUp(RemoveSlash(built))) return "";
  return built;
}

std::string PathForms::BuildShortName(const std::string& path, bool /*folderOnly*/) {
  // A parent that turns out to be a file is shortened like any other entry.
  const ItemPath split = SplitItemPath(path);
  std::string component;
  // With no last component (a root, a bare drive, a trailing "\") there is
  // nothing to look up: the platform would answer for some other entry.
  if (auto found = split.name.empty() ? std::nullopt : LookUp(path))
    component = found->altName.empty() ? found->name : found->altName;
  else
    component = ComponentShortName(split.name);

  std::string folder = split.folder;
  if (folder.size() >= 2 && folder.back() == '\\') {
    const char before = folder[folder.size() - 2];
    if (before != ':' && before != '\\') folder.pop_back();
  }
  // Only a strictly shorter folder is walked further up, so every lookup ends.
  if (folder.size() > 3 && folder.size() < path.size()) return BuildShortName(folder, true) + "\\" + component;
  return folder + component;
}
