#pragma once
// The words both front ends show for the undo list and for an undo's
// outcome, made in this one place from the data.
#include <string>

#include "engine/UndoOutcome.h"
#include "engine/UndoPorts.h"

inline constexpr const char* kUndoCompleted = " files restored.  Undo has completed";
inline constexpr const char* kUndoIncomplete = "Not everything could be undone:";
inline constexpr const char* kUndoDone = "What was undone:";
inline constexpr const char* kUndoAllAsBefore = "Everything is already as before the run.";
inline constexpr const char* kUndoHeldBack = "Nothing was undone:";

// "Undo00003 - <date> - Move and Map: OLD -> NEW - undone <date> <time>".
std::string UndoListLine(const UndoListEntry& entry);
// The closing message of an undo: what was restored, moved back and
// already as before, then what was left and why.
std::string UndoMessage(const UndoOutcome& outcome);
