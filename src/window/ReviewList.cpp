#include "window/ReviewList.h"

#include <algorithm>
#include <numeric>

#include "core/Text.h"
#include "window/ListText.h"

namespace {
constexpr std::size_t kCellBytes = 300;

bool IsTickable(const ChangeEntry& e) {
  return e.kind != ChangeKind::MovedItem && e.kind != ChangeKind::Place &&
         (e.outcome == ChangeOutcome::WouldChange || e.outcome == ChangeOutcome::Changed);
}

std::string WhereText(const ChangeEntry& e) {
  std::string s = PlaceText(e);
  if (e.line > 0) s += ", line " + std::to_string(e.line);
  switch (e.kind) {
    case ChangeKind::ShortcutTarget: s += ", target"; break;
    case ChangeKind::ShortcutArguments: s += ", arguments"; break;
    case ChangeKind::ShortcutWorkingFolder: s += ", working folder"; break;
    case ChangeKind::ShortcutIcon: s += ", icon"; break;
    default: break;
  }
  return s;
}
}  // namespace

void ReviewList::Load(std::vector<ChangeEntry> entries) {
  entries_ = std::move(entries);
  order_.resize(entries_.size());
  std::iota(order_.begin(), order_.end(), 0u);
  ticked_.assign(entries_.size(), 0);
  tickedCount_ = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (IsTickable(entries_[i])) {
      ticked_[i] = 1;
      ++tickedCount_;
    }
  sorted_ = descending_ = false;
}

bool ReviewList::Tickable(std::size_t row) const { return IsTickable(At(row)); }

void ReviewList::SetTicked(std::size_t row, bool on) {
  if (!Tickable(row) || Ticked(row) == on) return;
  ticked_[order_[row]] = on ? 1 : 0;
  tickedCount_ += on ? 1 : std::size_t(-1);
}

void ReviewList::SetAllTicked(bool on) {
  tickedCount_ = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    ticked_[i] = on && IsTickable(entries_[i]) ? 1 : 0;
    tickedCount_ += ticked_[i];
  }
}

std::string ReviewList::Details(std::size_t row) const {
  // Cut only far beyond what a pane shows, so a huge value cannot stall it.
  constexpr std::size_t kDetailBytes = 8000;
  const ChangeEntry& e = At(row);
  std::string text = "Where: " + WhereText(e) + "\nWhat: " + KindWord(e.kind);
  if (!e.oldText.empty()) text += "\nOld: " + ShortenedText(MarkedText(e.oldText), kDetailBytes);
  if (!e.newText.empty()) text += "\nNew: " + ShortenedText(MarkedText(e.newText), kDetailBytes);
  text += "\nOutcome: " + CellText(row, ReviewColumn::Outcome);
  return text;
}

std::string ReviewList::CellText(std::size_t row, ReviewColumn column) const {
  const ChangeEntry& e = At(row);
  switch (column) {
    case ReviewColumn::Where: return WhereText(e);
    case ReviewColumn::Old: return ShortenedText(MarkedText(e.oldText), kCellBytes);
    case ReviewColumn::New: return ShortenedText(MarkedText(e.newText), kCellBytes);
    case ReviewColumn::Outcome: return e.reason.empty() ? OutcomeWord(e.outcome) : std::string(OutcomeWord(e.outcome)) + ": " + e.reason;
  }
  return "";
}

void ReviewList::SortBy(ReviewColumn column) {
  descending_ = sorted_ && sortedBy_ == column ? !descending_ : false;
  sorted_ = true;
  sortedBy_ = column;
  // Places sort part by part in any case of letters, then by line; texts
  // alike. The places are made once, not once per comparison.
  std::vector<std::string> places;
  if (column == ReviewColumn::Where) {
    places.reserve(entries_.size());
    for (const ChangeEntry& e : entries_) places.push_back(PlaceText(e));
  }
  const auto less = [&](std::uint32_t a, std::uint32_t b) {
    const ChangeEntry &x = entries_[a], &y = entries_[b];
    switch (column) {
      case ReviewColumn::Where:
        if (const int c = CompareNatural(places[a], places[b]); c != 0) return c < 0;
        return x.line < y.line;
      case ReviewColumn::Old: return CompareNatural(x.oldText, y.oldText) < 0;
      case ReviewColumn::New: return CompareNatural(x.newText, y.newText) < 0;
      case ReviewColumn::Outcome: return x.outcome < y.outcome;
    }
    return false;
  };
  std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
    return descending_ ? less(b, a) : less(a, b);
  });
}

namespace {
// "1 settings line", "3 settings lines"; "data" and "arguments" are plural already.
std::string KindCount(std::size_t n, ChangeKind kind) {
  std::string word = KindWord(kind);
  if (n != 1 && !word.ends_with("data") && !word.ends_with("arguments")) word += 's';
  return std::to_string(n) + " " + word;
}
}  // namespace

std::string ReviewList::CountsPerKind(bool tickedOnly) const {
  std::vector<std::size_t> counts(kChangeKindCount, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (!tickedOnly || ticked_[i]) ++counts[static_cast<std::size_t>(entries_[i].kind)];
  std::string out;
  for (std::size_t k = 0; k < counts.size(); ++k) {
    if (counts[k] == 0) continue;
    if (!out.empty()) out += ", ";
    out += KindCount(counts[k], static_cast<ChangeKind>(k));
  }
  return out;
}

ChangeSelection ReviewList::Selection() const {
  ChangeSelection selection;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    selection.Add(entries_[i], ticked_[i] != 0);
  return selection;
}
