#pragma once
// The file side of a run, wired: the drive and folder walk handing text
// files to the text rewriting and shortcuts to the shortcut rewriting.
#include "filemap/FileWalk.h"
#include "filemap/TextFileRewrite.h"

class FileMapping : public FileMapper {
 public:
  FileMapping(RunContext& ctx, FileSystem& fs, ShortNames& shortNames, FileBackup& backup, ShortcutRewriter& shortcuts,
              CodePage& ansi)
      : text_(ctx, fs, backup, ansi), walk_(ctx, fs, shortNames, text_, shortcuts) {}

  void MapFiles(const SearchTexts& texts) override { walk_.MapFiles(texts); }
  void MapListedFiles(const SearchTexts& texts, const std::vector<std::string>& paths) override {
    walk_.MapListedFiles(texts, paths);
  }
  FileWalk& Walk() { return walk_; }
  TextFileRewrite& Text() { return text_; }

 private:
  TextFileRewrite text_;
  FileWalk walk_;
};
