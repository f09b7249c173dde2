#include "ExitCode.h"

#include <algorithm>

int ExitCodeOf(CliEnd end) {
  switch (end) {
    case CliEnd::Finished: return kExitFinished;
    case CliEnd::Cancelled: return kExitCancelled;
    case CliEnd::Usage: return kExitUsage;
    case CliEnd::Failed: return kExitError;
    case CliEnd::Partly: return kExitPartly;
    case CliEnd::WouldChange: return kExitWouldChange;
  }
  return kExitError;
}

CliEnd EndOf(const Findings& findings, bool detect) {
  // Nothing moved while programs ran from the item: as much a failure as an error.
  if (findings.tally.itemInUse) return CliEnd::Failed;
  if (findings.tally.cancelled) return CliEnd::Cancelled;
  const bool wouldChange = std::any_of(findings.changes.begin(), findings.changes.end(),
                                       [](const ChangeEntry& e) { return e.outcome == ChangeOutcome::WouldChange; });
  if (detect && wouldChange) return CliEnd::WouldChange;
  return findings.passedOver.empty() ? CliEnd::Finished : CliEnd::Partly;
}

CliEnd EndOf(const UndoOutcome& outcome) { return outcome.Complete() ? CliEnd::Finished : CliEnd::Failed; }
