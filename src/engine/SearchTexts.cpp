#include "engine/SearchTexts.h"

#include <algorithm>

#include "core/Text.h"

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

void Add(std::vector<Spellings::Pair>& pairs, std::string oldText, std::string newText) {
  if (oldText.empty()) return;
  for (const Spellings::Pair& p : pairs)
    if (p.oldText == oldText) return;
  pairs.push_back({std::move(oldText), std::move(newText)});
}

std::vector<Spellings::Pair> SpellingsOf(const std::string& oldText, const std::string& newText, MatchRule rule) {
  std::vector<Spellings::Pair> pairs;
  Add(pairs, oldText, newText);
  if (rule != MatchRule::Path) return pairs;
  const std::string oldSlash = Replaced(oldText, "\\", "/"), newSlash = Replaced(newText, "\\", "/");
  Add(pairs, oldSlash, newSlash);
  Add(pairs, Replaced(oldText, "\\", "\\\\"), Replaced(newText, "\\", "\\\\"));
  if (oldText.find(' ') != std::string::npos)
    Add(pairs, Replaced(oldSlash, " ", "%20"), Replaced(newSlash, " ", "%20"));
  // XML writes "&" as an entity or as a character reference, in decimal or hex.
  if (oldText.find('&') != std::string::npos)
    for (const char* reference : {"&amp;", "&#38;", "&#x26;"})
      Add(pairs, Replaced(oldText, "&", reference), Replaced(newText, "&", reference));
  return pairs;
}
}  // namespace

Spellings::Spellings(const SearchTexts& texts)
    : long_(SpellingsOf(texts.oldText, texts.newText, texts.rule)),
      short_(SpellingsOf(texts.oldShort, texts.newShort, texts.rule)),
      rule_(texts.rule),
      newShortAfterMove_(texts.newShortAfterMove) {
  // Every form's addition is tried at every occurrence: a place an earlier
  // run wrote may mix the forms (the short old folder, then the long new name).
  for (const auto* pairs : {&long_, &short_})
    for (const Pair& p : *pairs) {
      const std::size_t head = FoldPrefixLength(p.newText, p.oldText);
      if (head == kNotFound || head >= p.newText.size()) continue;
      const std::string tail = p.newText.substr(head);
      const bool path = LooksLikePath(p.newText);
      // Markup takes a new "&" as "&amp;" (see the file rewriting).
      for (const std::string& written : {tail, Replaced(tail, "&", "&amp;")})
        if (std::none_of(additions_.begin(), additions_.end(),
                         [&](const Addition& a) { return a.tail == written && a.path == path; }))
          additions_.push_back({written, path});
    }
}

bool Spellings::AlreadyNew(std::string_view text, const FoldMatch& m) const {
  const std::size_t end = m.pos + m.length;
  for (const Addition& a : additions_) {
    const std::size_t n = FoldPrefixLength(text.substr(end), a.tail);
    // A path's new text stands whole where a path name ends (C:\Data\Old,
    // not C:\Data\Oldies), even when the run matches plain text.
    if (n != kNotFound && (!a.path || EndsWhole(text, m.pos, m.length + n))) return true;
  }
  return false;
}

Occurrence Spellings::Next(const Family& family, std::string_view text, std::size_t from) const {
  Occurrence best;
  if (!family.pairs) return best;
  for (const Pair& p : *family.pairs) {
    FoldMatch m = FindOccurrenceMatch(text, p.oldText, rule_, from);
    while (m.pos != kNotFound && AlreadyNew(text, m)) m = FindOccurrenceMatch(text, p.oldText, rule_, m.pos + 1);
    // The earliest wins; at one place the longer spelling ("C:\\App" over a shorter one).
    if (m.pos == kNotFound || (best.found() && (m.pos > best.pos || (m.pos == best.pos && m.length <= best.length))))
      continue;
    best = {m.pos, m.length, p.oldText, p.newText, family.pairs == &short_};
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
  return n == path.size() || folder.back() == '\\' || path[n] == '\\';
}

// The text with its set %NAME% parts expanded, cut into pieces.
struct ExpandedText {
  std::string text;
  std::vector<Piece> pieces;
  bool anyVariable = false;
};

ExpandedText Expand(std::string_view text, EnvironmentValues& environment) {
  ExpandedText x;
  std::size_t literalStart = 0;
  const auto literalUpTo = [&](std::size_t end) {
    if (end <= literalStart) return;
    x.pieces.push_back({literalStart, end - literalStart, x.text.size(), end - literalStart, false});
    x.text.append(text.substr(literalStart, end - literalStart));
  };
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '%') {
      ++i;
      continue;
    }
    const std::size_t close = text.find('%', i + 1);
    if (close == std::string_view::npos) break;
    const std::optional<std::string> value =
        close > i + 1 ? environment.Value(std::string(text.substr(i + 1, close - i - 1))) : std::nullopt;
    // An unset name stays text; its closing "%" may open the next one.
    if (!value) {
      i = close;
      continue;
    }
    literalUpTo(i);
    x.pieces.push_back({i, close + 1 - i, x.text.size(), value->size(), true});
    x.text += *value;
    x.anyVariable = true;
    i = literalStart = close + 1;
  }
  literalUpTo(text.size());
  return x;
}

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

bool TouchesVariable(const ExpandedText& x, std::size_t pos, std::size_t end) {
  for (const Piece& p : x.pieces)
    if (p.variable && p.expandedLength > 0 && p.expandedPos < end && pos < p.expandedPos + p.expandedLength)
      return true;
  return false;
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
  return {rawStart, rawEnd - rawStart, std::move(replacement), o.shortForm};
}
}  // namespace

Rewrite FindBehindVariables(const Spellings& spellings, std::string_view text, std::size_t from,
                            EnvironmentValues& environment) {
  const ExpandedText x = Expand(text, environment);
  if (!x.anyVariable) return {};
  const Spellings::Family family = spellings.Choose(x.text);
  for (Occurrence o = spellings.Next(family, x.text, ExpandedFrom(x, from)); o.found();
       o = spellings.Next(family, x.text, o.pos + 1))
    if (TouchesVariable(x, o.pos, o.pos + o.length)) return RewriteBehind(text, x, o);
  return {};
}

Rewrite NextRewrite(const Spellings& spellings, const Spellings::Family& family, std::string_view text,
                    std::size_t from, EnvironmentValues* environment) {
  Rewrite best;
  const Occurrence plain = spellings.Next(family, text, from);
  if (plain.found()) best = {plain.pos, plain.length, std::string(plain.newText), plain.shortForm};
  if (environment) {
    Rewrite behind = FindBehindVariables(spellings, text, from, *environment);
    if (behind.found() && (!best.found() || behind.pos < best.pos)) best = std::move(behind);
  }
  return best;
}

const Spellings& SpellingsCache::For(const SearchTexts& texts) {
  const bool same = spellings_ && texts.oldText == texts_.oldText && texts.newText == texts_.newText &&
                    texts.oldShort == texts_.oldShort && texts.newShort == texts_.newShort && texts.rule == texts_.rule &&
                    texts.newShortAfterMove == texts_.newShortAfterMove;
  if (!same) {
    texts_ = texts;
    spellings_.emplace(texts);
  }
  return *spellings_;
}
