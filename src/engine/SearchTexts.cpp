#include "engine/SearchTexts.h"

#include <algorithm>

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
  if (oldText.find('&') != std::string::npos)
    Add(pairs, Replaced(oldText, "&", "&amp;"), Replaced(newText, "&", "&amp;"));
  return pairs;
}
}  // namespace

Spellings::Spellings(const SearchTexts& texts)
    : long_(SpellingsOf(texts.oldText, texts.newText, texts.rule)),
      short_(SpellingsOf(texts.oldShort, texts.newShort, texts.rule)),
      rule_(texts.rule) {}

Occurrence Spellings::Next(const Family& family, std::string_view text, std::size_t from) const {
  Occurrence best;
  if (!family.pairs) return best;
  for (const Pair& p : *family.pairs) {
    const FoldMatch m = FindOccurrenceMatch(text, p.oldText, rule_, from);
    // The earliest wins; at one place the longer spelling ("C:\\App" over a shorter one).
    if (m.pos == kNotFound || (best.found() && (m.pos > best.pos || (m.pos == best.pos && m.length <= best.length))))
      continue;
    best = {m.pos, m.length, p.oldText, p.newText};
  }
  return best;
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

const Spellings& SpellingsCache::For(const SearchTexts& texts) {
  const bool same = spellings_ && texts.oldText == texts_.oldText && texts.newText == texts_.newText &&
                    texts.oldShort == texts_.oldShort && texts.newShort == texts_.newShort && texts.rule == texts_.rule;
  if (!same) {
    texts_ = texts;
    spellings_.emplace(texts);
  }
  return *spellings_;
}
