#pragma once
// The file side of a run, wired: the drive and folder walk handing text
// files to the text rewriting and shortcuts to the shortcut rewriting.
#include "filemap/FileWalk.h"
#include "filemap/TextFileRewrite.h"

class FileMapping : public FileMapper {
 public:
  FileMapping(FileSystem& fs, ShortNames& shortNames, FileBackup& backup, ShortcutRewriter& shortcuts, CodePage& ansi)
      : text_(fs, backup, ansi), walk_(fs, shortNames, text_, shortcuts) {}

  void MapFiles(RunPass& run, const SearchTexts& texts) override { walk_.MapFiles(run, texts); }
  void MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) override {
    walk_.MapListedFiles(run, texts, paths);
  }
  std::vector<std::string> SearchFolder(RunPass& run, const std::string& folder, const SearchTexts& texts) override {
    return walk_.SearchFolder(run, folder, texts);
  }
  FileWalk& Walk() { return walk_; }
  TextFileRewrite& Text() { return text_; }

 private:
  TextFileRewrite text_;
  FileWalk walk_;
};
