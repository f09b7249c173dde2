#include "filemap/ShortcutRewrite.h"

#include "engine/WrittenRecord.h"

#include "core/Text.h"
#include "engine/ChangeVerification.h"
#include "engine/NewTextFit.h"

namespace {

// The working folder that goes with a target: its folder part, up to and
// including the last "\" or ":". None for a target without one (a link to
// something that is no file path), which keeps the folder the link has.
std::optional<std::string> WorkingDirFor(const std::string& target) {
  std::string folder = SplitItemPath(target).folder;
  if (folder.empty()) return std::nullopt;
  return folder;
}

// The text with every occurrence replaced, left to right: arguments naming
// two places (or both drives of a switch) are changed whole.
struct Replaced {
  bool found = false;
  std::string text;
  std::string note;
};
// A shortcut's target and icon are paths read whole; its arguments a command line.
Replaced ReplaceAll(const std::string& text, const Spellings& spellings, TextPlace place,
                    EnvironmentValues* environment = nullptr) {
  const Spellings::Family family = spellings.Choose(text);
  const auto next = [&](const std::string& in, std::size_t from) {
    return FittedToPlace(in, NextRewrite(spellings, family, in, from, environment), place);
  };
  Rewrite r = next(text, 0);
  if (!r.found()) return {false, text, ""};
  Replaced out{true, text, spellings.NoteOn(r.shortForm)};
  for (; r.found(); r = next(out.text, r.pos + r.newText.size())) out.text.replace(r.pos, r.length, r.newText);
  return out;
}

}  // namespace

ShortcutPlan PlanShortcut(const ShellLinkProps& link, const SearchTexts& texts, EnvironmentValues* environment) {
  const Spellings spellings(texts);
  // A target stored with variables (%ProgramFiles%\App\app.exe) is a path
  // however it is written.
  if (texts.rule != MatchRule::Path) environment = nullptr;
  const Replaced target = ReplaceAll(link.Target, spellings, TextPlace::Plain, environment);
  const Replaced arguments = ReplaceAll(link.Arguments, spellings, TextPlace::CommandLine);
  const Replaced icon = ReplaceAll(link.IconPath, spellings, TextPlace::Plain, environment);
  const Replaced workingDir = ReplaceAll(link.WorkingDir, spellings, TextPlace::Plain, environment);
  ShortcutPlan plan;
  plan.changes = target.found || arguments.found || icon.found || workingDir.found;
  plan.target = target.text;
  plan.arguments = arguments.text;
  plan.icon = icon.text;
  plan.targetNote = target.note;
  plan.argumentsNote = arguments.note;
  plan.iconNote = icon.note;
  plan.workingDir = workingDir.text;
  plan.workingDirNote = workingDir.note;
  // A target that stays is not set again: setting it would rebuild the link's
  // item list for no reason.
  if (target.found) plan.change.Target = target.text;
  if (arguments.found) plan.change.Arguments = arguments.text;
  if (icon.found) plan.change.IconPath = icon.text;
  if (workingDir.found) plan.change.WorkingDir = workingDir.text;
  return plan;
}

std::optional<ShellLinkProps> ShortcutRewrite::ReadShortcut(const std::string& path) {
  try {
    linkFile_.FileName = path;
    linkFile_.ReadLink();
  } catch (const ShellLinkNotFound&) {
    return ShellLinkProps{};
  } catch (const ShellLinkError&) {
    return std::nullopt;
  }
  return static_cast<const ShellLinkProps&>(linkFile_);
}

std::optional<std::string> ShortcutRewrite::CheckTarget(const std::string& path) {
  const std::optional<ShellLinkProps> link = ReadShortcut(path);
  if (!link) return std::nullopt;
  return link->Target;
}

std::optional<std::string> ShortcutRewrite::CheckArgument(const std::string& path) {
  const std::optional<ShellLinkProps> link = ReadShortcut(path);
  if (!link) return std::nullopt;
  return link->Arguments;
}

void ShortcutRewrite::MakeShortcut(const std::optional<std::string>& target,
                                   const std::optional<std::string>& arguments,
                                   const std::optional<std::string>& description, const std::string& path,
                                   bool modify) {
  if (modify) {
    LinkChange change{target, arguments, std::nullopt, description, std::nullopt};
    if (target) change.WorkingDir = WorkingDirFor(*target);
    try {
      store_.Prepare(path, change)->Commit();
      return;
    } catch (const ShellLinkNotFound&) {
      // no link there yet: made anew below
    }
  }
  ShellLinkProps& link = linkFile_;
  link = ShellLinkProps{};
  link.Target = target.value_or("");
  link.Arguments = arguments.value_or("");
  link.Description = description.value_or("");
  link.WorkingDir = WorkingDirFor(link.Target).value_or("");
  linkFile_.FileName = path;
  linkFile_.WriteLink();
}

bool ShortcutRewrite::Confirmed(const std::string& path, const std::string& from, const std::string& to) {
  if (!VerificationOn(*run_)) return true;
  return OfferChange(*run_, Question{kShortcutsKey, path, from, to}, WalkKind::Files) == Answer::Replace;
}

std::vector<ChangeEntry> ShortcutRewrite::ChosenParts(const std::string& path, const ShellLinkProps& link,
                                                      ShortcutPlan& plan) {
  std::vector<ChangeEntry> entries;
  const auto offer = [&](ChangeKind kind, const std::string& from, const std::string& to, const std::string& note) {
    if (run_->Chosen(entries.emplace_back(ChangeEntry{path, "", 0, kind, from, to, ChangeOutcome::WouldChange, note})))
      return true;
    entries.pop_back();
    return false;
  };
  if (plan.change.Target && !offer(ChangeKind::ShortcutTarget, link.Target, plan.target, plan.targetNote)) {
    plan.change.Target.reset();
    plan.target = link.Target;
  }
  if (plan.change.Arguments && !offer(ChangeKind::ShortcutArguments, link.Arguments, plan.arguments, plan.argumentsNote)) {
    plan.change.Arguments.reset();
    plan.arguments = link.Arguments;
  }
  if (plan.change.WorkingDir &&
      !offer(ChangeKind::ShortcutWorkingFolder, link.WorkingDir, plan.workingDir, plan.workingDirNote)) {
    plan.change.WorkingDir.reset();
    plan.workingDir = link.WorkingDir;
  }
  if (plan.change.IconPath && !offer(ChangeKind::ShortcutIcon, link.IconPath, plan.icon, plan.iconNote)) {
    plan.change.IconPath.reset();
    plan.icon = link.IconPath;
  }
  return entries;
}

void ShortcutRewrite::RewriteShortcut(RunPass& run, const std::string& path, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  // An unreadable link is passed over: nothing read means nothing to search.
  const std::optional<ShellLinkProps> link = ReadShortcut(path);
  if (!link) return;
  ShortcutPlan plan = PlanShortcut(*link, texts, run_->settings.request.Mode == RunMode::SwitchDrives ? nullptr : environment_);
  if (!plan.changes) return;

  // One entry per part that changes; the review page may have left some out.
  const std::size_t firstEntry = run_->findings.changes.size();
  std::vector<ChangeEntry> entries = ChosenParts(path, *link, plan);
  if (entries.empty()) return;
  // One entry per part, but one link: the shortcut counts once.
  const auto recordAll = [&](ChangeOutcome outcome) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      entries[i].outcome = outcome;
      entries[i].furtherPart = i > 0;
      run_->Record(std::move(entries[i]));
    }
  };

  std::string from = link->Target + " " + link->Arguments;
  std::string to = plan.target + " " + plan.arguments;
  if (plan.change.IconPath) {
    from += " (icon " + link->IconPath + ")";
    to += " (icon " + plan.icon + ")";
  }
  if (plan.change.WorkingDir) {
    from += " (start in " + link->WorkingDir + ")";
    to += " (start in " + plan.workingDir + ")";
  }
  if (run_->pass.FindsOnly()) {
    if (run_->pass.IsPreview()) run_->ui->ReportPreview({path, "", from, to});
    return recordAll(ChangeOutcome::WouldChange);
  }
  if (!Confirmed(path, from, to)) return recordAll(ChangeOutcome::Skipped);
  recordAll(ChangeOutcome::Changed);
  Apply(path, *link, plan, firstEntry);
}

void ShortcutRewrite::Apply(const std::string& path, const ShellLinkProps& link, const ShortcutPlan& plan,
                            std::size_t firstEntry) {
  const auto passOver = [&](const std::string& reason) { run_->PassOverSince(firstEntry, path, reason); };
  std::unique_ptr<PendingLinkChange> pending;
  try {
    pending = store_.Prepare(path, plan.change);
  } catch (const ShellLinkTooLong&) {
    return passOver(Format1(kShortcutTooLong, path));
  } catch (const ShellLinkError&) {
    return passOver("it could not be read again to be changed");
  }
  // Changed by someone else while the user was asked: the plan is stale.
  if (pending->Before().Target != link.Target || pending->Before().Arguments != link.Arguments ||
      pending->Before().IconPath != link.IconPath || pending->Before().WorkingDir != link.WorkingDir)
    return passOver("it was changed by another program while the run waited for an answer");
  if (!backup_.BackupFile(path)) return passOver("its backup could not be made");
  // The shell makes the bytes: the record says a write is under way, then
  // what the shortcut holds once it is made.
  Announcement announced;
  if (run_->pass.written) {
    announced = run_->pass.written->FilePending(path);
    run_->pass.written->MakeDurable();
  }
  // One shortcut that cannot be written does not stop the run.
  try {
    pending->Commit();
  } catch (const std::exception& e) {
    if (run_->pass.written) run_->pass.written->Withdraw(announced);
    return passOver(e.what());
  }
  if (run_->pass.written) run_->pass.written->FileWritten(path);
}
