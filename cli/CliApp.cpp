#include "CliApp.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

#include "CliArgs.h"
#include "CliSummary.h"
#include "ConsoleUi.h"
#include "ExitCode.h"
#include "engine/ChangeReport.h"
#include "engine/PreviewReport.h"
#include "engine/Progress.h"
#include "core/Error.h"
#include "core/Text.h"
#include "engine/UndoWords.h"
#include "undo/UndoTexts.h"

namespace {

// How many places of each reason the closing lines name.
constexpr std::size_t kPlacesShownPerReason = 3;

CliEnd Usage(std::ostream& err, const std::string& why) {
  // What was wrong and how the commands go; the whole help only when asked.
  err << "ostrivane-cli: " << why << "\n" << UsageSynopsis() << "Give --help for every option.\n";
  return CliEnd::Usage;
}

// Rows of the drive list: every drive the system reports, selected as asked
// (or the fixed ones). A drive asked for that is not there is a usage error.
bool FillDrives(RunChoices& choices, const CliOptions& o, DriveSource& source, std::string& missing) {
  const std::vector<DriveInfo> drives = source.ListDrives();
  for (const DriveInfo& d : drives) {
    bool selected = d.fixed;
    if (o.drives) {
      selected = false;
      for (char letter : *o.drives) selected |= !d.root.empty() && UpperAZ(d.root[0]) == letter;
    }
    choices.drives.push_back({d.displayName, d.root, selected});
  }
  if (o.drives)
    for (char letter : *o.drives) {
      bool found = false;
      for (const DriveInfo& d : drives) found |= !d.root.empty() && UpperAZ(d.root[0]) == letter;
      if (!found) {
        missing = std::string(1, letter) + ":";
        return false;
      }
    }
  return true;
}

CliEnd RunUndo(const CliOptions& o, CliServices& services, std::ostream& out, std::ostream& err) {
  UndoList& list = services.Undo();
  list.RebuildList();
  const std::vector<UndoListEntry> entries = list.Entries();
  if (o.command == CliCommand::UndoList) {
    if (entries.empty()) out << kNoChangesToUndo << '\n';
    for (const UndoListEntry& entry : entries) out << UndoListLine(entry) << '\n';
    return CliEnd::Finished;
  }
  const UndoName& name = *o.undoName;
  if (std::none_of(entries.begin(), entries.end(), [&](const UndoListEntry& e) { return e.name == name; }))
    throw Error("There is no undo entry " + name.Text() + ".");
  if (o.command == CliCommand::UndoDelete) {
    list.DeleteEntry(name);
    list.RebuildList();
    out << name.Text() << " deleted\n";
    return CliEnd::Finished;
  }
  ConsoleUndoProgress progress(err, [&services] { return services.NowMs(); }, !o.json && services.ErrorsOnTerminal());
  const UndoOutcome outcome = services.UndoRunner().UndoEntry(name, o.force, &progress.Watcher());
  // With --json, stdout holds nothing but the summary.
  std::ostream& plain = o.json ? err : out;
  plain << UndoMessage(outcome) << '\n';
  if (outcome.result == UndoResult::HeldBack)
    plain << "Give --force to undo it all the same: the places named get their state before the run, and their "
             "later changes are lost.\n";
  else if (!o.force && !outcome.changed.empty())
    plain << "Give --force to restore the places changed after the run as well; their later changes would be lost.\n";
  const CliEnd end = EndOf(outcome);
  if (o.json) out << UndoSummaryJson(name, outcome, ExitCodeOf(end)) << '\n';
  return end;
}

// The run's settings from the arguments, made once; a request that must not
// run is a usage error, said before a drive that is not there.
std::optional<RunSettings> SettingsOf(const CliOptions& o, CliServices& services, const std::string& recordsFolder,
                                      const MappingRequest& request, std::ostream& err, CliEnd& end) {
  RunChoices choices;
  choices.request = request;
  choices.request.Substring = o.substring;
  choices.targets = o.targets;
  choices.stopAndVerify = o.verify;  // refused with Switch Drives
  choices.walkThreads = o.walkThreads;
  choices.recordsFolder = recordsFolder;
  std::string missing;
  const bool drivesThere = FillDrives(choices, o, services.Drives(), missing);
  try {
    std::optional<RunSettings> settings(std::in_place, std::move(choices));
    if (drivesThere) return settings;
    end = Usage(err, "Drive " + missing + " is not present.");
  } catch (const Refused& e) {
    end = Usage(err, RefusalText(e.refusal()));
  }
  return std::nullopt;
}

CliEnd RunMapping(const CliOptions& o, CliServices& services, const std::string& recordsFolder, std::istream& in,
               std::ostream& out, std::ostream& err, const MappingRequest& request,
               ChangeSelection* reviewed = nullptr) {
  CliEnd usage = CliEnd::Usage;
  const std::optional<RunSettings> made = SettingsOf(o, services, recordsFolder, request, err, usage);
  if (!made) return usage;
  const RunSettings& settings = *made;

  // Before the run's parts exist: making them already cleans old records up.
  if (RightsPort* rights = services.Rights()) {
    const RightsCheck check = CheckRights(settings, o.preview, *rights);
    if (check.NeedsMore()) {
      err << RightsWarningText(check);
      if (check.recordsBlocked || !o.allowPartial) {
        if (!check.recordsBlocked) err << "Run it as administrator, or give --allow-partial to change what can be changed.\n";
        return CliEnd::Failed;
      }
    }
  }

  // With --json, stdout holds nothing but the JSON Lines.
  std::ostream& plain = o.json ? err : out;
  Findings findings;
  ConsoleUi ui(findings, in, plain, err, [&services] { return services.NowMs(); }, o.stopServices);
  // The pace changes every line: for a person at a console, never for a log or a script.
  ui.ShowPace(!o.json && services.ErrorsOnTerminal());
  const RunParts parts = services.MakeRunParts();

  // The report and the JSON Lines also tell what a failed run did before it failed.
  const auto writeChangeList = [&] {
    if (o.json) {
      for (const ChangeEntry& e : findings.changes) out << ChangeJsonLine(e) << '\n';
      out.flush();
    }
    if (!o.reportPath.empty()) services.WriteFile(o.reportPath, ChangeReportText(settings, findings));
  };
  try {
    MappingRun run(settings, {findings, &ui}, parts);
    if (o.preview)
      run.Preview();
    else
      run.Run(reviewed);
  } catch (...) {
    try {
      writeChangeList();
      if (o.json) out << RunSummaryJson(settings, findings, ExitCodeOf(CliEnd::Failed)) << '\n';
    } catch (const std::exception& e) {
      err << e.what() << '\n';
    }
    throw;
  }
  writeChangeList();

  const EndPage page = EndPageOf(settings.request.Mode, findings);
  plain << page.title << '\n';
  if (!page.moveLine.empty()) plain << page.moveLine << '\n';
  plain << page.countLine << '\n';
  for (const std::string& note : page.notes) plain << note << '\n';
  if (!page.passedOverLine.empty()) {
    plain << page.passedOverLine << '\n';
    plain.flush();
    // Counted by reason with the first few places of each; the report and
    // the JSON Lines name every one.
    err << PassedOverByReason(findings, kPlacesShownPerReason);
  }
  // Places it could not read are named above, whatever the end.
  const CliEnd end = EndOf(findings, o.exitCode);
  if (o.json) out << RunSummaryJson(settings, findings, ExitCodeOf(end)) << '\n';
  return end;
}

// A preview's report applied: its request, targets and drives, and only
// the places its rows name.
CliEnd RunApply(const CliOptions& o, CliServices& services, const std::string& recordsFolder, std::istream& in,
                std::ostream& out, std::ostream& err) {
  std::string why;
  std::optional<PreviewToApply> preview = ReadPreviewReport(services.ReadFile(o.previewReport), why);
  if (!preview) throw Error("Cannot apply " + o.previewReport + ": " + why + ".");
  CliOptions run = o;
  run.targets = preview->targets;
  run.substring = preview->request.Substring;
  std::vector<char> letters;
  for (const std::string& root : preview->driveRoots)
    if (!root.empty()) letters.push_back(UpperAZ(root[0]));
  run.drives = letters;
  return RunMapping(run, services, recordsFolder, in, out, err, preview->request, &preview->list);
}

CliEnd RunCommand(const std::vector<std::string>& args, CliServices& services, std::istream& in, std::ostream& out,
                  std::ostream& err) {
  const CliParse parsed = ParseCommandLine(args);
  if (!parsed.options) return Usage(err, parsed.error);
  const CliOptions& o = *parsed.options;
  if (o.command == CliCommand::Help) {
    out << UsageText();
    return CliEnd::Finished;
  }

  try {
    const std::string recordsFolder = services.ProgramFolder();
    // Run by a deployment tool, HKEY_CURRENT_USER is no user's: the users
    // are reached under HKEY_USERS, which is said before anything else.
    if (services.RunsAsSystem())
      err << "Running as the system account: HKEY_CURRENT_USER is the system's own registry; every user's "
             "registry is searched under HKEY_USERS, the hives of users who are not logged on loaded for the run.\n"
          << "Undo records are kept in " << recordsFolder << "\n";
    for (const std::string& note : services.RecordsNotes()) err << note << '\n';
    if (const std::optional<EngineRefusal> refusal = services.RecordsRefusal()) {
      err << RefusalText(*refusal) << '\n';
      return CliEnd::Failed;
    }
    switch (o.command) {
      case CliCommand::UndoList:
      case CliCommand::UndoRun:
      case CliCommand::UndoDelete:
        return RunUndo(o, services, out, err);
      case CliCommand::Apply:
        return RunApply(o, services, recordsFolder, in, out, err);
      default:
        return RunMapping(o, services, recordsFolder, in, out, err, RequestOf(o));
    }
  } catch (const std::exception& e) {
    out << std::flush;
    err << e.what() << '\n';
    return CliEnd::Failed;
  }
}
}  // namespace

int RunCli(const std::vector<std::string>& args, CliServices& services, std::istream& in, std::ostream& out,
           std::ostream& err) {
  return ExitCodeOf(RunCommand(args, services, in, out, err));
}
