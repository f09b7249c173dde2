#pragma once
// What a fake walk finds: `count` occurrences of `text`, one per link, in a
// registry key or a settings file, recorded as a walk records them; an
// apply at that place meets them again.
#include <string>

#include "engine/RunPass.h"

inline void RecordFakeOccurrences(RunPass& run, const std::string& text, bool registry, int count) {
  for (int i = 0; i < count; ++i) {
    ChangeEntry e{registry ? "HKEY_LOCAL_MACHINE\\Fake" : "C:\\Fake.ini", registry ? "v" + std::to_string(i) : "",
                  registry ? 0 : i + 1, registry ? ChangeKind::ValueData : ChangeKind::SettingsLine, text, text,
                  ChangeOutcome::WouldChange, ""};
    if (!run.Chosen(e)) continue;
    if (!run.pass.FindsOnly()) e.outcome = ChangeOutcome::Changed;
    run.Record(e);
  }
}
