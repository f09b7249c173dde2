#include "engine/RunPass.h"

#include <atomic>

#include "core/Ui.h"

unsigned NextRunNumber() {
  static std::atomic<unsigned> runs{0};
  return ++runs;
}

void RunPass::Record(ChangeEntry entry) {
  const MappingRequest& r = settings.request;
  if (pass.IsPreview() && r.Mode == RunMode::MoveAndMap) entry.where = PathAfterMove(entry.where, r.FindText, r.ReplaceText);
  findings.Record(std::move(entry));
}

bool RunPass::Chosen(const ChangeEntry& entry) {
  ChangeSelection* const selection = pass.kind == PassKind::Apply ? pass.selection : nullptr;
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

bool RunPass::PumpCancelled() {
  if (ui) ui->Pump();
  return findings.tally.cancelled;
}

void RunPass::ShowPhase(const std::string& phase) {
  if (ui) ui->ShowPhase(phase);
}

void RunPass::ShowPlace(const std::string& place) {
  if (ui) ui->ShowPlace(place);
}

void RunPass::BeginStep(int share) {
  if (ui) ui->BeginStep(share);
}
