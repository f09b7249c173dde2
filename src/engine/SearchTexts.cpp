#include "engine/SearchTexts.h"

#include <algorithm>

#include "core/Text.h"
#include "core/Utf8Codec.h"

namespace {
std::string Replaced(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, from.size(), from) == 0) {
      out.append(to);
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// What the pairs of one old text share: the place they spell, and whether
// it is a drive alone.
struct PairKind {
  const std::string& place;
  bool driveAlone = false;
};

void Add(std::vector<Spellings::Pair>& pairs, const PairKind& kind, std::string oldText, std::string newText,
         bool escapes = false, bool encoded = false, bool caseAsFound = false) {
  if (oldText.empty()) return;
  for (const Spellings::Pair& p : pairs)
    if (p.oldText == oldText) return;
  pairs.push_back({std::move(oldText), std::move(newText), escapes, encoded, kind.driveAlone, caseAsFound, kind.place});
}

constexpr char kLowerHex[] = "0123456789abcdef", kUpperHex[] = "0123456789ABCDEF";

std::string Hex(std::uint32_t value, int digits, const char* alphabet) {
  std::string out(digits, '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) out[i] = alphabet[value & 0xF];
  return out;
}

// The text with each character beyond ASCII written by `spell` (a code point
// in, its spelling out); ASCII and bytes that are no character stay.
template <class Spell>
std::string SpelledBeyondAscii(std::string_view text, Spell spell) {
  std::string out;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const int n = bytes[i] < 0x80 ? 0 : DecodeUtf8At(bytes, text.size(), i, cp);
    if (n == 0) {
      out += text[i++];
      continue;
    }
    out += spell(cp);
    i += n;
  }
  return out;
}

// \uXXXX as JSON and Java write a character: UTF-16 units, a surrogate pair
// beyond the first plane.
std::string UnicodeEscapes(std::string_view text, const char* alphabet) {
  return SpelledBeyondAscii(text, [&](char32_t cp) {
    if (cp < 0x10000) return "\\u" + Hex(cp, 4, alphabet);
    const std::uint32_t v = cp - 0x10000;
    return "\\u" + Hex(0xD800 + (v >> 10), 4, alphabet) + "\\u" + Hex(0xDC00 + (v & 0x3FF), 4, alphabet);
  });
}

// "&" and every character beyond ASCII as XML character references.
std::string CharacterReferences(std::string_view text, bool hex) {
  const auto reference = [hex](char32_t cp) {
    return hex ? "&#x" + Hex(cp, cp > 0xFFFF ? 5 : cp > 0xFF ? 4 : 2, kUpperHex) + ";" : "&#" + std::to_string(cp) + ";";
  };
  return SpelledBeyondAscii(Replaced(text, "&", reference('&')), reference);
}

// A path as an address's component: every character but letters, digits,
// "-", ".", "_" and "~" percent-encoded (UTF-8, upper-case hex), "/" kept
// where it separates the address's path.
std::string UriEncoded(std::string_view text, bool keepSlash) {
  std::string out;
  for (char c : text) {
    const auto b = (unsigned char)c;
    if (IsLetterAZ(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
        (keepSlash && c == '/')) {
      out += c;
    } else {
      out += '%';
      out += kUpperHex[b >> 4];
      out += kUpperHex[b & 0xF];
    }
  }
  return out;
}

bool IsHexDigit(char c) { return HexValue(c) >= 0; }
bool IsEscapeAt(std::string_view text, std::size_t i) {
  return i + 2 < text.size() && text[i] == '%' && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]);
}

bool IsDriveAlone(std::string_view text) { return text.size() == 2 && IsLetterAZ(text[0]) && text[1] == ':'; }

// As Properties.store writes a value: backslash, ":", "=", "#" and "!" escaped.
std::string PropertiesEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == ':' || c == '=' || c == '#' || c == '!') out += '\\';
    out += c;
  }
  return out;
}

std::vector<Spellings::Pair> SpellingsOf(const std::string& oldText, const std::string& newText, MatchRule rule,
                                         const TextSyntax& syntax) {
  std::vector<Spellings::Pair> pairs;
  const PairKind kind{oldText, rule == MatchRule::Path && IsDriveAlone(oldText)};
  Add(pairs, kind, oldText, newText);
  if (rule != MatchRule::Path) return pairs;
  const std::string oldSlash = Replaced(oldText, "\\", "/"), newSlash = Replaced(newText, "\\", "/");
  Add(pairs, kind, oldSlash, newSlash);
  // JSON and C strings: doubled backslashes, or forward slashes escaped; a
  // text that writes non-ASCII as \u gets its new text written so too (the
  // escaped spelling goes first, so an all-ASCII old text takes it).
  for (const auto& [oldJson, newJson] : {std::pair{Replaced(oldText, "\\", "\\\\"), Replaced(newText, "\\", "\\\\")},
                                        std::pair{Replaced(oldSlash, "/", "\\/"), Replaced(newSlash, "/", "\\/")}}) {
    if (oldJson.find('\\') == std::string::npos) continue;  // no separator to escape
    const std::string oldEscaped = UnicodeEscapes(oldJson, kLowerHex), newEscaped = UnicodeEscapes(newJson, kLowerHex);
    if (syntax.asciiEscapes) Add(pairs, kind, oldEscaped, newEscaped, true);
    Add(pairs, kind, oldJson, newJson, true);
    Add(pairs, kind, oldEscaped, newEscaped, true);
  }
  Add(pairs, kind, PercentEncoded(oldSlash), PercentEncoded(newSlash), false, true);
  // Addresses that encode the colon too ("file:///c%3A/Users/me", as editors
  // write a folder, the drive often in lower case), and a path passed whole
  // in a query, its separators encoded.
  if (oldText.size() >= 2 && oldText[1] == ':') {
    Add(pairs, kind, UriEncoded(oldSlash, true), UriEncoded(newSlash, true), false, true, true);
    Add(pairs, kind, Replaced(PercentEncoded(oldSlash), ":", "%3A"), Replaced(PercentEncoded(newSlash), ":", "%3A"),
        false, true, true);
  }
  if (oldText.find('\\') != std::string::npos) {
    Add(pairs, kind, UriEncoded(oldText, false), UriEncoded(newText, false), false, true, true);
    Add(pairs, kind, UriEncoded(oldSlash, false), UriEncoded(newSlash, false), false, true, true);
  }
  // XML writes "&" as an entity or as a character reference, in decimal or
  // hex, and any other character as a reference too.
  if (oldText.find('&') != std::string::npos)
    Add(pairs, kind, Replaced(oldText, "&", "&amp;"), Replaced(newText, "&", "&amp;"));
  for (bool hex : {false, true})
    Add(pairs, kind, CharacterReferences(oldText, hex), CharacterReferences(newText, hex), false, true);
  // Java reads a .properties file as ISO 8859-1 unless told otherwise:
  // new text beyond ASCII goes in as \u, which every reader takes.
  if (syntax.properties) {
    const std::string oldProperties = PropertiesEscaped(oldText), newProperties = PropertiesEscaped(newText);
    Add(pairs, kind, UnicodeEscapes(oldProperties, kUpperHex), UnicodeEscapes(newProperties, kUpperHex), true);
    Add(pairs, kind, oldProperties, newProperties, true);
  }
  return pairs;
}

// "P:" of "P:\": the drive root a switch names.
std::string DriveOfRoot(const std::string& text) {
  return text.size() == 3 && IsLetterAZ(text[0]) && text[1] == ':' && text[2] == '\\' ? text.substr(0, 2) : "";
}

// Both ways at once: a text holding either drive gets the other in the same
// pass, whichever it meets first.
std::vector<Spellings::Pair> ExchangeSpellingsOf(const std::string& oldText, const std::string& newText,
                                                 MatchRule rule, const TextSyntax& syntax) {
  std::vector<Spellings::Pair> pairs = SpellingsOf(oldText, newText, rule, syntax);
  for (Spellings::Pair& back : SpellingsOf(newText, oldText, rule, syntax))
    Add(pairs, {back.place, back.driveAlone}, std::move(back.oldText), std::move(back.newText), back.escapes,
        back.encoded, back.caseAsFound);
  const std::string oldDrive = DriveOfRoot(oldText), newDrive = DriveOfRoot(newText);
  if (!oldDrive.empty() && !newDrive.empty()) {
    Add(pairs, {oldDrive, true}, oldDrive, newDrive);
    Add(pairs, {newDrive, true}, newDrive, oldDrive);
  }
  return pairs;
}

std::vector<Spellings::Pair> PairsOf(const std::string& oldText, const std::string& newText, const SearchTexts& texts,
                                     const TextSyntax& syntax) {
  return texts.exchange ? ExchangeSpellingsOf(oldText, newText, texts.rule, syntax)
                        : SpellingsOf(oldText, newText, texts.rule, syntax);
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && EqualNoCaseAZ(text.substr(text.size() - tail.size()), tail);
}

// A drive letter alone stands where a value, list item or quoted part does:
// "P:", "P:;R:", "\"P:\"", "DataDrive=P:", "(P:)", "<d>P:</d>", and where a
// path begins ("P:\x", "file:///P:/x", "\\?\P:\x") or as the drive's own name
// ("\DosDevices\P:"); never inside another word
// ("TYPE:P:", "http://host/P:/x"). After a switch's colon it stands only
// where a path follows ("/out:P:\x").
bool DriveStandsAlone(std::string_view text, std::size_t pos, std::size_t length) {
  const auto separates = [](char c) {
    return c == ';' || c == ',' || c == '"' || c == '\'' || c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
           c == '|';
  };
  const std::size_t after = pos + length;
  const bool pathFollows = after < text.size() && (text[after] == '\\' || text[after] == '/' ||
                                                   EqualNoCaseAZ(text.substr(after, 3), "%2F") ||
                                                   EqualNoCaseAZ(text.substr(after, 3), "%5C"));
  const bool endsAlone = after == text.size() || pathFollows || separates(text[after]) ||
                         text[after] == ')' || text[after] == '<' || text[after] == ']' || text[after] == '}';
  if (!endsAlone) return false;
  if (pos == 0) return true;
  const char before = text[pos - 1];
  if (separates(before) || before == '=' || before == '(' || before == '>' || before == '[' || before == '{')
    return true;
  if (before == ':') return pathFollows;
  const std::string_view head = text.substr(0, pos);
  // The drive's own names: "\\?\P:\x", "\??\P:", "\DosDevices\P:".
  for (std::string_view name : {"\\\\?\\", "\\??\\", "\\DosDevices\\", "\\GLOBAL??\\"})
    if (EndsWithNoCase(head, name)) return true;
  // A file address: "file:///P:/", "file:/P:/" (Java), "jrt://P:/".
  const std::size_t slashes = head.find_last_not_of('/');
  return slashes != std::string_view::npos && slashes + 1 < head.size() &&
         (EndsWithNoCase(head.substr(0, slashes + 1), "file:") || EndsWithNoCase(head.substr(0, slashes + 1), "jrt:"));
}
}  // namespace

Spellings::Spellings(const SearchTexts& texts, TextSyntax syntax, PlaceLookup* places)
    : long_(PairsOf(texts.oldText, texts.newText, texts, syntax)),
      short_(PairsOf(texts.oldShort, texts.newShort, texts, syntax)),
      rule_(texts.rule),
      syntax_(syntax),
      newShortAfterMove_(texts.newShortAfterMove),
      places_(places) {
  // Every form's addition is tried at every occurrence: a place an earlier
  // run wrote may mix the forms (the short old folder, then the long new name).
  // An exchange has none: its new text is another drive, never a longer path.
  if (texts.exchange) return;
  for (const auto* pairs : {&long_, &short_})
    for (const Pair& p : *pairs) {
      const std::size_t head = FoldPrefixLength(p.newText, p.oldText);
      if (head == kNotFound || head >= p.newText.size()) continue;
      const std::string tail = p.newText.substr(head);
      const bool path = LooksLikePath(p.newText);
      // Markup takes a new "&" as "&amp;" (see the file rewriting), an
      // address and a batch script take it as NewTextFit writes it.
      for (const std::string& written :
           {tail, Replaced(tail, "&", "&amp;"), PercentEncoded(tail), Replaced(tail, "%", "%%")})
        if (std::none_of(additions_.begin(), additions_.end(),
                         [&](const Addition& a) { return a.tail == written && a.path == path; }))
          additions_.push_back({written, path});
    }
}

bool Spellings::AlreadyNew(const Pair& p, std::string_view text, const FoldMatch& m) const {
  const std::size_t end = m.pos + m.length;
  for (const Addition& a : additions_) {
    const std::size_t n = FoldPrefixLength(text.substr(end), a.tail);
    if (n == kNotFound) continue;
    // A path's new text stands whole where a path name ends (C:\Data\Old,
    // not C:\Data\Oldies), even when the run matches plain text; past a
    // space, unless a longer name is there (one not known is taken as the
    // new text: changed again it would grow).
    if (!a.path || EndsWhole(text, m.pos, m.length + n) || LongerNameAt(p.place, text, end, end + n) != PlaceIs::There)
      return true;
  }
  return false;
}

PlaceIs Spellings::LongerNameAt(std::string_view place, std::string_view text, std::size_t placeEnd,
                                std::size_t at) const {
  if (at >= text.size() || text[at] != ' ') return PlaceIs::There;  // the name goes on
  const LongerNames names = LongerNamesAfterSpace(text, at);
  if (names.count == 0) return PlaceIs::Absent;  // a switch, or nothing a name goes on with
  if (!places_) return PlaceIs::There;           // no one to ask: the space may go on, as it may in a name
  PlaceIs answer = PlaceIs::Absent;
  for (std::size_t i = 0; i < names.count; ++i) {
    std::string longer(place);
    longer.append(text.substr(placeEnd, names.ends[i] - placeEnd));
    const PlaceIs is = places_->Look(longer);
    if (is == PlaceIs::There) return is;
    if (is == PlaceIs::Unknown) answer = is;
  }
  return answer;
}

Spellings::Standing Spellings::StandingOf(const Pair& p, std::string_view text, const FoldMatch& m) const {
  // A drive alone is placed by what stands around it, not by the path rule.
  if (p.driveAlone) return DriveStandsAlone(text, m.pos, m.length) ? Standing::Whole : Standing::Not;
  Standing standing = Standing::Whole;
  if (rule_ == MatchRule::Path) {
    if (!StartsWhole(text, m.pos, m.length)) return Standing::Not;
    if (!EndsWhole(text, m.pos, m.length)) {
      const std::size_t end = m.pos + m.length;
      const PlaceIs longer = LongerNameAt(p.place, text, end, end);
      if (longer == PlaceIs::There) return Standing::Not;
      if (longer == PlaceIs::Unknown) standing = Standing::Undecided;
    }
  }
  if (AlreadyNew(p, text, m) || (p.escapes && EscapeContinuesName(text, m))) return Standing::Not;
  return standing;
}

bool Spellings::EscapeContinuesName(std::string_view text, const FoldMatch& m) const {
  if (rule_ != MatchRule::Path || m.length == 0 || text[m.pos + m.length - 1] == '\\') return false;
  const std::size_t end = m.pos + m.length;
  return end + 1 < text.size() && text[end] == '\\' && (text[end + 1] == 'u' || text[end + 1] == 'U');
}

Occurrence Spellings::Next(const Family& family, std::string_view text, std::size_t from) const {
  Occurrence best;
  if (!family.pairs) return best;
  for (const Pair& p : *family.pairs) {
    FoldMatch m = FindFoldMatch(text, p.oldText, from);
    Standing standing = Standing::Not;
    for (; m.pos != kNotFound; m = FindFoldMatch(text, p.oldText, m.pos + 1))
      if ((standing = StandingOf(p, text, m)) != Standing::Not) break;
    // The earliest wins; at one place the longer spelling ("C:\\App" over a shorter one).
    if (m.pos == kNotFound || (best.found() && (m.pos > best.pos || (m.pos == best.pos && m.length <= best.length))))
      continue;
    best = {m.pos,     m.length,      p.oldText, p.newText, family.pairs == &short_,
            p.encoded, p.caseAsFound, standing == Standing::Undecided};
  }
  return best;
}

std::string Spellings::NoteOn(bool shortForm) const {
  return shortForm && newShortAfterMove_ ? kShortFormAfterMove : "";
}

Spellings::Family Spellings::Choose(std::string_view text) const {
  for (const std::vector<Pair>* pairs : {&long_, &short_}) {
    Family family{pairs, {}};
    family.first = Next(family, text, 0);
    if (family.first.found()) return family;
  }
  return {};
}

std::vector<std::string_view> Spellings::OldForms() const {
  std::vector<std::string_view> forms;
  for (const auto* pairs : {&long_, &short_})
    for (const Pair& p : *pairs) forms.push_back(p.oldText);
  return forms;
}

std::vector<std::string_view> Spellings::NewForms() const {
  std::vector<std::string_view> forms;
  for (const auto* pairs : {&long_, &short_})
    for (const Pair& p : *pairs) forms.push_back(p.newText);
  return forms;
}

namespace {
// A run of literal text, or one %NAME% and its value, in both texts.
struct Piece {
  std::size_t rawPos, rawLength, expandedPos, expandedLength;
  bool variable;
};

// `path` names `folder` or a place below it, across case.
bool Under(std::string_view path, std::string_view folder) {
  const std::size_t n = FoldPrefixLength(path, folder);
  if (n == kNotFound || folder.empty()) return false;
  return n == path.size() || folder.back() == '\\' || folder.back() == '/' || path[n] == '\\' || path[n] == '/';
}

// The text with its set %NAME% parts expanded, cut into pieces.
struct ExpandedText {
  std::string text;
  std::vector<Piece> pieces;
  bool anyVariable = false;
  bool anyUnset = false;  // a reference whose name is not set stayed text
};

// A variable's name and where its reference ends.
struct VariableReference {
  std::string name;
  std::size_t end = 0;
  bool forwardSlashes = false;  // the value is read with "/" for "\\"
};

// "$USER_HOME$" at `at`, as JetBrains IDEs write the profile folder: the
// value of USERPROFILE, in the separators the path after it uses.
constexpr std::string_view kUserHomeMacro = "$USER_HOME$";
std::optional<VariableReference> IdeMacroAt(std::string_view text, std::size_t at) {
  if (text.compare(at, kUserHomeMacro.size(), kUserHomeMacro) != 0) return std::nullopt;
  const std::size_t end = at + kUserHomeMacro.size();
  return VariableReference{"USERPROFILE", end, end >= text.size() || text[end] != '\\'};
}

// "$env:NAME" or "${env:NAME}" at `at`.
std::optional<VariableReference> PowerShellVariableAt(std::string_view text, std::size_t at) {
  const bool braced = text.compare(at, 2, "${") == 0;
  const std::size_t nameAt = at + (braced ? 6 : 5);
  if (nameAt > text.size() || !EqualNoCaseAZ(text.substr(at + (braced ? 2 : 1), 4), "env:")) return std::nullopt;
  std::size_t end = nameAt;
  if (braced) {
    end = text.find('}', nameAt);
    if (end == std::string_view::npos) return std::nullopt;
    return VariableReference{std::string(text.substr(nameAt, end - nameAt)), end + 1};
  }
  while (end < text.size() && (IsLetterAZ(text[end]) || (text[end] >= '0' && text[end] <= '9') || text[end] == '_'))
    ++end;
  return VariableReference{std::string(text.substr(nameAt, end - nameAt)), end};
}

ExpandedText Expand(std::string_view text, EnvironmentValues& environment, bool powerShell, bool ideMacros) {
  ExpandedText x;
  std::size_t literalStart = 0;
  const auto literalUpTo = [&](std::size_t end) {
    if (end <= literalStart) return;
    x.pieces.push_back({literalStart, end - literalStart, x.text.size(), end - literalStart, false});
    x.text.append(text.substr(literalStart, end - literalStart));
  };
  for (std::size_t i = 0; i < text.size();) {
    std::optional<VariableReference> reference;
    if (text[i] == '%') {
      const std::size_t close = text.find('%', i + 1);
      if (close == std::string_view::npos) break;
      reference = VariableReference{std::string(text.substr(i + 1, close - i - 1)), close + 1};
    } else if (text[i] == '$' && powerShell) {
      reference = PowerShellVariableAt(text, i);
    }
    if (!reference && text[i] == '$' && ideMacros) reference = IdeMacroAt(text, i);
    if (!reference) {
      ++i;
      continue;
    }
    std::optional<std::string> value = reference->name.empty() ? std::nullopt : environment.Value(reference->name);
    if (value && reference->forwardSlashes) value = Replaced(*value, "\\", "/");
    // An unset name stays text; the closing "%" of one may open the next.
    if (!value) {
      x.anyUnset = true;
      i = text[i] == '%' ? reference->end - 1 : i + 1;
      continue;
    }
    literalUpTo(i);
    x.pieces.push_back({i, reference->end - i, x.text.size(), value->size(), true});
    x.text += *value;
    x.anyVariable = true;
    i = literalStart = reference->end;
  }
  literalUpTo(text.size());
  return x;
}

}  // namespace

std::optional<std::string> ExpandedWhole(std::string_view text, EnvironmentValues& environment) {
  ExpandedText x = Expand(text, environment, false, false);
  if (x.anyUnset) return std::nullopt;
  return std::move(x.text);
}

namespace {

// Where the search resumes in the expanded text: never inside a variable
// that begins before `from`.
std::size_t ExpandedFrom(const ExpandedText& x, std::size_t from) {
  for (const Piece& p : x.pieces) {
    if (p.rawPos + p.rawLength <= from) continue;
    if (from <= p.rawPos) return p.expandedPos;
    return p.variable ? p.expandedPos + p.expandedLength : p.expandedPos + (from - p.rawPos);
  }
  return x.text.size();
}

const Piece& PieceAt(const ExpandedText& x, std::size_t expandedPos) {
  for (const Piece& p : x.pieces)
    if (expandedPos < p.expandedPos + p.expandedLength) return p;
  return x.pieces.back();
}

// A variable is read through only where it begins the path found and holds
// one folder above it: "%ProgramFiles%\Acme Tools" with the old place
// "C:\Program Files\Acme Tools". A list ("%PATH%", "$env:Path") is left as
// written, or its value would be written into the text; so is a variable
// holding the old place itself or a place below it ("%JAVA_HOME%\bin" when
// JAVA_HOME moves): the run changes its definition, and the reference follows.
bool ReadsThrough(const ExpandedText& x, const Occurrence& o) {
  const Piece& first = PieceAt(x, o.pos);
  if (!first.variable || first.expandedPos != o.pos || first.expandedLength == 0) return false;
  const std::size_t valueEnd = first.expandedPos + first.expandedLength, end = o.pos + o.length;
  if (end <= valueEnd) return false;
  const std::string_view value = std::string_view(x.text).substr(first.expandedPos, first.expandedLength);
  if (value.find(';') != std::string_view::npos || !LooksLikePath(value)) return false;
  for (const Piece& p : x.pieces)
    if (p.variable && &p != &first && p.expandedPos < end && o.pos < p.expandedPos + p.expandedLength) return false;
  return true;
}

// The change to the raw text for an occurrence in the expanded one: the
// variables it touches are replaced whole, and a new place still under the
// variable it began with keeps that variable.
Rewrite RewriteBehind(std::string_view text, const ExpandedText& x, const Occurrence& o) {
  const std::string& expanded = x.text;
  const std::size_t end = o.pos + o.length;
  const Piece& first = PieceAt(x, o.pos);
  const Piece& last = PieceAt(x, end - 1);
  const std::size_t expandedStart = first.variable ? first.expandedPos : o.pos;
  const std::size_t expandedEnd = last.variable ? last.expandedPos + last.expandedLength : end;
  const std::size_t rawStart = first.variable ? first.rawPos : first.rawPos + (o.pos - first.expandedPos);
  const std::size_t rawEnd = last.variable ? last.rawPos + last.rawLength : last.rawPos + (end - last.expandedPos);
  std::string replacement = expanded.substr(expandedStart, o.pos - expandedStart);
  replacement.append(o.newText);
  replacement.append(expanded, end, expandedEnd - end);
  if (first.variable && expandedStart == o.pos) {
    const std::string_view value = std::string_view(expanded).substr(first.expandedPos, first.expandedLength);
    if (Under(replacement, value)) {
      const std::size_t kept = FoldPrefixLength(replacement, value);
      replacement = std::string(text.substr(first.rawPos, first.rawLength)) + replacement.substr(kept);
    }
  }
  Rewrite r{rawStart, rawEnd - rawStart, std::move(replacement), o.shortForm};
  r.undecided = o.undecided;
  return r;
}
}  // namespace

struct VariablesExpanded::Impl {
  const Spellings& spellings;
  std::string_view text;
  ExpandedText x;
  Spellings::Family family;
};

VariablesExpanded::VariablesExpanded(const Spellings& spellings, std::string_view text, EnvironmentValues& environment) {
  ExpandedText x = Expand(text, environment, spellings.Syntax().powerShell, true);
  if (!x.anyVariable) return;
  const Spellings::Family family = spellings.Choose(x.text);
  if (family.first.found()) impl_.reset(new Impl{spellings, text, std::move(x), family});
}

VariablesExpanded::~VariablesExpanded() = default;

Rewrite VariablesExpanded::Next(std::size_t from) const {
  if (!impl_) return {};
  const auto& [spellings, text, x, family] = *impl_;
  for (Occurrence o = spellings.Next(family, x.text, ExpandedFrom(x, from)); o.found();
       o = spellings.Next(family, x.text, o.pos + 1))
    if (ReadsThrough(x, o)) return RewriteBehind(text, x, o);
  return {};
}

Rewrite FindBehindVariables(const Spellings& spellings, std::string_view text, std::size_t from,
                            EnvironmentValues& environment) {
  return VariablesExpanded(spellings, text, environment).Next(from);
}

namespace {
// An address spelling's new text in the case the text found writes it: a
// drive letter in lower case where the found one is ("c%3A" as editors write
// it), and each escape's hex digits as the found escape at the same place,
// else as the first found escape with a letter in it.
std::string InCaseFound(std::string_view found, std::string_view newText) {
  std::string out(newText);
  if (!found.empty() && found[0] >= 'a' && found[0] <= 'z' && out.size() >= 2 && IsLetterAZ(out[0]) &&
      (out[1] == ':' || IsEscapeAt(out, 1)))
    out[0] = char(out[0] | 0x20);
  const auto lower = [](char c) { return c >= 'a' && c <= 'f'; };
  const auto upper = [](char c) { return c >= 'A' && c <= 'F'; };
  bool lowerHex = false;
  for (std::size_t i = 0; i < found.size(); ++i)
    if (IsEscapeAt(found, i) && (lower(found[i + 1]) || upper(found[i + 1]) || lower(found[i + 2]) || upper(found[i + 2]))) {
      lowerHex = lower(found[i + 1]) || lower(found[i + 2]);
      break;
    }
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!IsEscapeAt(out, i)) continue;
    const bool aligned = IsEscapeAt(found, i);
    for (std::size_t d = i + 1; d <= i + 2; ++d) {
      if (!IsLetterAZ(out[d])) continue;
      const bool toLower = aligned && IsLetterAZ(found[d]) ? lower(found[d]) : lowerHex;
      out[d] = toLower ? char(out[d] | 0x20) : UpperAZ(out[d]);
    }
    i += 2;
  }
  return out;
}
}  // namespace

Rewrite NextRewrite(const Spellings& spellings, const Spellings::Family& family, std::string_view text,
                    std::size_t from, const VariablesExpanded* behind) {
  Rewrite best;
  const Occurrence plain = spellings.Next(family, text, from);
  if (plain.found()) {
    best = {plain.pos, plain.length,
            plain.caseAsFound ? InCaseFound(text.substr(plain.pos, plain.length), plain.newText)
                              : std::string(plain.newText),
            plain.shortForm, plain.encoded};
    best.undecided = plain.undecided;
  }
  if (behind) {
    Rewrite next = behind->Next(from);
    next.throughVariables = true;
    if (next.found() && (!best.found() || next.pos < best.pos)) best = std::move(next);
  }
  return best;
}

Rewrite NextRewrite(const Spellings& spellings, const Spellings::Family& family, std::string_view text,
                    std::size_t from, EnvironmentValues* environment) {
  if (!environment) return NextRewrite(spellings, family, text, from, static_cast<const VariablesExpanded*>(nullptr));
  const VariablesExpanded behind(spellings, text, *environment);
  return NextRewrite(spellings, family, text, from, &behind);
}

std::optional<std::string> SharedValuesOnly::Value(const std::string& name) {
  for (const char* own : {"USERPROFILE", "APPDATA", "LOCALAPPDATA", "HOMEDRIVE", "HOMEPATH", "HOMESHARE", "TEMP", "TMP",
                          "USERNAME", "USERDOMAIN", "ONEDRIVE", "ONEDRIVECONSUMER", "ONEDRIVECOMMERCIAL"})
    if (EqualFold(name, own)) return std::nullopt;
  return all_.Value(name);
}

const Spellings& SpellingsCache::For(const SearchTexts& texts, TextSyntax syntax) {
  if (!spellings_ || syntax != syntax_ || texts != texts_) {
    texts_ = texts;
    syntax_ = syntax;
    spellings_.emplace(texts, syntax, places_);
  }
  return *spellings_;
}
