#pragma once
// The drive and folder walk: visits, on every selected drive, the files the
// chosen targets ask for and hands each to the text or the shortcut rewriting.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RunContext.h"
#include "engine/RunPorts.h"
#include "core/FileSystem.h"
#include "filemap/Rewriters.h"

// Files at or above this size are never opened.
inline constexpr std::uint64_t kMaxRewriteSize = 1000000;

// ".LNK" by the name's last extension, in any case.
bool IsShortcutName(std::string_view name);
// The extensions of the files the "Configuration files" target picks; the
// help's Targets page lists the same.
inline constexpr std::array<std::string_view, 15> kConfigurationExtensions = {
    ".json", ".xml", ".config", ".cfg",  ".conf", ".yaml", ".yml",        ".toml",
    ".properties", ".url", ".vdf", ".bat", ".cmd", ".ps1", ".library-ms"};
// One of kConfigurationExtensions by the name's last extension, in any case.
bool IsConfigurationFileName(std::string_view name);

class FileWalk : public FileMapper {
 public:
  FileWalk(RunContext& ctx, FileSystem& fs, ShortNames& shortNames, TextFileRewriter& text, ShortcutRewriter& shortcuts)
      : ctx_(ctx), fs_(fs), shortNames_(shortNames), text_(text), shortcuts_(shortcuts) {}

  // One pass over all selected drives.
  void MapFiles(const SearchTexts& texts) override;
  // Only the files named, each as the walk would have met it: a file the
  // run's targets would not pick, or one of the program's own, is passed
  // over and named.
  void MapListedFiles(const SearchTexts& texts, const std::vector<std::string>& paths) override;
  // Every folder below `folder` (which ends in "\"), depth first.
  void SearchThruDir(const std::string& folder, const std::string& oldText, const std::string& newText);
  // The files one pattern (folder + "*", "*.ini" or "*.lnk") lists.
  void SearchForFile(const std::string& pattern, const SearchTexts& texts);
  // The search for the two texts as a run makes it (a path matched whole
  // unless the request asks for plain text), with the short forms this
  // walk's ShortNames gives them.
  SearchTexts TextsFor(const std::string& oldText, const std::string& newText);
  // The Windows folder: every file below its System32\Tasks (the scheduled
  // tasks, XML without an extension) is a configuration file. Unset, no
  // folder is taken for it.
  void SetWindowsFolder(const std::string& windowsFolder);
  // A folder whose files no walk touches, whatever the targets, besides the
  // records folder (ctx.programFolder): an earlier records folder, the
  // program's own folder.
  void AddOwnFolder(const std::string& folder);

 private:
  using Entries = std::vector<DirEntry>;
  Entries List(const std::string& folder);
  // The target patterns of one folder, from its one listing; false when cancelled.
  bool VisitFolderFiles(const std::string& folder, const Entries& entries, const SearchTexts& texts);
  // The entries `picks` takes, in the listing's order.
  template <class Picks>
  void VisitFiles(const std::string& folder, const Entries& entries, Picks picks, const SearchTexts& texts);
  bool IsTasksFolder(const std::string& folder) const;
  // Whether the targets pick a file of that name in that folder.
  bool Picked(const std::string& folder, std::string_view name) const;
  // A file the walk opens: no link, nothing too large, no temporary file of its own.
  static bool Openable(const DirEntry& e);
  void Rewrite(const std::string& path, const std::string& name, const SearchTexts& texts);
  void WalkFolder(const std::string& folder, const Entries& entries, const SearchTexts& texts);
  // Takes the own folders in every form a walk may meet them in, at the
  // start of a pass.
  void LearnOwnFolders();
  // A folder of the program's own files: the undo records, Ostrivane.ini,
  // the program itself. None of its files is ever rewritten.
  bool IsOwnFolder(const std::string& folder) const;

  RunContext& ctx_;
  FileSystem& fs_;
  ShortNames& shortNames_;
  TextFileRewriter& text_;
  ShortcutRewriter& shortcuts_;
  std::string tasksFolder_;  // with its trailing "\"; empty when unknown
  std::vector<std::string> ownFolders_;  // as given, beside ctx.programFolder
  std::vector<std::string> ownForms_;    // each own folder as given, long and short, with "\"
};
