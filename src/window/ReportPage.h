#pragma once
// The report page: the change report of a run (from an end page) or of an
// undo entry (from the undo page), read from its .log and shown read-only.
#include <optional>
#include <string>

#include "engine/MappingRequest.h"

#include "window/Pages.h"
#include "window/ReviewList.h"

struct ReadReport;

struct ReportPage {
  ReviewList list;
  std::string title, line, path;
  Page cameFrom = Page::None;  // where "Back" leads
  std::optional<RunMode> mode;  // the run's, when the report names one this version knows

  // The report `read` of the undo entry `name`, read from `reportPath`.
  void Load(const std::string& name, const std::string& reportPath, ReadReport&& read, Page from);
};
