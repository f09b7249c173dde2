#pragma once
// The closing summary of --json: one last line, {"summary": {...}}, that a
// deployment tool reads instead of the change lines.
#include <string>

#include "engine/Findings.h"
#include "engine/RunSettings.h"
#include "engine/UndoPorts.h"

// A run's (or a preview's): mode, texts, targets, drives, undo entry, links,
// places passed over and skipped, whether the item was moved, exit status, version.
std::string RunSummaryJson(const RunChoices& settings, const Findings& findings, int exitStatus);
// An undo's: the entry, what it restored, what was already as before, what
// it left and why, exit status, version.
std::string UndoSummaryJson(const UndoName& name, const UndoOutcome& outcome, int exitStatus);
