#pragma once
// The Task Scheduler through its own interface (ITaskService, Task Scheduler
// 2.0, Windows Vista and later). Every call connects afresh: a run reaches
// the service a few times, and a connection kept open would outlive a
// restart of the service.
#include "engine/TaskService.h"

class Win32TaskService : public TaskService {
 public:
  TaskListing ListTasks() override;
  TaskRead ReadTask(const std::string& path) override;
  std::string UpdateTask(const std::string& path, const std::string& xml) override;
};
