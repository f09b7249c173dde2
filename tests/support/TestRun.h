#pragma once
// A run's parts as a test sets and reads them: the choices, the findings,
// and what the pass under test is; each walk called is handed a pass made
// from them afresh, and a whole run goes through MappingRun.
#include <optional>
#include <utility>

#include "engine/ChangeVerification.h"
#include "engine/MappingRun.h"
#include "engine/RunPass.h"

struct TestRun : RunChoices, Findings {
  Ui* ui = nullptr;
  bool searching = false;  // a run's search; `preview` (of the findings): a preview
  unsigned runNumber = 0;  // a walk tells a new run by a new number
  ChangeSelection* selection = nullptr;  // an apply's list
  WrittenRecord* written = nullptr;      // an apply's record of writes
  bool running = false;                  // the front end's busy mark

  // The pass of a walk called alone, its settings taken as they stand.
  RunPass& Pass() {
    const PassKind kind = preview ? PassKind::Preview : searching ? PassKind::Search : PassKind::Apply;
    const bool applies = kind == PassKind::Apply;
    Made& m = made_;
    m.pass.reset();
    m.settings.emplace(RunSettings::AsGiven(*this));
    // The asking outlives a pass, as in a run: ended by the user until the
    // test chooses again.
    if (!m.asking || m.askingChosen != stopAndVerify) m.asking.emplace(stopAndVerify);
    m.askingChosen = stopAndVerify;
    m.pass.emplace(RunPass{*m.settings, ::Pass{kind, runNumber, applies ? selection : nullptr, applies ? written : nullptr},
                           *this, ui, &*m.asking});
    return *m.pass;
  }
  // Whether the passes still ask before each change.
  bool Asking() const { return made_.asking && made_.asking->Asking(); }

  // A whole run of the choices: a preview when `preview` is set, else a run
  // (the apply of `selection` when one is set).
  void Run(RunParts parts) {
    const RunSettings settings(static_cast<const RunChoices&>(*this));
    MappingRun run(settings, {*this, ui, &running}, std::move(parts));
    if (preview)
      run.Preview();
    else
      run.Run(selection);
  }

 private:
  // The last pass handed out; a copy of the run starts without one.
  struct Made {
    std::optional<RunSettings> settings;
    std::optional<StopAndVerify> asking;
    bool askingChosen = false;
    std::optional<RunPass> pass;
    Made() = default;
    Made(const Made&) {}
    Made& operator=(const Made&) {
      pass.reset();
      return *this;
    }
  } made_;
};
