#pragma once
// A preview's change report (written by --preview --report FILE) read back
// for its apply: what was asked, and its list with each occurrence ticked
// unless its row was deleted or its outcome set to "left out".
#include <optional>
#include <string>
#include <vector>

#include "engine/ChangeList.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"

struct PreviewToApply {
  MappingRequest request;
  Targets targets;
  std::vector<std::string> driveRoots;  // "C:\", as the report names the selected drives
  ChangeSelection list;
};

// Empty, with `why` set, when the text is no preview's change report.
std::optional<PreviewToApply> ReadPreviewReport(const std::string& bytes, std::string& why);
