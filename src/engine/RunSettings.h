#pragma once
// What the user asks of a run: the request, the targets, the drives, where
// the undo records go and whether each change is asked about first. The
// front ends keep it as choices while the user sets it; a run holds it as
// settings, checked once when the run starts and the same to its end.
#include <string>
#include <vector>

#include "engine/MappingRequest.h"

// The target boxes of the targets page, in the order {registry, settings,
// shortcuts, all files, configuration files}.
struct Targets {
  bool registry = true;
  bool settingsFiles = true;
  bool shortcuts = true;
  bool allFiles = false;
  bool configFiles = true;  // .json, .xml ... and the scheduled tasks (filemap/TaskWalk)
  bool HasFileTargets() const { return settingsFiles || shortcuts || allFiles || configFiles; }
};

// One row of the drive list: caption, root text (C:\) and selected mark.
struct DriveRow {
  std::string caption;
  std::string root;
  bool selected = false;
};

// The window's boxes, the console's arguments: what the next run is to do.
struct RunChoices {
  MappingRequest request;
  Targets targets;
  std::vector<DriveRow> drives;
  std::string recordsFolder;  // where the undo records go, with its trailing "\"
  // Ask before each change ("Entry Found") from the run's start on.
  bool stopAndVerify = false;
  // The threads that search the folders of each drive: 0 for one per
  // processor (at most kMaxWalkThreads), 1 for one thread per drive.
  int walkThreads = 0;

  int SelectedDriveCount() const;
};

// The choices of one run, made when it starts: a request that must not run
// is refused here, once. Held const by the run.
class RunSettings : public RunChoices {
 public:
  // Throws Refused with the refusal (RequestRefusal).
  explicit RunSettings(RunChoices choices);
  // Taken as they are, unchecked: for a walk tried alone, whose texts come
  // with the call rather than from the request.
  static RunSettings AsGiven(RunChoices choices);
  // The same settings with only the drive at that index selected: a search
  // of one drive side by side with the others.
  RunSettings WithDriveAlone(int drive) const;

 private:
  struct Unchecked {};
  RunSettings(RunChoices choices, Unchecked) : RunChoices(std::move(choices)) {}
};
