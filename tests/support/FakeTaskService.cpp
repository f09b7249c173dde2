#include "support/FakeTaskService.h"

#include <algorithm>

#include "core/Text.h"

void FakeTaskService::Add(const std::string& path, const std::string& xml, TaskLogon logon) {
  tasks_.push_back({path, xml, logon});
}

ScheduledTask* FakeTaskService::Find(const std::string& path) {
  for (ScheduledTask& t : tasks_)
    if (EqualFold(t.path, path)) return &t;
  return nullptr;
}

bool FakeTaskService::Remove(const std::string& path) {
  const auto gone = std::remove_if(tasks_.begin(), tasks_.end(), [&](const ScheduledTask& t) { return EqualFold(t.path, path); });
  const bool removed = gone != tasks_.end();
  tasks_.erase(gone, tasks_.end());
  return removed;
}

TaskListing FakeTaskService::ListTasks() {
  ++listings;
  if (!unlisted.empty()) return {{}, {}, unlisted};
  return {tasks_, listingFailures, ""};
}

TaskRead FakeTaskService::ReadTask(const std::string& path) {
  ++reads[path];
  TaskRead read;
  if (const ScheduledTask* t = Find(path)) {
    read.state = TaskRead::State::Found;
    read.task = *t;
  }
  return read;
}

std::string FakeTaskService::UpdateTask(const std::string& path, const std::string& xml) {
  ScheduledTask* t = Find(path);
  if (!t) return "The system cannot find the file specified.";
  if (const auto refused = refusals.find(path); refused != refusals.end()) return refused->second;
  // As the service does: no stored secret, no registration.
  if (NeedsPassword(t->logon)) return kTaskPasswordReason;
  t->xml = storedForm ? storedForm(xml) : xml;
  updates.emplace_back(path, xml);
  return "";
}
