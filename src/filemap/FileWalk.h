#pragma once
// The drive and folder walk: visits, on every selected drive, the files the
// chosen targets ask for and hands each to the text or the shortcut rewriting.
#include <string>
#include <string_view>
#include <vector>

#include "engine/MappingRequest.h"
#include "engine/RunPorts.h"
#include "core/FileSystem.h"
#include "filemap/Rewriters.h"

// Files at or above this size are never opened.
inline constexpr std::uint64_t kMaxRewriteSize = 1000000;

// ".LNK" by the name's last extension, in any case.
bool IsShortcutName(std::string_view name);
// Undo*.bat, .reg, .zip, .tmp: the names the undo records and their
// temporaries have in the program folder.
bool IsUndoRecordName(std::string_view name);

class FileWalk : public FileMapper {
 public:
  FileWalk(RunContext& ctx, FileSystem& fs, ShortNames& shortNames, TextFileRewriter& text, ShortcutRewriter& shortcuts)
      : ctx_(ctx), fs_(fs), shortNames_(shortNames), text_(text), shortcuts_(shortcuts) {}

  // One pass over all selected drives.
  void IniProcess(const SearchTexts& texts) override;
  // Every folder below `folder` (which ends in "\"), depth first.
  void SearchThruDir(const std::string& folder, const std::string& oldText, const std::string& newText);
  // The files one pattern (folder + "*", "*.ini" or "*.lnk") lists.
  void SearchForFile(const std::string& pattern, const SearchTexts& texts);
  // Plain-text search for the two texts, with the short forms this walk's
  // ShortNames gives them.
  SearchTexts TextsFor(const std::string& oldText, const std::string& newText);

 private:
  using Entries = std::vector<DirEntry>;
  Entries List(const std::string& folder);
  // The target patterns of one folder, from its one listing; false when cancelled.
  bool VisitFolderFiles(const std::string& folder, const Entries& entries, const SearchTexts& texts);
  void VisitFiles(const std::string& folder, const Entries& entries, std::string_view mask, const SearchTexts& texts);
  void WalkFolder(const std::string& folder, const Entries& entries, const SearchTexts& texts);
  // The run's own records and temporary files, which a walk must never rewrite.
  bool IsOwnRunFile(const std::string& folder, std::string_view name);

  RunContext& ctx_;
  FileSystem& fs_;
  ShortNames& shortNames_;
  TextFileRewriter& text_;
  ShortcutRewriter& shortcuts_;
};
