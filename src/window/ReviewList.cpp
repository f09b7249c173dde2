#include "window/ReviewList.h"

#include <algorithm>
#include <numeric>

#include "core/Text.h"

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
  // Places sort by path in any case of letters, then by line; texts as they
  // are. The folded places are made once, not once per comparison.
  std::vector<std::string> folded;
  if (column == ReviewColumn::Where) {
    folded.reserve(entries_.size());
    for (const ChangeEntry& e : entries_) folded.push_back(FoldKey(PlaceText(e)));
  }
  const auto less = [&](std::uint32_t a, std::uint32_t b) {
    const ChangeEntry &x = entries_[a], &y = entries_[b];
    switch (column) {
      case ReviewColumn::Where:
        if (folded[a] != folded[b]) return folded[a] < folded[b];
        return x.line < y.line;
      case ReviewColumn::Old: return x.oldText < y.oldText;
      case ReviewColumn::New: return x.newText < y.newText;
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
