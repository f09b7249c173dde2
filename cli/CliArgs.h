#pragma once
// The console front end's command line.
#include <optional>
#include <string>
#include <vector>

#include "engine/RunSettings.h"
#include "engine/UndoName.h"

enum class CliCommand { Help, Map, Move, Switch, Apply, UndoList, UndoRun, UndoDelete };

struct CliOptions {
  CliCommand command = CliCommand::Help;
  std::string find, replace;              // map
  std::string source, destinationFolder;  // move
  std::string first, second;              // switch: one letter each
  std::optional<UndoName> undoName;       // undo run / delete
  std::string previewReport;              // apply: a preview's change report
  Targets targets;                        // the window's default boxes
  std::optional<std::vector<char>> drives;  // upper-case letters; none given: the fixed drives
  bool verify = false;
  bool preview = false;
  bool substring = false;  // match a path as plain text, inside longer names too
  bool allowPartial = false;  // go on without the rights for some places
  std::string reportPath;  // --report: the change list written as a change report
  bool json = false;       // --json: the change list as JSON Lines on stdout
  bool force = false;      // undo run --force: restore places changed after the run as well
  bool exitCode = false;   // --exit-code: a preview ends with 5 when anything would change
  bool stopServices = false;  // --stop-services: stop the services running from a moved item, start them again
  int walkThreads = 0;  // --walk-threads: the threads that search each drive's folders; 0 for one per processor
};

struct CliParse {
  std::optional<CliOptions> options;  // empty on a usage error
  std::string error;
};

CliParse ParseCommandLine(const std::vector<std::string>& args);
// The commands, a line each; the full help adds every option.
std::string UsageSynopsis();
std::string UsageText();

// The request a mapping command stands for: Mode, FindText, ReplaceText.
MappingRequest RequestOf(const CliOptions& options);
