#include "filemap/FileWalk.h"

#include <algorithm>

#include "filemap/PathForms.h"
#include "engine/FolderPool.h"
#include "engine/Progress.h"
#include "core/Error.h"
#include "core/Text.h"

namespace {

bool IsDots(const std::string& name) { return name == "." || name == ".."; }

// A listing mask of the form "*" or "*" + suffix, as the walk uses them.
bool MatchesMask(std::string_view mask, std::string_view name) {
  const std::string_view suffix = mask.substr(1);
  return name.size() >= suffix.size() && EqualNoCaseAZ(name.substr(name.size() - suffix.size()), suffix);
}

}  // namespace

bool IsShortcutName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && EqualNoCaseAZ(name.substr(dot), ".LNK");
}

namespace {
template <class List>
bool HasExtensionOf(std::string_view name, const List& extensions) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot);
  return std::any_of(extensions.begin(), extensions.end(), [ext](std::string_view known) { return EqualNoCaseAZ(ext, known); });
}

// A volume's own folders, which hold no program's paths and are closed to
// most accounts: never searched, never named.
bool IsVolumeOwnFolder(const std::string& parent, const std::string& name) {
  return parent.size() == 3 && (EqualNoCaseAZ(name, "System Volume Information") || EqualNoCaseAZ(name, "$Recycle.Bin"));
}
}  // namespace

bool IsDotfileName(std::string_view name) {
  return name.size() > 1 && name[0] == '.' && name.find('.', 1) == std::string_view::npos;
}

bool IsConfigurationFileName(std::string_view name) {
  return HasExtensionOf(name, kConfigurationExtensions) || HasExtensionOf(name, kTextOnlyConfigurationExtensions) ||
         IsDotfileName(name);
}

bool NeedsTextProbe(std::string_view name) {
  return !HasExtensionOf(name, kConfigurationExtensions) &&
         (IsDotfileName(name) || HasExtensionOf(name, kTextOnlyConfigurationExtensions));
}

void FileWalk::AddOwnFolder(const std::string& folder) {
  if (!folder.empty()) ownFolders_.push_back(folder);
}

void FileWalk::AddSettingsPlace(const std::string& folder) {
  if (!folder.empty()) settingsPlaces_.push_back(AddSlash(RemoveSlash(folder)));
}

void FileWalk::SetProfilesFolder(const std::string& folder) {
  profilesFolder_ = folder.empty() ? std::string() : AddSlash(RemoveSlash(folder));
}

bool FileWalk::InSettingsPlace(const std::string& folder) const {
  const auto under = [&](const std::string& place) {
    return !place.empty() && FoldPrefixLength(folder, AddSlash(RemoveSlash(place))) != kNotFound;
  };
  if (std::any_of(settingsPlaces_.begin(), settingsPlaces_.end(), under)) return true;
  // The moved folder holds its program's settings: where it was (a preview)
  // and where it is now.
  if (run_->settings.request.Mode == RunMode::MoveAndMap && (under(run_->settings.request.FindText) || under(run_->settings.request.ReplaceText)))
    return true;
  if (profilesFolder_.empty()) return false;
  const std::size_t head = FoldPrefixLength(folder, profilesFolder_);
  if (head == kNotFound) return false;
  const std::size_t profileEnd = folder.find('\\', head);
  if (profileEnd == std::string::npos) return false;
  // Each profile's AppData (on Windows XP: Application Data, and Local
  // Settings, which holds the local one).
  const std::string below = folder.substr(profileEnd + 1);
  for (std::string_view data : {"AppData\\", "Application Data\\", "Local Settings\\"})
    if (FoldPrefixLength(below, data) != kNotFound) return true;
  return false;
}

void FileWalk::LearnOwnFolders() {
  ownForms_.clear();
  std::vector<std::string> given = ownFolders_;
  if (!run_->settings.recordsFolder.empty()) given.push_back(run_->settings.recordsFolder);
  // A walk names folders as listings do, from the drive root; an own folder
  // may be known by its short form (or the other way round).
  for (const std::string& folder : given) {
    const std::string path = RemoveSlash(folder);
    ownForms_.push_back(AddSlash(path));
    if (path.size() <= 2) continue;  // a drive root has no other form
    ownForms_.push_back(AddSlash(LongPathForm(fs_, path)));
    ownForms_.push_back(AddSlash(shortNames_.ShortFileName(path)));
  }
}

bool FileWalk::IsOwnFolder(const std::string& folder) const {
  return std::any_of(ownForms_.begin(), ownForms_.end(), [&](const std::string& own) { return EqualFold(folder, own); });
}

SearchTexts FileWalk::TextsFor(const RunChoices& settings, const std::string& oldText, const std::string& newText) {
  // The walk changes no folder, so the short forms hold for the whole pass.
  return {oldText, newText, shortNames_.ShortFileName(oldText), shortNames_.ShortFileName(newText),
          RuleFor(oldText, settings.request.Substring)};
}

void FileWalk::SetWindowsFolder(const std::string& windowsFolder) {
  tasksFolder_ = windowsFolder.empty() ? std::string() : AddSlash(windowsFolder) + "System32\\Tasks\\";
}

bool FileWalk::IsTasksFolder(const std::string& folder) const {
  return !tasksFolder_.empty() && FoldPrefixLength(folder, tasksFolder_) != kNotFound;
}

FileWalk::Entries FileWalk::List(const std::string& folder) {
  FolderListing listing = fs_.ListFolderChecked(folder + "*");
  if (listing.Listed()) return std::move(listing.entries);
  run_->PassOver(folder, std::string(kNotSearchedPrefix) + listing.failure);
  return {};
}

void FileWalk::MapFiles(RunPass& run, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  LearnOwnFolders();
  const int selected = run_->settings.SelectedDriveCount();
  for (const DriveRow& row : run_->settings.drives) {
    if (run_->PumpCancelled()) return;
    if (!row.selected || row.root.empty()) continue;
    run_->ShowPhase("Scanning " + row.root.substr(0, 1) + " Drive");
    const std::vector<std::string> below = StepInto(row.root.substr(0, 3), texts);
    if (run_->findings.tally.cancelled) return;
    run_->BeginStep(StepShare(ProgressStep::Drive, run_->settings.targets, selected));
    WalkFolders(below, texts);
  }
}

std::vector<std::string> FileWalk::SearchFolder(RunPass& run, const std::string& folder, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  if (formsLearntFor_ != &run.settings || formsLearntInRun_ != run.pass.runNumber) {
    LearnOwnFolders();
    formsLearntFor_ = &run.settings;
    formsLearntInRun_ = run.pass.runNumber;
  }
  return StepInto(folder, texts);
}

bool FileWalk::PickedAs(FileTarget target, std::string_view name) const {
  const Targets& t = run_->settings.targets;
  const bool settings = t.settingsFiles && MatchesMask("*.ini", name);
  const bool shortcut = t.shortcuts && MatchesMask("*.lnk", name);
  switch (target) {
    case FileTarget::Settings: return settings;
    case FileTarget::Shortcuts: return shortcut;
    default: return t.configFiles && IsConfigurationFileName(name) && !settings && !shortcut;
  }
}

bool FileWalk::Picked(std::string_view name) const {
  return run_->settings.targets.allFiles || PickedAs(FileTarget::Settings, name) || PickedAs(FileTarget::Shortcuts, name) ||
         PickedAs(FileTarget::Configuration, name);
}

bool FileWalk::PickedIn(const std::string& folder, std::string_view name) const {
  return Picked(name) || (run_->settings.targets.configFiles && InSettingsPlace(folder));
}

bool FileWalk::Openable(const DirEntry& e) {
  // Links are never followed: a linked file would be visited twice, and
  // replacing it would turn the link into a plain file.
  return !IsDots(e.name) && !e.IsFolder() && !(e.attributes & kAttrReparsePoint) && !IsReplaceTempName(e.name);
}

std::uint64_t FileWalk::SizeLimit(std::string_view name) const {
  const bool configuration = run_->settings.targets.configFiles && IsConfigurationFileName(name);
  return configuration && !IsShortcutName(name) ? kMaxConfigurationSize : kMaxRewriteSize;
}

bool FileWalk::LooksLikeText(const std::string& folder, const DirEntry& e) {
  // Under "All Files" every file is the text rewriting's to judge.
  if (run_->settings.targets.allFiles || !NeedsTextProbe(e.name)) return true;
  std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(e.size, kTextProbeSize)), '\0');
  try {
    fs_.OpenRandom(folder + e.name, OpenMode::ReadOnly)->ReadAt(0, start.data(), start.size());
  } catch (const Error&) {
    return true;
  }
  return start.find('\0') == std::string::npos;
}

void FileWalk::Visit(const std::string& folder, const DirEntry& e, const SearchTexts& texts, bool byContent) {
  // Whether it is text is the text rewriting's to tell from the whole file;
  // one that is not is searched for the old place in binary form there.
  if (byContent) {
    if (e.size < kMaxRewriteSize) Rewrite(folder + e.name, e.name, texts);
    return;
  }
  if (!LooksLikeText(folder, e)) return;
  const std::uint64_t limit = SizeLimit(e.name);
  if (e.size < limit) return Rewrite(folder + e.name, e.name, texts);
  ChangeEntry skipped;
  skipped.where = folder + e.name;
  skipped.kind = ChangeKind::Place;
  skipped.outcome = ChangeOutcome::Skipped;
  skipped.reason = limit == kMaxRewriteSize ? kTooLargeReason : kConfigurationTooLargeReason;
  run_->Record(std::move(skipped));
}

void FileWalk::Rewrite(const std::string& path, const std::string& name, const SearchTexts& texts) {
  if (IsShortcutName(name))
    shortcuts_.RewriteShortcut(*run_, path, texts);
  else
    text_.RewriteTextFile(*run_, path, texts);
}

std::optional<RefusalReason> FileWalk::ListedFileRefusal(const std::string& folder, const std::string& name) const {
  if (folder.empty() || IsOwnFolder(folder) || IsTasksFolder(folder)) return RefusalReason::NotARunsFile;
  if (!PickedIn(folder, name)) return RefusalReason::NotATarget;
  return std::nullopt;
}

void FileWalk::MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) {
  const PassHold hold(run_, run);
  LearnOwnFolders();
  struct Listed {
    std::string folder, name;
    std::optional<RefusalReason> refusal;  // why it is passed over; none to rewrite it
    bool gone = false;    // since the search: its occurrences are named as not met
  };
  std::vector<Listed> listed;
  std::vector<std::string> textFiles;  // backed up together before the first is rewritten
  for (const std::string& path : paths) {
    const std::size_t cut = path.rfind('\\');
    Listed l;
    l.folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    l.name = path.substr(cut == std::string::npos ? 0 : cut + 1);
    l.refusal = ListedFileRefusal(l.folder, l.name);
    if (!l.refusal) {
      const std::optional<DirEntry> entry = fs_.LookUp(path);
      l.gone = !entry;
      if (entry && (!Openable(*entry) || entry->size >= SizeLimit(l.name)))
        l.refusal = RefusalReason::NoLongerOpened;
      else if (entry && !IsShortcutName(l.name))
        textFiles.push_back(path);
    }
    listed.push_back(std::move(l));
  }
  text_.BeforeRewrites(*run_, textFiles);
  for (const Listed& l : listed) {
    if (run_->PumpCancelled()) return;
    run_->ShowPlace(l.folder);
    const std::string path = l.folder + l.name;
    if (l.refusal)
      run_->PassOver(path, RefusalWhy({*l.refusal, path, ""}));
    else if (!l.gone)
      Rewrite(path, l.name, texts);
  }
}

void FileWalk::SearchThruDir(RunPass& run, const std::string& folder, const std::string& oldText,
                             const std::string& newText) {
  const PassHold hold(run_, run);
  LearnOwnFolders();
  WalkDepthFirst(FoldersBelow(folder, List(folder)), TextsFor(run.settings, oldText, newText));
}

// Each folder is listed once; its target files are picked from that listing
// in the order a listing per pattern would give them ("*.ini" before "*.lnk",
// then the configuration files). A file two targets pick is visited once.
bool FileWalk::VisitFolderFiles(const std::string& folder, const Entries& entries, const SearchTexts& texts) {
  // A temporary file of an interrupted run holds a part of some new content;
  // one still held open is another replacement at work and stays.
  if (!run_->pass.IsPreview())
    for (const DirEntry& e : entries)
      if (!e.IsFolder() && IsReplaceTempName(e.name) && fs_.Remove(folder + e.name))
        run_->findings.notes.push_back(folder + e.name + ", a temporary file left by an interrupted Ostrivane run, was removed.");
  const Targets& t = run_->settings.targets;
  if (t.allFiles) {
    VisitFiles(folder, entries, [](const DirEntry&) { return true; }, texts);
    return !run_->PumpCancelled();
  }
  for (const FileTarget target : {FileTarget::Settings, FileTarget::Shortcuts, FileTarget::Configuration}) {
    VisitFiles(folder, entries, [&](const DirEntry& e) { return PickedAs(target, e.name); }, texts);
    if (run_->PumpCancelled()) return false;
  }
  // Where programs keep settings, files no name picks are picked by content.
  if (t.configFiles && InSettingsPlace(folder)) {
    VisitFiles(folder, entries, [&](const DirEntry& e) { return !Picked(e.name); }, texts, FileTarget::Content);
    if (run_->PumpCancelled()) return false;
  }
  return true;
}

template <class Picks>
void FileWalk::VisitFiles(const std::string& folder, const Entries& entries, Picks picks, const SearchTexts& texts,
                          FileTarget target) {
  // The undo records hold the old text on purpose: re-mapping them would
  // make undo restore the wrong values. So every file of a records folder
  // stays as it is, whatever its name, and so do the run's temporary files.
  const bool own = IsOwnFolder(folder) || IsTasksFolder(folder);
  for (const DirEntry& e : entries) {
    if (!picks(e)) continue;
    if (run_->PumpCancelled()) return;
    if (!own && Openable(e)) Visit(folder, e, texts, target == FileTarget::Content);
    run_->PumpCancelled();
  }
}

std::vector<std::string> FileWalk::StepInto(const std::string& folder, const SearchTexts& texts) {
  const Entries entries = List(folder);
  if (!VisitFolderFiles(folder, entries, texts)) return {};
  return FoldersBelow(folder, entries);
}

std::vector<std::string> FileWalk::FoldersBelow(const std::string& folder, const Entries& entries) {
  run_->ShowPlace(folder);
  std::vector<std::string> below;
  for (const DirEntry& e : entries) {
    if (run_->PumpCancelled()) return {};
    // Junctions and symbolic links are not followed: no loops, no file twice.
    if (IsDots(e.name) || !e.IsFolder() || (e.attributes & kAttrReparsePoint)) continue;
    if (IsVolumeOwnFolder(folder, e.name)) continue;
    std::string sub = folder + e.name + "\\";
    if (!IsTasksFolder(sub)) below.push_back(std::move(sub));
  }
  return below;
}

void FileWalk::WalkFolders(const std::vector<std::string>& folders, const SearchTexts& texts) {
  // Its findings join in the order the walk here would meet them.
  if (run_->folders && run_->pass.FindsOnly()) return run_->folders->Walk(*run_, folders, texts);
  WalkDepthFirst(folders, texts);
}

void FileWalk::WalkDepthFirst(const std::vector<std::string>& folders, const SearchTexts& texts) {
  for (const std::string& folder : folders) {
    if (run_->findings.tally.cancelled) return;
    WalkDepthFirst(StepInto(folder, texts), texts);
  }
}
