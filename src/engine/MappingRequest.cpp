#include "engine/MappingRequest.h"

#include <cstdio>

#include "core/Occurrence.h"
#include "core/Text.h"

namespace {
// The first character of `path` that no Windows path may hold, named; "" when none.
std::string ForbiddenInPath(std::string_view path) {
  // "\\?\" and "\\.\" begin a path given to the system as it is.
  if (path.substr(0, 4) == "\\\\?\\" || path.substr(0, 4) == "\\\\.\\") path.remove_prefix(4);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if ((unsigned char)c < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "%04X", (unsigned)(unsigned char)c);
      return std::string("a control character (U+") + code + ")";
    }
    switch (c) {
      case '"': return "the character \" (quotation mark)";
      case '<': return "the character < (less-than sign)";
      case '>': return "the character > (greater-than sign)";
      case '|': return "the character | (vertical bar)";
      case '?': return "the character ? (question mark)";
      case '*': return "the character * (asterisk)";
      case ':':
        if (i == 1 && IsLetterAZ(path[0])) break;  // the drive's own colon
        return "the character : (colon) after its drive";
      default: break;
    }
  }
  return "";
}
}  // namespace

std::optional<EngineRefusal> RequestRefusal(const MappingRequest& r) {
  if (r.FindText == r.ReplaceText) return EngineRefusal{RefusalReason::SameTexts, r.FindText, ""};
  // A move's destination, or what replaces a path, is written where a path
  // stood: a character no path may hold would break every place it goes to.
  if (r.Mode == RunMode::MoveAndMap || (r.Mode == RunMode::MapOnly && LooksLikePath(r.FindText)))
    if (const std::string forbidden = ForbiddenInPath(r.ReplaceText); !forbidden.empty())
      return EngineRefusal{RefusalReason::ForbiddenCharacter, r.ReplaceText, forbidden};
  if (r.Mode != RunMode::MoveAndMap) return std::nullopt;
  const std::string from = RemoveSlash(r.FindText), to = RemoveSlash(r.ReplaceText);
  if (EqualFold(from, to)) return EngineRefusal{RefusalReason::AlreadyThere, from, ""};
  const std::size_t head = FoldPrefixLength(to, from);
  if (head != kNotFound && head < to.size() && to[head] == '\\')
    return EngineRefusal{RefusalReason::MoveIntoItself, from, to};
  return std::nullopt;
}

std::string PathAfterMove(const std::string& path, const std::string& from, const std::string& to) {
  if (from.empty() || path.size() < from.size() || !EqualFold(path.substr(0, from.size()), from)) return path;
  if (path.size() > from.size() && path[from.size()] != '\\' && from.back() != '\\') return path;
  return to + path.substr(from.size());
}
