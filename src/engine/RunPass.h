#pragma once
// One pass of a run over its walks, and what a walk is handed for it: the
// run's settings, what the pass does, where its findings go and the front
// end that sees it. The run makes a new one for each pass.
#include <string>

#include "engine/Findings.h"
#include "engine/RunSettings.h"

class FolderPool;
class Ui;
class WrittenRecord;
class StopAndVerify;

enum class PassKind {
  Preview,  // report every change instead of making it
  Search,   // a run's search before its apply: find and list; change, ask and back up nothing
  Apply,    // make the changes (of a list, when the pass has one)
};

struct Pass {
  PassKind kind = PassKind::Apply;
  // The run the pass belongs to (RunNumbers): a part called once per pass
  // tells the next pass of a run from a new run by it.
  unsigned runNumber = 0;
  // What an apply may change: the list of the run's search, or what the
  // review page ticked; not owned. None: whatever is found.
  ChangeSelection* selection = nullptr;
  // Where an apply announces each write before it makes it; not owned.
  WrittenRecord* written = nullptr;

  bool FindsOnly() const { return kind != PassKind::Apply; }
  bool IsPreview() const { return kind == PassKind::Preview; }
};

// A new number for each run started, never the same twice in a process.
unsigned NextRunNumber();

struct RunPass {
  const RunSettings& settings;
  Pass pass;
  Findings& findings;
  Ui* ui = nullptr;
  // Whether the run still asks before each change; none: it never asks.
  StopAndVerify* asking = nullptr;
  // Searches a drive's folders on several threads; none: the walk goes
  // depth first on the calling one. Only a pass that finds only takes it.
  FolderPool* folders = nullptr;

  // As Findings::Record; a move's preview is searched before the move, so
  // places inside the item are named where they will be.
  void Record(ChangeEntry entry);
  void PassOver(std::string where, std::string reason) { findings.PassOver(std::move(where), std::move(reason)); }
  void PassOverSince(std::size_t from, const std::string& where, const std::string& reason) {
    findings.PassOverSince(from, where, reason);
  }
  // Whether an occurrence found may be changed: always outside an apply of
  // a list; in one only when its list ticks it (one left out is recorded
  // so, one the list does not hold is passed over: it changed since the
  // search).
  bool Chosen(const ChangeEntry& entry);

  // Pumps the user interface and tells whether the run was cancelled.
  bool PumpCancelled();
  // Told to the user interface, when there is one (Ui::ShowPhase ...).
  void ShowPhase(const std::string& phase);
  void ShowPlace(const std::string& place);
  void BeginStep(int share);
};

// A walker's hold on the pass it works for, for the length of one call to
// it: the walker keeps no pass between calls.
class PassHold {
 public:
  PassHold(RunPass*& held, RunPass& run) : held_(held), outer_(held) { held = &run; }
  ~PassHold() { held_ = outer_; }
  PassHold(const PassHold&) = delete;
  PassHold& operator=(const PassHold&) = delete;

 private:
  RunPass*& held_;
  RunPass* const outer_;
};
