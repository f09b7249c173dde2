#include "engine/ItemInUseCheck.h"

#include <algorithm>
#include <utility>

#include "core/Error.h"
#include "core/Fold.h"
#include "core/Ui.h"
#include "engine/Findings.h"
#include "engine/RunSettings.h"

bool LiesInside(const std::string& path, const std::string& folder) {
  std::string_view base = folder;
  while (base.size() > 3 && base.back() == '\\') base.remove_suffix(1);
  if (base.empty()) return false;
  const std::size_t head = FoldPrefixLength(path, base);
  if (head == kNotFound) return false;
  return head == path.size() || path[head] == '\\' || base.back() == '\\';
}

namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Where an unquoted program's name ends: after the first ".exe" (any case)
// that ends a word, else at the first blank.
std::size_t UnquotedEnd(std::string_view line) {
  for (std::size_t at = 0; (at = FindFold(line, ".exe", at)) != kNotFound; ++at) {
    const std::size_t end = at + 4;
    if (end == line.size() || IsSpace(line[end])) return end;
  }
  const std::size_t blank = line.find_first_of(" \t");
  return blank == std::string_view::npos ? line.size() : blank;
}
}  // namespace

std::string ServiceProgramOf(const std::string& commandLine) {
  std::string_view line = commandLine;
  while (!line.empty() && IsSpace(line.front())) line.remove_prefix(1);
  std::string program;
  if (!line.empty() && line.front() == '"') {
    const std::size_t close = line.find('"', 1);
    program = std::string(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  } else {
    program = std::string(line.substr(0, UnquotedEnd(line)));
  }
  if (program.rfind("\\??\\", 0) == 0) program.erase(0, 4);
  return program;
}

namespace {
bool InsideAny(ProcessesAndServices& system, const std::string& path, const std::vector<std::string>& folders) {
  if (path.empty()) return false;
  std::vector<std::string> forms = system.FormsOf(path);
  if (std::find(forms.begin(), forms.end(), path) == forms.end()) forms.push_back(path);
  for (const std::string& form : forms)
    for (const std::string& folder : folders)
      if (LiesInside(form, folder)) return true;
  return false;
}

std::vector<std::string> FolderForms(ProcessesAndServices& system, const std::string& item) {
  std::vector<std::string> forms = system.FormsOf(item);
  if (std::find(forms.begin(), forms.end(), item) == forms.end()) forms.push_back(item);
  return forms;
}

std::string ServiceLabel(const InstalledService& s) {
  const std::string shown = s.displayName.empty() ? s.name : s.displayName;
  return "The service " + shown + (shown == s.name ? "" : " (" + s.name + ")");
}
}  // namespace

ItemInUse FindItemInUse(ProcessesAndServices& system, const std::string& item, std::string* problem) {
  ItemInUse found;
  found.item = item;
  const std::vector<std::string> folders = FolderForms(system, item);
  try {
    for (InstalledService& s : system.Services())
      if (InsideAny(system, ServiceProgramOf(s.commandLine), folders)) found.services.push_back(std::move(s));
  } catch (const Error& e) {
    if (problem) *problem = std::string("The services could not be listed: ") + e.what();
  }
  for (RunningProgram& p : system.RunningPrograms()) {
    // A running service's own process is named as the service.
    const bool ofService = std::any_of(found.services.begin(), found.services.end(), [&](const InstalledService& s) {
      return s.running && s.processId != 0 && s.processId == p.processId;
    });
    if (!ofService && InsideAny(system, p.image, folders)) found.programs.push_back(std::move(p));
  }
  return found;
}

std::string ItemInUseText(const ItemInUse& inUse) {
  std::string text = "Programs or services run from " + inUse.item + ":";
  for (const std::string& line : InUseLines(inUse)) text += "\n  " + line;
  return text;
}

void ItemInUseCheck::NoteForPreview(const std::string& item) {
  if (!system_) return;
  std::string problem;
  const ItemInUse inUse = FindItemInUse(*system_, item, &problem);
  if (!problem.empty()) findings_.notes.push_back(problem);
  if (!inUse.Holds()) return;
  std::string note = ItemInUseText(inUse);
  note += "\nThe move will wait until they have ended (running services can be stopped for it).";
  findings_.notes.push_back(note);
}

bool ItemInUseCheck::ClearForMove(const std::string& item) {
  if (!system_) return true;
  for (;;) {
    std::string problem;
    const ItemInUse inUse = FindItemInUse(*system_, item, &problem);
    // Never in silence: a run that could not look at the services says so.
    if (!problem.empty() && std::find(findings_.notes.begin(), findings_.notes.end(), problem) == findings_.notes.end())
      findings_.notes.push_back(problem);
    if (!inUse.Holds()) return true;
    // Nobody to ask: nothing moves while they run.
    if (!ui_) {
      std::string lines;
      for (const std::string& line : InUseLines(inUse)) lines += "\n  " + line;
      throw Refused({RefusalReason::ItemInUse, item, lines});
    }
    switch (ui_->AskItemInUse(inUse)) {
      case InUseAnswer::Retry: break;
      case InUseAnswer::Cancel: return false;
      case InUseAnswer::StopServices:
        // A program holds the item whatever happens to the services.
        if (inUse.programs.empty()) StopServices(inUse);
        break;
    }
  }
}

void ItemInUseCheck::StopServices(const ItemInUse& inUse) {
  for (const InstalledService& s : inUse.services) {
    if (!s.running) continue;
    // One stopped already that runs again is started by something else:
    // stopping it again would not end that.
    const bool again = std::any_of(stopped_.begin(), stopped_.end(),
                                   [&](const InstalledService& t) { return t.name == s.name; });
    if (again) throw Refused({RefusalReason::ServiceStartedAgain, ServiceLabel(s), ""});
    std::optional<EngineRefusal> refused;
    try {
      refused = system_->StopNamedService(s.name);
    } catch (const Error& e) {
      refused = EngineRefusal{RefusalReason::ServiceWouldNotStop, s.name, e.what()};
    }
    if (refused) {
      refused->place = ServiceLabel(s);
      throw Refused(*std::move(refused));
    }
    stopped_.push_back(s);
  }
}

void ItemInUseCheck::StartServicesAgain(const std::string& movedTo) {
  if (!system_ || stopped_.empty()) return;
  for (const InstalledService& s : std::exchange(stopped_, {})) {
    const std::string label = ServiceLabel(s);
    std::optional<EngineRefusal> refused;
    // Only the registry walk points a service to the new place; without it
    // a start would run the program from where it no longer is.
    if (!movedTo.empty() && !settings_.targets.registry) {
      refused = EngineRefusal{RefusalReason::ServiceNotStartedAgain, "",
                              "the registry was not a target, so its program path still names " +
                                  ServiceProgramOf(s.commandLine)};
    } else {
      try {
        refused = system_->StartNamedService(s.name);
      } catch (const std::exception& e) {
        refused = EngineRefusal{RefusalReason::ServiceNotStartedAgain, "", e.what()};
      }
    }
    if (!refused) {
      const std::string line = label + " was stopped for the move and started again" +
                               (movedTo.empty() ? "." : " from " + movedTo + ".");
      findings_.notes.push_back(line);
      outcome_.push_back(line);
    } else {
      refused->place = label;
      // The report's row names the service itself ("service X"), the sentence "The service X".
      findings_.PassOver(label.substr(4), RefusalWhy(*refused));
      outcome_.push_back(RefusalText(*refused));
    }
  }
}
