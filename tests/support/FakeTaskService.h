#pragma once
// The Task Scheduler in memory: tasks by path, in the order registered, with
// the reads of each task counted and every update recorded.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/TaskService.h"

class FakeTaskService : public TaskService {
 public:
  void Add(const std::string& path, const std::string& xml, TaskLogon logon = TaskLogon::InteractiveToken);
  ScheduledTask* Find(const std::string& path);
  bool Remove(const std::string& path);

  TaskListing ListTasks() override;
  TaskRead ReadTask(const std::string& path) override;
  std::string UpdateTask(const std::string& path, const std::string& xml) override;

  std::vector<TaskFailure> listingFailures;          // reported by every listing
  std::string unlisted;                              // set: the service cannot list at all
  std::map<std::string, std::string> refusals;       // path -> why an update is refused
  // How the service keeps a definition it is given (its own form); as given by default.
  std::function<std::string(const std::string&)> storedForm;
  std::map<std::string, int> reads;                  // ReadTask calls per path
  int listings = 0;                                  // ListTasks calls
  std::vector<std::pair<std::string, std::string>> updates;  // path and definition, each update made

 private:
  std::vector<ScheduledTask> tasks_;
};
