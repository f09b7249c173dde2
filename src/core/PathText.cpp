#include "core/PathText.h"

#include "core/Fold.h"

std::string AddSlash(std::string_view path) {
  std::string r(path);
  if (!r.empty() && r.back() != '\\') r += '\\';
  return r;
}

std::string RemoveSlash(std::string_view text) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return std::string(text);
}

ItemPath SplitItemPath(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\:");
  if (cut == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

bool IsWithin(const std::string& path, const std::string& from) {
  const std::size_t head = FoldPrefixLength(path, from);
  if (head == kNotFound) return false;
  return path.size() == head || path[head] == '\\' || from.back() == '\\';
}
