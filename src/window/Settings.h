#pragma once
// The settings file "Ostrivane.ini" in the program folder.
#include <string>

#include "engine/MappingRequest.h"

class FileSystem;

inline constexpr const char* kSettingsFileName = "Ostrivane.ini";

// The window's size as the user left it, in 96-DPI pixels of its client
// area: one for the pages, one for the pages of long lists; 0 for the
// program's own size.
struct WindowSize {
  int width = 0, height = 0;
  int listWidth = 0, listHeight = 0;
  bool maximised = false;
};

struct Settings {
  int DeleteOlderThan = 1;     // index into the undo age list; -1 for none
  bool SkipStartPage = false;  // the "Skip Introduction" box
  bool ConfigurationFiles = true;  // the "Configuration files" target box
  // Items the last finished run of each mode visited (Move and Map, Switch
  // Drives, Map Only), the next run's progress measure; 0 for none.
  long ItemsOfLastRun[3] = {0, 0, 0};
  // "Show changes before they are made", by mode as ItemsOfLastRun: on for
  // every mode, Switch Drives first of all, whose changes are the most.
  bool ShowChangesFirst[3] = {true, true, true};
  WindowSize Window;
  // The threads that search each drive's folders (RunChoices::walkThreads):
  // 0 for one per processor. Only read: set by hand.
  int WalkThreads = 0;
};
// The index into ItemsOfLastRun of a run mode: Move and Map, Switch Drives,
// Map Only.
int ModeIndex(RunMode mode);

// Missing, unreadable or malformed files and keys give the defaults; an
// index outside the age list gives -1 (no selection).
Settings ReadSettings(FileSystem& fs, const std::string& programFolder);
// Rewrites the file whole, keeping its other sections and keys. Throws Error
// "Cannot create file <path>" when it cannot be written.
void WriteSettings(FileSystem& fs, const std::string& programFolder, const Settings& settings);
