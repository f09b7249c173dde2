#include "CliArgs.h"

#include "core/Text.h"
#include "engine/ChangeReport.h"
#include "engine/FolderPool.h"

namespace {

// "C", "C:" or "C:\" name a drive.
std::optional<std::string> DriveLetter(const std::string& s) {
  if (s.empty() || !IsLetterAZ(s[0])) return std::nullopt;
  if (s.size() == 1 || s == std::string(1, s[0]) + ":" || s == std::string(1, s[0]) + ":\\") return s.substr(0, 1);
  return std::nullopt;
}

bool IsFullPath(const std::string& s) { return s.size() >= 3 && IsLetterAZ(s[0]) && s[1] == ':' && s[2] == '\\'; }

CliParse Fail(const std::string& why) { return {std::nullopt, why}; }

// Each function below answers "" when what it read is good, else why not.

std::string ReadTargets(const std::string& list, Targets& targets) {
  std::string unknown;
  const std::optional<Targets> named = list.empty() ? std::nullopt : TargetsFromText(list, &unknown);
  if (!named) return "Unknown target '" + unknown + "' (registry, settings, shortcuts, config, all).";
  targets = *named;
  // "all" on the command line is everything: the registry and every kind of
  // file (a report's Targets row keeps its words as they were).
  if (targets.allFiles) targets = Targets{true, true, true, true, true};
  return "";
}

std::string ReadDrives(const std::string& list, std::optional<std::vector<char>>& drives) {
  std::vector<char> letters;
  for (const std::string& item : CommaListItems(list)) {
    const auto letter = DriveLetter(item);
    if (!letter) return "'" + item + "' is no drive letter.";
    letters.push_back(UpperAZ((*letter)[0]));
  }
  drives = letters;
  return "";
}

std::string ReadWalkThreads(const std::string& text, int& threads) {
  const std::string why = "--walk-threads takes a number from 1 to " + std::to_string(kMaxWalkThreads) + ".";
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return why;
  threads = std::stoi(text);
  return threads >= 1 && threads <= kMaxWalkThreads ? "" : why;
}

// Which options that take a value were given at all.
struct GivenOptions {
  bool find = false, replace = false, targets = false;
};

// The options after the command into `o`, the other words into `positional`.
std::string ReadOptions(const std::vector<std::string>& args, CliOptions& o, GivenOptions& given,
                        std::vector<std::string>& positional) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string list;
    if (a == "--find") {
      if (!value(o.find)) return "--find needs a text.";
      given.find = true;
    } else if (a == "--replace") {
      if (!value(o.replace)) return "--replace needs a text.";
      given.replace = true;
    } else if (a == "--targets") {
      if (!value(list)) return "--targets needs a list.";
      given.targets = true;
      if (std::string why = ReadTargets(list, o.targets); !why.empty()) return why;
    } else if (a == "--drives") {
      if (!value(list)) return "--drives needs a list.";
      if (std::string why = ReadDrives(list, o.drives); !why.empty()) return why;
    } else if (a == "--verify") {
      o.verify = true;
    } else if (a == "--preview") {
      o.preview = true;
    } else if (a == "--exit-code") {
      o.exitCode = true;
    } else if (a == "--substring") {
      o.substring = true;
    } else if (a == "--allow-partial") {
      o.allowPartial = true;
    } else if (a == "--report") {
      if (!value(o.reportPath) || o.reportPath.empty()) return "--report needs a file name.";
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--stop-services") {
      o.stopServices = true;
    } else if (a == "--walk-threads") {
      if (!value(list)) return "--walk-threads needs a number.";
      if (std::string why = ReadWalkThreads(list, o.walkThreads); !why.empty()) return why;
    } else if (a.size() > 1 && a.compare(0, 2, "--") == 0) {
      return "Unknown option " + a + ".";
    } else {
      positional.push_back(a);
    }
  }
  return "";
}

// Options given to a command they do not belong to.
std::string CheckOptionsBelong(const std::string& cmd, const CliOptions& o, const GivenOptions& given,
                               const std::vector<std::string>& positional) {
  const bool mapping = cmd == "map" || cmd == "move" || cmd == "switch";
  // An apply goes to the places its report lists: it walks no folders.
  if (o.walkThreads && !mapping) return "--walk-threads belongs to map, move and switch.";
  // An apply takes what was asked from its report.
  if (cmd == "apply" && (o.preview || o.substring || o.drives || given.targets || o.exitCode))
    return "apply takes its targets, drives and matching from the report; --verify, --report, --json and "
           "--allow-partial go with it.";
  const bool runs = mapping || cmd == "apply";
  if ((given.find || given.replace) && cmd != "map") return "--find and --replace belong to map.";
  if (o.force && cmd != "undo") return "--force belongs to undo run.";
  if (o.stopServices && cmd != "move" && cmd != "apply") return "--stop-services belongs to move and apply.";
  const bool undoRun = cmd == "undo" && positional.size() == 2 && positional[0] == "run";
  if (!mapping && (o.preview || o.substring || o.drives || given.targets || o.exitCode))
    return "Options belong to map, move and switch.";
  if (!runs && (o.verify || o.allowPartial || (o.json && !undoRun) || !o.reportPath.empty()))
    return "Options belong to map, move, switch and apply.";
  if (o.exitCode && !o.preview) return "--exit-code goes with --preview.";
  return "";
}

std::string ReadMap(const std::vector<std::string>& positional, const GivenOptions& given, CliOptions& o) {
  o.command = CliCommand::Map;
  if (!positional.empty()) return "map takes --find and --replace, not '" + positional[0] + "'.";
  if (!given.find || !given.replace || o.find.empty() || o.replace.empty())
    return "map needs both --find OLD and --replace NEW, neither empty.";
  return "";
}

std::string ReadMove(const std::vector<std::string>& positional, CliOptions& o) {
  o.command = CliCommand::Move;
  if (positional.size() != 2) return "move needs SOURCE and DESTINATION_FOLDER.";
  o.source = positional[0];
  o.destinationFolder = positional[1];
  if (!IsFullPath(o.source) || !IsFullPath(o.destinationFolder))
    return "SOURCE and DESTINATION_FOLDER must be full paths such as C:\\Apps\\Tool and D:\\Apps.";
  if (o.source.size() > 3) o.source = RemoveSlash(o.source);
  if (SplitItemPath(o.source).name.empty()) return "Not enough information to proceed: a whole drive cannot be moved.";
  return "";
}

std::string ReadSwitch(const std::vector<std::string>& positional, CliOptions& o) {
  o.command = CliCommand::Switch;
  if (positional.size() != 2) return "switch needs two drive letters.";
  auto a = DriveLetter(positional[0]), b = DriveLetter(positional[1]);
  if (!a || !b) return "switch needs two drive letters, such as C D.";
  o.first = *a;
  o.second = *b;
  if (o.verify) return "Switch Drives never stops to verify; --verify does not apply.";
  return "";
}

std::string ReadApply(const std::vector<std::string>& positional, CliOptions& o) {
  o.command = CliCommand::Apply;
  if (positional.size() != 1 || positional[0].empty())
    return "apply needs FILE, a change report written by --preview --report FILE.";
  o.previewReport = positional[0];
  return "";
}

std::string ReadUndo(const std::vector<std::string>& positional, CliOptions& o) {
  if (o.force && !(positional.size() == 2 && positional[0] == "run")) return "--force belongs to undo run.";
  if (positional.empty()) return "undo needs list, run NAME or delete NAME.";
  const std::string& sub = positional[0];
  if (sub == "list" && positional.size() == 1) {
    o.command = CliCommand::UndoList;
  } else if ((sub == "run" || sub == "delete") && positional.size() == 2) {
    o.command = sub == "run" ? CliCommand::UndoRun : CliCommand::UndoDelete;
    o.undoName = UndoName::Parse(positional[1]);
    if (!o.undoName) return "'" + positional[1] + "' is no undo name (Undo followed by five digits).";
  } else {
    return "undo needs list, run NAME or delete NAME.";
  }
  return "";
}

std::string ReadCommand(const std::string& cmd, const std::vector<std::string>& positional, const GivenOptions& given,
                        CliOptions& o) {
  if (cmd == "map") return ReadMap(positional, given, o);
  if (cmd == "move") return ReadMove(positional, o);
  if (cmd == "switch") return ReadSwitch(positional, o);
  if (cmd == "undo") return ReadUndo(positional, o);
  if (cmd == "apply") return ReadApply(positional, o);
  return "Unknown command '" + cmd + "'.";
}
}  // namespace

std::string UsageSynopsis() {
  return "Usage:\n"
         "  ostrivane-cli map --find OLD --replace NEW [options]     Map Only\n"
         "  ostrivane-cli move SOURCE DESTINATION_FOLDER [options]  Move and Map\n"
         "  ostrivane-cli switch FIRST SECOND [options]             Switch Drives (two drive letters)\n"
         "  ostrivane-cli apply FILE [--verify] [--report FILE] [--json] [--allow-partial] [--stop-services]\n"
         "                                                          makes the changes a preview's report lists\n"
         "  ostrivane-cli undo list\n"
         "  ostrivane-cli undo run NAME [--force] [--json]          (NAME as Undo00003)\n"
         "  ostrivane-cli undo delete NAME\n";
}

std::string UsageText() {
  return UsageSynopsis() +
         "\n"
         "Options:\n"
         "  --targets LIST  comma list of registry, settings, shortcuts, config (configuration files: .json,\n"
         "                  .xml, .bat, .ps1 ... and the scheduled tasks, changed through the Task Scheduler;\n"
         "                  a task that keeps its account's password is named and left), all (everything:\n"
         "                  the registry and all files, not recommended);\n"
         "                  default registry,settings,shortcuts,config\n"
         "  --drives LIST   drive letters to scan, such as C,D; default: the fixed drives\n"
         "  --walk-threads N search each drive's folders with N threads at once (1 to 8: 1 walks each drive\n"
         "                  on one thread); default one per processor, at most 8. Findings are listed in\n"
         "                  the same order whatever the number\n"
         "  --verify        ask before each change: Replace, Skip, Cancel, or replace and do not ask again\n"
         "  --preview       list every change the run would make, and change nothing; ends with\n"
         "                  \"N links would be remapped\" (a move's with \"The files would be moved and\" before\n"
         "                  it). Before a move its new place has no short (8.3) form yet: references found in\n"
         "                  the short form show the new place's long form, with a note\n"
         "  --exit-code     with --preview: end with exit status 5 when anything would change, 0 when nothing\n"
         "                  would (for a detection script)\n"
         "  --report FILE   write the change list to FILE as the run's UndoNNNNN.log holds it (UTF-8,\n"
         "                  tab-separated, with a header line); also with --preview\n"
         "  --json          print the change list on stdout as JSON Lines, one object per occurrence; stderr\n"
         "                  then holds the progress, a preview's plain lines and the closing words (a run\n"
         "                  prints no plain line per change). Fields: where (registry key, file\n"
         "                  or shortcut path, scheduled task path), value (registry value name), line (file\n"
         "                  or task definition line, 0 for none), kind (value data, value name, key path,\n"
         "                  settings line, configuration line, shortcut target, shortcut arguments, shortcut\n"
         "                  working folder, moved item, place, shortcut icon, scheduled task, binary data:\n"
         "                  binary data that holds the old place, named and never rewritten), old, new,\n"
         "                  outcome (changed, would change, left out,\n"
         "                  skipped: answered Skip, or a file too large to search, passed over), reason\n"
         "                  (why it was passed over or skipped, or a note on the new text shown).\n"
         "                  The last line is {\"summary\": {...}}: command (run or preview), mode, find,\n"
         "                  replace, targets, drives, undoEntry (\"\" when nothing changed), linksChanged (a\n"
         "                  preview: linksThatWouldChange), changesMade (the change list's changed entries: a\n"
         "                  shortcut's parts each; a preview: changesThatWouldBeMade), placesPassedOver,\n"
         "                  placesSkipped, placesLeftOut,\n"
         "                  moved, cancelled, exitStatus, version. With undo run, the undo's words go to\n"
         "                  stderr and stdout holds its summary: undoEntry, filesRestored, valuesRestored,\n"
         "                  keysRestored, tasksRestored, movedBack, heldBack, alreadyAsBefore, left (each place not\n"
         "                  undone, and why), exitStatus, version\n"
         "  --substring     find a path also inside longer names (C:\\App in C:\\Apple); by default a path\n"
         "                  counts only where it ends (C:\\App, C:\\App\\x, \"C:\\App\", C:\\App;...)\n"
         "  --allow-partial without administrator rights, change what can be changed when the run would also\n"
         "                  need HKEY_LOCAL_MACHINE or a folder such as Program Files; without it such a run\n"
         "                  stops with exit status 3 before any change, after naming what it cannot change\n"
         "  --stop-services with move: when services run from the item, stop them, move it, and start them\n"
         "                  again afterwards from the new place (once the registry walk has pointed them\n"
         "                  there; a service not started again is named with why). Without it, and whenever\n"
         "                  a program runs from the item, nothing is moved: the run names what runs and\n"
         "                  ends with exit status 3. Programs are never ended by Ostrivane\n"
         "  --force         with undo run: restore also the places changed after the run (by hand or by a\n"
         "                  later run), whose later changes are then lost; without it such places are left\n"
         "                  and named, and the undo ends with exit status 3. A value where the run's entry\n"
         "                  still stands beside a later change (a list such as Path) gets its old place back\n"
         "                  without it. Where a place cannot, and the undo would move the item back, nothing\n"
         "                  is undone without --force (the places and the later entries are named, exit\n"
         "                  status 3): the item never goes back while references still point at its new place\n"
         "\n"
         "apply FILE: FILE is a change report written by --preview --report FILE, as it is or edited (rows\n"
         "deleted, or the outcome column set to \"left out\"). The run goes only to the places its rows name,\n"
         "with the preview's mode, texts, targets and drives, and changes an occurrence only where it is\n"
         "still as the preview found it; one changed since is named with the reason \"it changed since the\n"
         "search\". It writes its records and report like any run and ends with the same words and status.\n"
         "\n"
         "An undo gives back only the places that still hold what the run wrote; a place already as before\n"
         "the run is counted and left, so undoing an entry twice changes nothing the second time.\n"
         "\n"
         "Exit status: 0 finished, 1 cancelled or the move failed, 2 usage error, 3 an error stopped the run or left an undo\n"
         "incomplete, or the run lacks rights (see --allow-partial), or programs or services run from the item\n"
         "to be moved (see --stop-services), 4 finished, but some places could not be changed\n"
         "(each is named on stderr with its reason), 5 a preview with --exit-code found changes to make (also when some\n"
         "places could not be read: those are named on stderr).\n"
         "\n"
         "Text: any characters in paths and texts. On a console they are shown as they are; output sent to a file\n"
         "or a pipe is UTF-8, and so is input read from one.\n";
}

CliParse ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions o;
  if (args.empty()) return Fail("No command given.");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help" || args[0] == "/?") return {o, ""};
  std::vector<std::string> positional;
  GivenOptions given;
  std::string why = ReadOptions(args, o, given, positional);
  if (why.empty()) why = CheckOptionsBelong(args[0], o, given, positional);
  if (why.empty()) why = ReadCommand(args[0], positional, given, o);
  if (!why.empty()) return Fail(why);
  return {o, ""};
}

MappingRequest RequestOf(const CliOptions& o) {
  MappingRequest r;
  switch (o.command) {
    case CliCommand::Map:
      r.Mode = RunMode::MapOnly;
      r.FindText = o.find;
      r.ReplaceText = o.replace;
      break;
    case CliCommand::Move:
      r.Mode = RunMode::MoveAndMap;
      r.FindText = o.source;
      r.ReplaceText = AddSlash(o.destinationFolder) + SplitItemPath(o.source).name;
      break;
    case CliCommand::Switch:
      r.Mode = RunMode::SwitchDrives;
      r.FindText = o.first + ":\\";
      r.ReplaceText = o.second + ":\\";
      break;
    default:
      break;
  }
  return r;
}
