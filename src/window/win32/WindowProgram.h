#pragma once
// The window program from its records place to the end of its message loop:
// the real adapters wired into the page model and the main window. A test
// program (the screenshot tour) starts it with a records folder and a run
// of its own and walks the window once it is up.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/MappingRun.h"
#include "wiring/RecordsPlace.h"

class MainWindow;
class Wizard;

struct WindowStart {
  std::string firstArgument;  // an item to move, from the command line
  int showCommand = 1;        // SW_SHOWNORMAL
  // The arguments of a copy restarted as administrator, which takes over the
  // page and fields of the copy that started it.
  std::vector<std::string> resume;

  // Left as they are by the program itself. A test program's: its own records
  // place, no rights check, its own run, and what it does once the window is up.
  std::optional<RecordsPlace> records;
  bool checkRights = true;
  std::function<RunParts(const RunParts& parts, Wizard& wizard)> adaptRun;
  std::function<void(MainWindow& window, Wizard& wizard)> shown;
};

// The windows and their message loop, until the main window is gone.
void RunWindow(const WindowStart& start);

// Adds ("+l") or removes ("-l") the Explorer verb for this program.
void ExplorerLink(bool add);
