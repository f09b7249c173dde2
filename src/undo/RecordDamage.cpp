#include "undo/RecordDamage.h"

#include "core/Fold.h"
#include "core/PathText.h"
#include "engine/RegistryWriteIndex.h"

bool ReportKeepsWrittenRecord(const ReadReport& report) {
  // The run's start as a stamp came into the reports after the written
  // record did: every report with that row was made beside one.
  for (const auto& [row, value] : report.run)
    if (row == kStartedUtcRow) return true;
  return false;
}

namespace {
// Whether the record names the place of a changed entry. Only files and
// registry places are weighed: the rest (a moved item, a scheduled task)
// are checked by their own records. A key's move names the key and what
// lies below it; a value's write or rename names that value in that key,
// by either of its names.
bool Recorded(const WrittenPlaces& written, const RegistryWriteIndex& registry, const ChangeEntry& entry) {
  if (entry.kind == ChangeKind::MovedItem || entry.kind == ChangeKind::Place || IsTaskPlace(entry)) return true;
  if (IsRegistryPlace(entry))
    return registry.WithinMovedKey(entry.where) ||
           (entry.kind != ChangeKind::KeyPath && registry.NamesValue(entry.where, entry.value));
  return written.files.count(FoldKey(entry.where)) > 0;
}
}  // namespace

RecordDamage CheckWrittenRecord(const std::optional<WrittenPlaces>& written, const std::optional<ReadReport>& report) {
  RecordDamage damage;
  if (!report) return damage;  // nothing to weigh it against
  if (!written) {
    if (ReportKeepsWrittenRecord(*report)) damage.why = "is missing";
    return damage;
  }
  const RegistryWriteIndex registry(written->registry);
  for (const ChangeEntry& entry : report->entries) {
    if (entry.outcome != ChangeOutcome::Changed || Recorded(*written, registry, entry)) continue;
    std::vector<std::string>& places = IsRegistryPlace(entry) ? damage.values : damage.files;
    const std::string place = IsRegistryPlace(entry) ? PlaceText(entry) : entry.where;
    if (places.empty() || places.back() != place) places.push_back(place);
  }
  if (const std::size_t n = damage.files.size() + damage.values.size())
    damage.why = "does not name " + std::to_string(n) + (n == 1 ? " place" : " places") +
                 " its change report lists as changed";
  return damage;
}
