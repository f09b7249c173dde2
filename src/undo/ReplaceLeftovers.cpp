#include "undo/ReplaceLeftovers.h"

#include "core/Error.h"
#include "core/PathText.h"
#include "core/Text.h"

namespace {
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

bool EndsWithTmp(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view ext = name.substr(name.size() - 4);
  return ext[0] == '.' && (ext[1] | 0x20) == 't' && (ext[2] | 0x20) == 'm' && (ext[3] | 0x20) == 'p';
}
}  // namespace

bool IsPlatformReplaceTempName(std::string_view name) {
  if (name.size() < 7 || name.size() > 10 || (name[0] | 0x20) != 'r' || (name[1] | 0x20) != 'f' || !EndsWithTmp(name))
    return false;
  for (char c : name.substr(2, name.size() - 6))
    if (!IsHexDigit(c)) return false;
  return true;
}

std::vector<std::string> ReplaceLeftovers::CopiesBeside(const std::string& target, const FileWrite& ran,
                                                         const std::string& before) {
  const std::string folder = AddSlash(SplitItemPath(target).folder);
  auto listed = temps_.find(FoldKey(folder));
  if (listed == temps_.end()) {
    std::vector<DirEntry> temps;
    try {
      for (DirEntry& e : fs_.ListFolder(folder + "*.tmp"))
        if (!e.IsFolder() && (IsReplaceTempName(e.name) || IsPlatformReplaceTempName(e.name)))
          temps.push_back(std::move(e));
    } catch (const Error&) {
      // A folder that cannot be listed shows no copies.
    }
    listed = temps_.emplace(FoldKey(folder), std::move(temps)).first;
  }
  std::vector<std::string> copies;
  for (const DirEntry& e : listed->second) {
    const bool maybeBefore = e.size == before.size();
    const bool maybeRan = !ran.sha256.empty() && e.size == ran.size;
    if (!maybeBefore && !maybeRan) continue;  // not read at all
    try {
      const std::string data = fs_.ReadWhole(folder + e.name);
      if ((maybeBefore && data == before) || (maybeRan && ran.Holds(data)))
        copies.push_back(folder + e.name);
    } catch (const Error&) {
    }
  }
  return copies;
}
