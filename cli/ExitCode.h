#pragma once
// The console's exit status, chosen in one place from how a command ended.
#include "engine/Findings.h"
#include "engine/UndoOutcome.h"

// The numbers, as the README and the help state them.
enum CliExit {
  kExitFinished = 0,
  kExitCancelled = 1,
  kExitUsage = 2,
  kExitError = 3,
  kExitPartly = 4,
  kExitWouldChange = 5,  // --preview --exit-code: the run would change something
};

// How a command ended, before it is a number.
enum class CliEnd {
  Finished,
  Cancelled,    // cancelled, or the move failed
  Usage,        // the command line, or a request no run may make
  Failed,       // an error or a refusal; rights missing; programs run from the item; an undo not complete
  Partly,       // finished, with places passed over
  WouldChange,  // --preview --exit-code: the run would change something
};

int ExitCodeOf(CliEnd end);

// A finished mapping run's end. With `detect` (--preview --exit-code) a
// preview tells whether a run is due, whatever it could not read.
CliEnd EndOf(const Findings& findings, bool detect);
// A script must not take a partial undo, or none, for a complete one.
CliEnd EndOf(const UndoOutcome& outcome);
