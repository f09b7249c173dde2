#include "window/ResumeArguments.h"

#include <optional>

#include "core/Text.h"
#include "window/PageFlow.h"

namespace {
std::string Flag(bool on) { return on ? "1" : "0"; }

// Each field by name, read and written the same way, so the two sides of a
// restart cannot drift apart.
// The mode as the new copy's arguments carry it.
char ModeLetter(RunMode mode) {
  switch (mode) {
    case RunMode::MoveAndMap: return 'M';
    case RunMode::SwitchDrives: return 'S';
    default: return 'F';
  }
}

template <typename W, typename Visit>
void EachField(W& w, Visit visit) {
  visit("find", w.mapOnly.findWhat);
  visit("replace", w.mapOnly.replaceWith);
  visit("first", w.switchDrives.firstDrive);
  visit("second", w.switchDrives.secondDrive);
  visit("item", w.move.confirmItemName);
  visit("from", w.move.confirmSourceFolder);
  visit("fromLine", w.move.confirmFromLine);
  visit("to", w.move.confirmDestination);
  visit("toLine", w.move.confirmToLine);
  visit("givenItem", w.move.givenItemName);
  visit("givenFrom", w.move.givenSourceFolder);
  visit("givenTo", w.move.givenDestination);
}

// The one "Stop and Verify" choice travels as each page's box, as it always
// has; any of them ticked ticks it.
bool IsVerifyBox(const std::string& name) { return name == "verifyGiven" || name == "verifyMap" || name == "verifyConfirm"; }

template <typename W, typename Visit>
void EachFlag(W& w, Visit visit) {
  visit("advanced", w.showAdvanced);
  visit("registry", w.choices.targets.registry);
  visit("settings", w.choices.targets.settingsFiles);
  visit("shortcuts", w.choices.targets.shortcuts);
  visit("allFiles", w.choices.targets.allFiles);
  visit("config", w.choices.targets.configFiles);
  visit("verifyGiven", w.choices.stopAndVerify);
  visit("verifyMap", w.choices.stopAndVerify);
  visit("verifyConfirm", w.choices.stopAndVerify);
  visit("reviewMove", w.showChangesFirst[0]);
  visit("reviewSwitch", w.showChangesFirst[1]);
  visit("reviewMap", w.showChangesFirst[2]);
}
}  // namespace

std::vector<std::string> ResumeArguments(const WizardPages& w) {
  // The ticks of a review do not travel: the new copy starts on the page
  // before it, whose start button searches again.
  std::vector<std::string> args{kResumeSwitch, "page=" + std::string(PageName(w.CurrentPage == Page::Review ? w.ReviewCameFrom() : w.CurrentPage))};
  args.push_back("mode=" + std::string(1, ModeLetter(w.choices.request.Mode)));
  EachField(w, [&](const char* name, const std::string& value) { args.push_back(std::string(name) + "=" + value); });
  EachFlag(w, [&](const char* name, const bool& value) { args.push_back(std::string(name) + "=" + Flag(value)); });
  std::string drives;
  for (const DriveRow& d : w.choices.drives)
    if (d.selected && !d.root.empty()) drives += d.root[0];
  args.push_back("drives=" + drives);
  return args;
}

bool ApplyResumeArguments(WizardPages& w, const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments[0] != kResumeSwitch) return false;
  Page page = Page::None;
  std::optional<bool> verify;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = a.substr(0, eq), value = a.substr(eq + 1);
    if (key == "page") page = PageNamed(value);
    if (key == "mode" && value.size() == 1)
      for (const RunMode mode : {RunMode::MoveAndMap, RunMode::SwitchDrives, RunMode::MapOnly})
        if (value[0] == ModeLetter(mode)) w.choices.request.Mode = mode;
    EachField(w, [&](const char* name, std::string& field) {
      if (key == name) field = value;
    });
    EachFlag(w, [&](const char* name, bool& flag) {
      if (key != name) return;
      if (IsVerifyBox(key))
        verify = verify.value_or(false) || value == "1";
      else
        flag = value == "1";
    });
    if (key == "drives")
      for (DriveRow& d : w.choices.drives)
        d.selected = !d.root.empty() && value.find(UpperAZ(d.root[0])) != std::string::npos;
  }
  if (verify) w.choices.stopAndVerify = *verify;
  if (page == Page::None) return false;
  w.CurrentPage = page;
  return true;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& a : arguments) {
    if (!line.empty()) line += ' ';
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
      line += a;
      continue;
    }
    // Backslashes count only before a quote: doubled there, kept elsewhere.
    line += '"';
    std::size_t slashes = 0;
    for (char c : a) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      line.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
      slashes = 0;
      line += c;
    }
    line.append(slashes * 2, '\\');
    line += '"';
  }
  return line;
}
