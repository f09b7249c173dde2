#include "engine/Findings.h"

#include <algorithm>

void Findings::PassOver(std::string where, std::string reason) {
  ChangeEntry entry;
  entry.where = where;
  entry.kind = ChangeKind::Place;
  entry.outcome = ChangeOutcome::PassedOver;
  entry.reason = reason;
  changes.push_back(std::move(entry));
  passedOver.push_back({std::move(where), std::move(reason)});
}

void Findings::Record(ChangeEntry entry) {
  if (AddsLink(entry)) ++tally.linkCount;
  if (entry.outcome == ChangeOutcome::PassedOver) passedOver.push_back({PlaceText(entry), entry.reason});
  changes.push_back(std::move(entry));
}

void Findings::PassOverSince(std::size_t from, const std::string& where, const std::string& reason) {
  for (std::size_t i = from; i < changes.size(); ++i) {
    ChangeEntry& e = changes[i];
    if (e.outcome != ChangeOutcome::Changed) continue;
    if (AddsLink(e)) --tally.linkCount;
    e.outcome = ChangeOutcome::PassedOver;
    e.reason = reason;
  }
  passedOver.push_back({where, reason});
}

void Findings::Unmade(std::size_t at, const std::string& reason) {
  if (at >= changes.size() || changes[at].outcome != ChangeOutcome::Changed) return;
  ChangeEntry& e = changes[at];
  if (AddsLink(e)) --tally.linkCount;
  e.outcome = ChangeOutcome::PassedOver;
  e.reason = reason;
  passedOver.push_back({PlaceText(e), reason});
}

namespace {
// Moves `from` to the end of `to`. Into an empty list the list itself moves:
// a search's findings are then never held twice, as they would be for a
// moment were each moved into a list growing to hold them.
template <class T>
void MoveToEnd(std::vector<T>& to, std::vector<T>& from) {
  if (to.empty()) {
    to.swap(from);
  } else {
    if (to.capacity() < to.size() + from.size()) to.reserve(std::max(to.size() + from.size(), 2 * to.capacity()));
    for (T& item : from) to.push_back(std::move(item));
  }
  from.clear();
  from.shrink_to_fit();
}
}  // namespace

void Findings::Join(Findings& lane) {
  MoveToEnd(changes, lane.changes);
  MoveToEnd(passedOver, lane.passedOver);
  for (std::string& note : lane.notes) notes.push_back(std::move(note));
  for (const std::string& note : lane.searchNotes) NoteOfSearch(note);
  tally.linkCount += lane.tally.linkCount;
  if (lane.tally.cancelled) tally.cancelled = true;
  lane.notes.clear();
  lane.searchNotes.clear();
}

void Findings::NoteOfSearch(const std::string& note) {
  if (std::find(searchNotes.begin(), searchNotes.end(), note) == searchNotes.end()) searchNotes.push_back(note);
}

std::vector<std::string> Findings::AllNotes() const {
  std::vector<std::string> all = searchNotes;
  all.insert(all.end(), notes.begin(), notes.end());
  return all;
}

int Findings::ChangeCount() const {
  return int(std::count_if(changes.begin(), changes.end(), [](const ChangeEntry& e) { return CountsAsLink(e); }));
}
