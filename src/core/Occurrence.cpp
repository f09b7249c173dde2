#include "core/Occurrence.h"

#include "core/Text.h"

namespace {
bool IsAsciiLetterOrDigit(char c) { return IsLetterAZ(c) || (c >= '0' && c <= '9'); }

bool EndsName(char c) {
  switch (c) {
    case '\\': case '/': case '"': case '\'': case '<': case '>': case '|': case ':': case '*': case '?':
    case ';': case ',':
      return true;
    default:
      return (unsigned char)c < 0x20;
  }
}

// "C:" or, in an address, "C%3A".
bool IsDriveForm(std::string_view text) {
  return text.size() >= 2 && IsLetterAZ(text[0]) &&
         (text[1] == ':' || EqualNoCaseAZ(text.substr(1, 3), "%3A"));
}
bool IsUncForm(std::string_view text) { return text.size() >= 3 && text[0] == '\\' && text[1] == '\\' && text[2] != '\\'; }

// How far back a word is looked for its beginning: a longer one is no
// address anyone wrote, and the look stays cheap in text without blanks.
constexpr std::size_t kLongestWord = 4096;

// The word that holds `pos` as far as `pos`: from after the last blank,
// quote, bracket, "=" or list separator before it.
std::string_view WordUpTo(std::string_view hay, std::size_t pos) {
  std::size_t start = pos;
  while (start > 0 && pos - start < kLongestWord) {
    const char c = hay[start - 1];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '"' || c == '\'' || c == '<' || c == '>' ||
        c == '(' || c == ')' || c == '=' || c == '[' || c == ']' || c == ';' || c == ',' || c == '|')
      break;
    --start;
  }
  return hay.substr(start, pos - start);
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && EqualNoCaseAZ(text.substr(text.size() - tail.size()), tail);
}

// "scheme://host/.../" before the drive, with a host and a scheme other than
// file: the drive is a part of a web address, not a place here.
bool InAddressAfterHost(std::string_view hay, std::size_t pos) {
  const std::string_view word = WordUpTo(hay, pos);
  const std::size_t scheme = word.find("://");
  if (scheme == std::string_view::npos || scheme == 0) return false;
  const std::size_t hostEnd = word.find('/', scheme + 3);
  if (hostEnd == std::string_view::npos || hostEnd == scheme + 3) return false;  // no host: "jrt://C:/", "file:///C:/"
  return !EndsWithNoCase(word.substr(0, scheme), "file");
}

// A file inside an archive: "jar:file:///C:/x.jar!/a", "jrt://C:/jdk!/java.base".
bool InArchiveAddress(std::string_view hay, std::size_t pos) {
  const std::string_view word = WordUpTo(hay, pos);
  return EqualNoCaseAZ(word.substr(0, 4), "jar:") || EqualNoCaseAZ(word.substr(0, 4), "jrt:");
}

bool IsSwitchStart(std::string_view hay, std::size_t at) {
  if (at >= hay.size() || (hay[at] != '/' && hay[at] != '-')) return false;
  std::size_t i = at + 1;
  if (hay[at] == '-' && i < hay.size() && hay[i] == '-') ++i;
  return i < hay.size() && hay[i] != ' ' && !EndsName(hay[i]);
}
}  // namespace

bool LooksLikePath(std::string_view text) { return (text.size() >= 2 && IsLetterAZ(text[0]) && text[1] == ':') || IsUncForm(text); }

MatchRule RuleFor(std::string_view findText, bool substringAsked) {
  return (!substringAsked && LooksLikePath(findText)) ? MatchRule::Path : MatchRule::Substring;
}

bool StartsWhole(std::string_view hay, std::size_t pos, std::size_t length) {
  if (pos == 0) return true;
  const std::string_view found = hay.substr(pos, length);
  const char before = hay[pos - 1];
  if (IsDriveForm(found)) return !IsAsciiLetterOrDigit(before) && !(before == '/' && InAddressAfterHost(hay, pos));
  if (IsUncForm(found)) return before != '\\';
  return true;
}

bool StandsAlone(std::string_view hay, std::size_t pos, std::size_t length, MatchRule rule) {
  if (rule == MatchRule::Substring) return true;
  return StartsWhole(hay, pos, length) && EndsWhole(hay, pos, length);
}

bool EndsWhole(std::string_view hay, std::size_t pos, std::size_t length) {
  // A found text that ends in a separator ("C:\", "C:\App\", "C%3A%5C") has
  // ended its last name itself.
  if (length > 0 && (hay[pos + length - 1] == '\\' || hay[pos + length - 1] == '/')) return true;
  if (length >= 3 && (EqualNoCaseAZ(hay.substr(pos + length - 3, 3), "%2F") ||
                      EqualNoCaseAZ(hay.substr(pos + length - 3, 3), "%5C")))
    return true;
  const std::size_t after = pos + length;
  if (after >= hay.size() || EndsName(hay[after])) return true;
  if (hay[after] == '!') return InArchiveAddress(hay, pos);
  // In markup a quote or bracket that ends the name may stand as a reference
  // ("&quot;C:\App&quot;"); "&amp;" may be part of a name (R&amp;D). An
  // address may encode its separators.
  for (std::string_view reference :
       {"&quot;", "&apos;", "&lt;", "&gt;", "&#34;", "&#39;", "&#x22;", "&#x27;", "%2F", "%5C"})
    if (EqualNoCaseAZ(hay.substr(after, reference.size()), reference)) return true;
  return false;
}

FoldMatch FindOccurrenceMatch(std::string_view hay, std::string_view needle, MatchRule rule, std::size_t from) {
  for (FoldMatch m = FindFoldMatch(hay, needle, from); m.pos != kNotFound; m = FindFoldMatch(hay, needle, m.pos + 1))
    if (StandsAlone(hay, m.pos, m.length, rule)) return m;
  return {};
}

LongerNames LongerNamesAfterSpace(std::string_view hay, std::size_t space) {
  LongerNames names;
  std::size_t i = space;
  while (names.count < kMaxLongerNames) {
    while (i < hay.size() && hay[i] == ' ') ++i;
    // Trailing spaces end a name; so does a switch. A word that goes on
    // into a folder ("-Copy\x") is a name, not a switch.
    if (i >= hay.size() || EndsName(hay[i])) break;
    std::size_t end = i;
    while (end < hay.size() && hay[end] != ' ' && !EndsWhole(hay, end, 0)) ++end;
    if (end == i) break;
    if (IsSwitchStart(hay, i) && (end >= hay.size() || (hay[end] != '\\' && hay[end] != '/'))) break;
    names.ends[names.count++] = end;
    if (end >= hay.size() || hay[end] != ' ') break;  // the next separator ends every longer name
    i = end;
  }
  return names;
}
