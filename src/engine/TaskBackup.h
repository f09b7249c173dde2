#pragma once
// The task backup (UndoNNNNN.tasks): the whole definition each scheduled
// task held before the run registered it again, durable on disk before the
// task is changed. An undo registers these definitions back.
//
//   Ostrivane task backup 1
//   task<TAB>\path<TAB>XML                  fields escaped as the written record's
#include <map>
#include <set>
#include <string>
#include <string_view>

class FileSystem;

inline constexpr const char* kTaskBackupTitle = "Ostrivane task backup 1";

struct SavedTask {
  std::string path;
  std::string xml;
};

// The saved definitions by FoldKey of the task's path, the first of each (a
// later line of the same task holds what an earlier pass of the run made).
// Lines torn as they were written, or not known, are passed by.
std::map<std::string, SavedTask> ReadTaskBackup(std::string_view bytes);

class TaskBackup {
 public:
  explicit TaskBackup(FileSystem& fs) : fs_(fs) {}
  // Saves the definition into the record at `recordPath`, made by its first
  // save. A task already saved there keeps its first copy: its state before
  // the run. Throws Error when the record cannot be written.
  void Save(const std::string& recordPath, const std::string& taskPath, const std::string& xml);

 private:
  FileSystem& fs_;
  std::string recordPath_;
  std::set<std::string> saved_;  // FoldKey of each task in recordPath_
};
