#pragma once
// A file backup that keeps each file's content in memory, in order, and can
// be told to fail; and a shortcut rewriting that only records its calls.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/RunPorts.h"
#include "core/Error.h"
#include "core/FileSystem.h"
#include "filemap/Rewriters.h"

class RecordingBackup : public FileBackup {
 public:
  explicit RecordingBackup(FileSystem& fs) : fs_(fs) {}
  std::vector<std::pair<std::string, std::string>> saved;  // path, content
  bool throwOnBackup = false;   // the archive cannot be written
  bool missing = false;         // answers "no such file"
  std::vector<std::string>* events = nullptr;  // "backup <path>" for each call, when set

  bool BackupFile(const std::string& path) override {
    if (events) events->push_back("backup " + path);
    if (throwOnBackup) throw Error("Cannot write the backup archive");
    if (missing) return false;
    saved.emplace_back(path, fs_.ReadWhole(path));
    return true;
  }

 private:
  FileSystem& fs_;
};

class RecordingShortcuts : public ShortcutRewriter {
 public:
  std::vector<std::string> paths;
  std::function<void(const std::string&)> onRewrite;
  void RewriteShortcut(RunPass&, const std::string& path, const SearchTexts&) override {
    paths.push_back(path);
    if (onRewrite) onRewrite(path);
  }
};
