#pragma once
// Whether an undo entry's written record can be trusted to say what its run
// wrote. A run announces each write there before it makes it, so a place
// its change report lists as changed and the record does not name means the
// record was cut or damaged since; and a run of this version always leaves
// one, so a report of this version without it means the record was lost.
// Only an entry whose report is an earlier version's (or that has none) is
// undone by the earlier versions' rules.
#include <optional>
#include <string>
#include <vector>

#include "engine/ChangeReport.h"
#include "engine/WrittenRecord.h"

struct RecordDamage {
  std::string why;  // empty: the record is whole (or the entry is an earlier version's)
  // The changed places the report lists and the record does not name: files
  // by their path, registry places as "KEY, value "name"".
  std::vector<std::string> files, values;
  bool Damaged() const { return !why.empty(); }
};

// `written`: the record as read, none when there is none; `report`: the
// entry's change report, none when there is none or it cannot be read.
RecordDamage CheckWrittenRecord(const std::optional<WrittenPlaces>& written, const std::optional<ReadReport>& report);

// Whether a report was written by a version that keeps a written record.
bool ReportKeepsWrittenRecord(const ReadReport& report);
