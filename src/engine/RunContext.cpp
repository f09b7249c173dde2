#include "engine/RunContext.h"

#include "core/Ui.h"

bool RunContext::PumpCancelled() {
  if (ui) ui->Pump();
  return tally.cancelled;
}

void RunContext::ShowPhase(const std::string& phase) {
  if (ui) ui->ShowPhase(phase);
}

void RunContext::ShowPlace(const std::string& place) {
  if (ui) ui->ShowPlace(place);
}

void RunContext::BeginStep(int share) {
  if (ui) ui->BeginStep(share);
}

int RunContext::SelectedDriveCount() const {
  int n = 0;
  for (const DriveRow& d : drives) n += d.selected ? 1 : 0;
  return n;
}

void RunContext::PassOver(std::string where, std::string reason) {
  ChangeEntry entry;
  entry.where = where;
  entry.kind = ChangeKind::Place;
  entry.outcome = ChangeOutcome::PassedOver;
  entry.reason = reason;
  changes.push_back(std::move(entry));
  passedOver.push_back({std::move(where), std::move(reason)});
}

void RunContext::Record(ChangeEntry entry) {
  // A move's review is searched before the move: places inside the item are
  // named where they will be.
  if (preview && request.Mode == RunMode::MoveAndMap) entry.where = PathAfterMove(entry.where, request.FindText, request.ReplaceText);
  if (AddsLink(entry)) ++tally.linkCount;
  if (entry.outcome == ChangeOutcome::PassedOver) passedOver.push_back({PlaceText(entry), entry.reason});
  changes.push_back(std::move(entry));
}

bool RunContext::Chosen(const ChangeEntry& entry) {
  if (!selection || entry.kind == ChangeKind::MovedItem) return true;
  ChangeEntry unmade = entry;
  switch (selection->Choose(entry)) {
    case ChangeSelection::Choice::Ticked: return true;
    case ChangeSelection::Choice::LeftOut: unmade.outcome = ChangeOutcome::LeftOut; break;
    case ChangeSelection::Choice::Unlisted:
      unmade.outcome = ChangeOutcome::PassedOver;
      unmade.reason = kChangedSinceSearch;
      break;
  }
  Record(std::move(unmade));
  return false;
}

void RunContext::PassOverSince(std::size_t from, const std::string& where, const std::string& reason) {
  for (std::size_t i = from; i < changes.size(); ++i) {
    ChangeEntry& e = changes[i];
    if (e.outcome != ChangeOutcome::Changed) continue;
    if (AddsLink(e)) --tally.linkCount;
    e.outcome = ChangeOutcome::PassedOver;
    e.reason = reason;
  }
  passedOver.push_back({where, reason});
}

RunContext RunContext::ForSearch(Ui* searchUi, int drive) const {
  RunContext lane;
  lane.request = request;
  lane.targets = targets;
  lane.drives = drives;
  if (drive >= 0)
    for (int i = 0; i < int(lane.drives.size()); ++i) lane.drives[i].selected = i == drive;
  lane.recordsFolder = recordsFolder;
  lane.preview = preview;
  lane.searching = searching;
  lane.running = running;
  lane.runNumber = runNumber;
  lane.tally.undoName = tally.undoName;
  lane.offlineHives = offlineHives;
  lane.ui = searchUi;
  return lane;
}
