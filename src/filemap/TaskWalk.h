#pragma once
// The scheduled tasks, searched with the configuration files: each task's
// definition (XML: its actions' Command, Arguments and WorkingDirectory and
// any other path it holds) is searched as a configuration file's text, and
// a task is changed by registering its definition again through the Task
// Scheduler, never by writing the service's files. Its old definition goes
// into the run's task backup first.
#include <string>
#include <vector>

#include "engine/RunPorts.h"
#include "engine/TaskBackup.h"
#include "engine/TaskService.h"
#include "filemap/TextFileRewrite.h"

class TaskWalk : public TaskMapper {
 public:
  TaskWalk(TaskService& service, TextFileRewrite& text, TaskBackup& backup)
      : service_(service), text_(text), backup_(backup) {}

  void MapTasks(RunPass& run, const SearchTexts& texts) override;
  // Each task read again and changed only where it still reads as found.
  void MapListedTasks(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) override;

 private:
  void Visit(const ScheduledTask& task, const SearchTexts& texts);
  // Registers the new definition, its old one saved first; named when it
  // cannot be made. Entries from `firstEntry` on are the task's.
  void Change(const ScheduledTask& task, const std::string& newXml, std::size_t firstEntry);

  RunPass* run_ = nullptr;  // the pass of the call under way
  TaskService& service_;
  TextFileRewrite& text_;
  TaskBackup& backup_;
};
