#include "engine/RunContext.h"

#include <string_view>

#include "core/Ui.h"
#include "engine/SearchTexts.h"

bool RunContext::PumpCancelled() {
  if (ui) ui->Pump();
  return tally.cancelled;
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
  // A switch's second pass meets places its first pass already turned to the
  // marker; the review saw them as they were before the run.
  if (request.Mode == RunMode::SwitchDrives && (entry.where + entry.value + entry.oldText).find(kSwitchMarker) != std::string::npos) {
    const auto before = [&](std::string text) {
      for (std::size_t p = 0; (p = text.find(kSwitchMarker, p)) != std::string::npos; p += request.FindText.size())
        text.replace(p, std::string_view(kSwitchMarker).size(), request.FindText);
      return text;
    };
    ChangeEntry seen = entry;
    seen.where = before(entry.where);
    seen.value = before(entry.value);
    seen.oldText = before(entry.oldText);
    if (selection->Take(seen)) return true;
  } else if (selection->Take(entry)) {
    return true;
  }
  ChangeEntry left = entry;
  left.outcome = ChangeOutcome::LeftOut;
  changes.push_back(std::move(left));
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
