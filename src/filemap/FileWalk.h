#pragma once
// The drive and folder walk: visits, on every selected drive, the files the
// chosen targets ask for and hands each to the text or the shortcut rewriting.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Refusal.h"
#include "engine/RunPorts.h"
#include "core/FileSystem.h"
#include "filemap/Rewriters.h"

// Files at or above these sizes are not searched, and are named as skipped:
// settings files, shortcuts and "All Files" keep to the first; configuration
// files, whose size programs do not keep small, to the second.
inline constexpr std::uint64_t kMaxRewriteSize = 1000000;
inline constexpr std::uint64_t kMaxConfigurationSize = 64ull * 1024 * 1024;
inline constexpr std::string_view kTooLargeReason = "1,000,000 bytes or more: not searched";
inline constexpr std::string_view kConfigurationTooLargeReason = "64 MB or more: not searched";
// A folder the walk could not list is named with this before its reason.
inline constexpr std::string_view kNotSearchedPrefix = "not searched: ";
// How much of a dotfile or ".pth" file is looked at for a NUL byte.
inline constexpr std::size_t kTextProbeSize = 8192;

// ".LNK" by the name's last extension, in any case.
bool IsShortcutName(std::string_view name);
// The extensions of the files the "Configuration files" target picks; the
// help's Targets page lists the same.
inline constexpr std::array<std::string_view, 15> kConfigurationExtensions = {
    ".json", ".xml", ".config", ".cfg",  ".conf", ".yaml", ".yml",        ".toml",
    ".properties", ".url", ".vdf", ".bat", ".cmd", ".ps1", ".library-ms"};
// Picked as well, but only when their first kTextProbeSize bytes hold no NUL
// byte: dotfiles (".gitconfig", ".npmrc": a name that starts with "." and
// has no other dot) and these extensions, names binary files use too.
inline constexpr std::array<std::string_view, 1> kTextOnlyConfigurationExtensions = {".pth"};
// A name that starts with "." and has no other dot.
bool IsDotfileName(std::string_view name);
// One of kConfigurationExtensions or kTextOnlyConfigurationExtensions by the
// name's last extension, in any case, or a dotfile.
bool IsConfigurationFileName(std::string_view name);
// A configuration file by name that is taken only once it is seen to be text.
bool NeedsTextProbe(std::string_view name);

class FileWalk : public FileMapper {
 public:
  FileWalk(FileSystem& fs, ShortNames& shortNames, TextFileRewriter& text, ShortcutRewriter& shortcuts)
      : fs_(fs), shortNames_(shortNames), text_(text), shortcuts_(shortcuts) {}

  // One pass over all selected drives.
  void MapFiles(RunPass& run, const SearchTexts& texts) override;
  // Only the files named, each as the walk would have met it: a file the
  // run's targets would not pick, or one of the program's own, is passed
  // over and named.
  void MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) override;
  // One folder of MapFiles' walk, for threads that share a drive's walk.
  std::vector<std::string> SearchFolder(RunPass& run, const std::string& folder, const SearchTexts& texts) override;
  // Every folder below `folder` (which ends in "\"), depth first.
  void SearchThruDir(RunPass& run, const std::string& folder, const std::string& oldText, const std::string& newText);
  // The search for the two texts as a run makes it (a path matched whole
  // unless the request asks for plain text), with the short forms this
  // walk's ShortNames gives them.
  SearchTexts TextsFor(const RunChoices& settings, const std::string& oldText, const std::string& newText);
  // The Windows folder. Its System32\Tasks holds the Task Scheduler's files
  // of the scheduled tasks, which Windows does not run them from (on some
  // versions an edited one makes its task refuse to run): they are changed
  // through the service (TaskWalk), and no walk enters that folder, whatever
  // the targets. Unset, no folder is taken for it.
  void SetWindowsFolder(const std::string& windowsFolder);
  // A folder whose files no walk touches, whatever the targets, besides the
  // records folder (the settings' recordsFolder): an earlier records folder, the
  // program's own folder.
  void AddOwnFolder(const std::string& folder);
  // Where programs keep their settings (ProgramData, a Program Files
  // folder): with the configuration target, every file there within
  // kMaxRewriteSize is searched by its content whatever its name, as text
  // when it is text, else for the old place in binary form.
  void AddSettingsPlace(const std::string& folder);
  // The folder of the users' profiles: each profile's AppData below it is
  // such a place. The folder a move moves is one too.
  void SetProfilesFolder(const std::string& folder);

 private:
  using Entries = std::vector<DirEntry>;
  // The file targets a folder's files are visited by, in this order; a
  // file is visited by the first that takes it.
  enum class FileTarget { Settings, Shortcuts, Configuration, Content };
  // The folder's entries; a folder that cannot be listed is named as not
  // searched (and lists nothing).
  Entries List(const std::string& folder);
  // The target patterns of one folder, from its one listing; false when cancelled.
  bool VisitFolderFiles(const std::string& folder, const Entries& entries, const SearchTexts& texts);
  // The entries `picks` takes, in the listing's order.
  template <class Picks>
  void VisitFiles(const std::string& folder, const Entries& entries, Picks picks, const SearchTexts& texts,
                  FileTarget target = FileTarget::Settings);
  // The Task Scheduler's folder of task files, or one below it.
  bool IsTasksFolder(const std::string& folder) const;
  // Why a file a list names is no file for this run to change; none when it is.
  std::optional<RefusalReason> ListedFileRefusal(const std::string& folder, const std::string& name) const;
  bool PickedAs(FileTarget target, std::string_view name) const;
  // Whether the targets pick a file of that name.
  bool Picked(std::string_view name) const;
  // Whether the targets pick the file in that folder, by its name or, in a
  // settings place, by its content.
  bool PickedIn(const std::string& folder, std::string_view name) const;
  // A folder (with its "\") where programs keep settings, or below one.
  bool InSettingsPlace(const std::string& folder) const;
  // A file the walk opens: no link, no folder, no temporary file of its own.
  static bool Openable(const DirEntry& e);
  // The size at which the file is too large for the target that picks it.
  std::uint64_t SizeLimit(std::string_view name) const;
  // A picked file that stands or falls by its content (a dotfile): whether
  // its start holds no NUL byte. One that cannot be read is taken, so that
  // the rewriting names why.
  bool LooksLikeText(const std::string& folder, const DirEntry& e);
  // A picked, openable file met by the walk: handed to its rewriting,
  // named as skipped when too large, passed by when it is no text file.
  // One picked by its content is handed over within kMaxRewriteSize and
  // passed by silently above it.
  void Visit(const std::string& folder, const DirEntry& e, const SearchTexts& texts, bool byContent);
  void Rewrite(const std::string& path, const std::string& name, const SearchTexts& texts);
  // The folder listed and its files visited; the folders below it to walk.
  std::vector<std::string> StepInto(const std::string& folder, const SearchTexts& texts);
  // The folders below one, from its listing, that the walk enters; none
  // once cancelled.
  std::vector<std::string> FoldersBelow(const std::string& folder, const Entries& entries);
  // Each folder and all below it: on the pass's pool when it has one, else
  // depth first here.
  void WalkFolders(const std::vector<std::string>& folders, const SearchTexts& texts);
  void WalkDepthFirst(const std::vector<std::string>& folders, const SearchTexts& texts);
  // Takes the own folders in every form a walk may meet them in, at the
  // start of a pass.
  void LearnOwnFolders();
  // A folder of the program's own files: the undo records, Ostrivane.ini,
  // the program itself. None of its files is ever rewritten.
  bool IsOwnFolder(const std::string& folder) const;

  RunPass* run_ = nullptr;  // the pass of the call under way
  FileSystem& fs_;
  ShortNames& shortNames_;
  TextFileRewriter& text_;
  ShortcutRewriter& shortcuts_;
  std::string tasksFolder_;  // with its trailing "\"; empty when unknown
  std::vector<std::string> ownFolders_;  // as given, beside the records folder
  std::vector<std::string> ownForms_;    // each own folder as given, long and short, with "\"
  // The settings and run that ownForms_ were learnt for by SearchFolder,
  // which is called once a folder and so learns them once a pass.
  const RunSettings* formsLearntFor_ = nullptr;
  unsigned formsLearntInRun_ = 0;
  std::vector<std::string> settingsPlaces_;  // with their "\"
  std::string profilesFolder_;               // with its "\"; empty when unknown
};
