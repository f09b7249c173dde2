#pragma once
// The review page's list, without a window: the change list of a search,
// a tick per entry, the order it is shown in and a count per kind. The list
// view asks it for rows by number only (a virtual list), so a search that
// found 100,000 places stays quick to show, sort and tick.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ChangeList.h"

// Outcome is shown in a run's report only: a review's entries are all to come.
enum class ReviewColumn { Where, Old, New, Outcome };

class ReviewList {
 public:
  // Every entry that a run could make is ticked; the others (places passed
  // over, the moved item) are shown but carry no box.
  void Load(std::vector<ChangeEntry> entries);

  std::size_t size() const { return order_.size(); }
  const ChangeEntry& At(std::size_t row) const { return entries_[order_[row]]; }
  bool Tickable(std::size_t row) const;
  bool Ticked(std::size_t row) const { return ticked_[order_[row]] != 0; }
  void SetTicked(std::size_t row, bool on);
  std::size_t TickedCount() const { return tickedCount_; }
  // Ticks (or unticks) every entry that carries a box.
  void SetAllTicked(bool on);

  // The text of a cell: Where names the place ("C:\x.ini, line 4", a
  // registry value as "KEY, value "name"", a shortcut's part); Old and New
  // are cut past a few hundred bytes; Outcome is "changed", "left out" ...
  // with the reason of a place passed over.
  std::string CellText(std::size_t row, ReviewColumn column) const;
  // The entry whole, a line each: where, what kind, old, new, and what
  // became of it with why ("\n" between lines).
  std::string Details(std::size_t row) const;
  // Sorts by the column; the same column again reverses the order. Places
  // and texts part by part, numbers as numbers (CompareNatural).
  void SortBy(ReviewColumn column);

  // "2 value data, 3 settings lines, 1 shortcut target", in the order of the
  // kinds; tickedOnly: of the ticked entries alone.
  std::string CountsPerKind(bool tickedOnly = false) const;

  // The list with its ticks, for the run that applies it.
  ChangeSelection Selection() const;

 private:
  std::vector<ChangeEntry> entries_;
  std::vector<std::uint32_t> order_;  // display row -> entry
  std::vector<char> ticked_;          // by entry
  std::size_t tickedCount_ = 0;
  ReviewColumn sortedBy_ = ReviewColumn::Where;
  bool sorted_ = false, descending_ = false;
};
