#pragma once
// The Task Scheduler service as the run and the undo see it. Windows runs a
// task from the service's own store, not from the files it leaves under
// System32\Tasks: a task is changed by registering its definition again
// through the service, or not at all.
#include <string>
#include <vector>

// How the task's account logs on, numbered as the service numbers it.
enum class TaskLogon {
  None = 0,
  Password = 1,
  S4U = 2,
  InteractiveToken = 3,
  Group = 4,
  ServiceAccount = 5,
  InteractiveTokenOrPassword = 6,
};

// Registering such a task again takes its account's password, which the
// service keeps to itself: it is named and left.
inline bool NeedsPassword(TaskLogon logon) {
  return logon == TaskLogon::Password || logon == TaskLogon::InteractiveTokenOrPassword;
}
inline constexpr const char* kTaskPasswordReason =
    "its account's password would be needed to register it again: change it in the Task Scheduler";

struct ScheduledTask {
  std::string path;  // "\Vendor\Updater"
  std::string xml;   // the whole definition, UTF-8
  TaskLogon logon = TaskLogon::None;
};

// A task folder that could not be listed, or the service not reached
// (folder kTaskSchedulerPlace), with the system's words for why.
struct TaskFailure {
  std::string where;
  std::string message;
};

struct TaskListing {
  std::vector<ScheduledTask> tasks;
  std::vector<TaskFailure> failures;
  // Set when the service offers no listing of its tasks at all (some
  // implementations other than Windows' own): nothing failed, nothing was
  // searched, and the user hears why.
  std::string unlisted;
};

struct TaskRead {
  enum class State { Found, Missing, Failed };
  State state = State::Missing;
  ScheduledTask task;   // when found
  std::string failure;  // when failed
};

class TaskService {
 public:
  virtual ~TaskService() = default;
  // Every task, hidden ones too, folders walked from "\" down.
  virtual TaskListing ListTasks() = 0;
  // One task's current definition.
  virtual TaskRead ReadTask(const std::string& path) = 0;
  // Registers the definition again over the existing task, under the
  // principal and logon type it names (no password). "" when done, else why not.
  virtual std::string UpdateTask(const std::string& path, const std::string& xml) = 0;
};
