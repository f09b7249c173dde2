#include "engine/MappingRequest.h"

#include "core/Text.h"

std::string RequestRefusal(const MappingRequest& r) {
  if (r.FindText == r.ReplaceText)
    return "The text to find and the text to replace it with are the same (" + r.FindText +
           "): there is nothing to change.";
  if (r.Mode != RunMode::MoveAndMap) return "";
  const std::string from = RemoveSlash(r.FindText), to = RemoveSlash(r.ReplaceText);
  if (EqualFold(from, to)) return from + " is already there: there is nothing to move.";
  const std::size_t head = FoldPrefixLength(to, from);
  if (head != kNotFound && head < to.size() && to[head] == '\\')
    return from + " cannot be moved into itself (" + to + ").";
  return "";
}

std::string PathAfterMove(const std::string& path, const std::string& from, const std::string& to) {
  if (from.empty() || path.size() < from.size() || !EqualFold(path.substr(0, from.size()), from)) return path;
  if (path.size() > from.size() && path[from.size()] != '\\' && from.back() != '\\') return path;
  return to + path.substr(from.size());
}
