#pragma once
// What one undo of an entry did, as data: the front ends turn it into the
// closing message (UndoWords.h) and into their exit status.
#include <string>
#include <vector>

enum class UndoResult {
  Completed,    // every place the records name is back (or was already)
  AllAsBefore,  // nothing needed doing: every place was already as before the run
  Partly,       // some places were left, each named with why
  HeldBack,     // nothing was undone: the move back would strand places changed after the run
};

struct UndoOutcome {
  UndoResult result = UndoResult::Completed;
  int files = 0;    // files written back
  int values = 0;   // registry values set back or taken away
  int keys = 0;     // registry keys made again or taken away
  int tasks = 0;    // scheduled tasks registered back
  int already = 0;  // places already as before the run
  bool movedBack = false;
  std::string movedItem;    // where the run had put the item ("" when it moved nothing)
  std::string movedBackTo;  // the place the item went back to
  std::string home;         // held back: where the item would have arrived
  // The records come from an earlier version: whether a place changed after
  // the run could not be checked.
  bool unchecked = false;
  std::vector<std::string> changed;   // places left because they changed after the run, each with why
  std::vector<std::string> problems;  // everything else not undone, each with why
  std::vector<std::string> undone;    // what was undone, a line each
  std::vector<std::string> notes;     // said whatever else happened

  // Every place left, the changed ones first.
  std::vector<std::string> Left() const;
  bool Complete() const { return result == UndoResult::Completed || result == UndoResult::AllAsBefore; }
};
