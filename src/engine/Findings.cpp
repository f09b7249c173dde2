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

void Findings::Join(Findings& lane) {
  for (ChangeEntry& e : lane.changes) changes.push_back(std::move(e));
  for (PassedOver& p : lane.passedOver) passedOver.push_back(std::move(p));
  for (std::string& note : lane.notes) notes.push_back(std::move(note));
  for (const std::string& note : lane.searchNotes) NoteOfSearch(note);
  tally.linkCount += lane.tally.linkCount;
  if (lane.tally.cancelled) tally.cancelled = true;
  lane.changes.clear();
  lane.changes.shrink_to_fit();
  lane.passedOver.clear();
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
