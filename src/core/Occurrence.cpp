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

bool IsDriveForm(std::string_view text) { return text.size() >= 2 && IsLetterAZ(text[0]) && text[1] == ':'; }
bool IsUncForm(std::string_view text) { return text.size() >= 3 && text[0] == '\\' && text[1] == '\\' && text[2] != '\\'; }
}  // namespace

bool LooksLikePath(std::string_view text) { return IsDriveForm(text) || IsUncForm(text); }

MatchRule RuleFor(std::string_view findText, bool substringAsked) {
  return (!substringAsked && LooksLikePath(findText)) ? MatchRule::Path : MatchRule::Substring;
}

bool StandsAlone(std::string_view hay, std::size_t pos, std::size_t length, MatchRule rule) {
  if (rule == MatchRule::Substring) return true;
  const std::string_view found = hay.substr(pos, length);
  if (pos > 0) {
    const char before = hay[pos - 1];
    if (IsDriveForm(found) && IsAsciiLetterOrDigit(before)) return false;
    if (IsUncForm(found) && before == '\\') return false;
  }
  return EndsWhole(hay, pos, length);
}

bool EndsWhole(std::string_view hay, std::size_t pos, std::size_t length) {
  // A found text that ends in a separator ("C:\", "C:\App\") has ended its
  // last name itself.
  if (length > 0 && (hay[pos + length - 1] == '\\' || hay[pos + length - 1] == '/')) return true;
  const std::size_t after = pos + length;
  if (after >= hay.size() || EndsName(hay[after])) return true;
  // In markup a quote or bracket that ends the name may stand as a reference
  // ("&quot;C:\App&quot;"); "&amp;" may be part of a name (R&amp;D).
  for (std::string_view reference : {"&quot;", "&apos;", "&lt;", "&gt;", "&#34;", "&#39;", "&#x22;", "&#x27;"})
    if (EqualNoCaseAZ(hay.substr(after, reference.size()), reference)) return true;
  return false;
}

FoldMatch FindOccurrenceMatch(std::string_view hay, std::string_view needle, MatchRule rule, std::size_t from) {
  for (FoldMatch m = FindFoldMatch(hay, needle, from); m.pos != kNotFound; m = FindFoldMatch(hay, needle, m.pos + 1))
    if (StandsAlone(hay, m.pos, m.length, rule)) return m;
  return {};
}
