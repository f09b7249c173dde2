#pragma once
// The system's processes and services as lists a test sets, recording what
// a run stops and starts. A stopped service's process ends with it.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"
#include "engine/ItemInUseCheck.h"

class FakeProcessesAndServices : public ProcessesAndServices {
 public:
  std::vector<RunningProgram> programs;
  std::vector<InstalledService> services;
  std::map<std::string, std::vector<std::string>> forms;  // path: its other forms (long, short)
  std::map<std::string, std::string> stopFailure;   // service name: why it will not stop
  std::map<std::string, std::string> startFailure;  // service name: why it will not start
  std::string listFailure;                          // the service list cannot be read
  std::vector<std::string> calls;                   // "stop X", "start X", in order
  // Where a service's command line lives (the registry), read at each listing.
  std::function<std::string(const std::string& name)> commandLineNow;

  std::vector<RunningProgram> RunningPrograms() override { return programs; }
  std::vector<InstalledService> Services() override {
    if (!listFailure.empty()) throw Error(listFailure);
    if (commandLineNow)
      for (InstalledService& s : services) s.commandLine = commandLineNow(s.name);
    return services;
  }
  std::vector<std::string> FormsOf(const std::string& path) override {
    std::vector<std::string> all{path};
    const auto it = forms.find(path);
    if (it != forms.end()) all.insert(all.end(), it->second.begin(), it->second.end());
    return all;
  }
  std::optional<EngineRefusal> StopNamedService(const std::string& name) override {
    calls.push_back("stop " + name);
    const auto refused = [&](std::string why) {
      return EngineRefusal{RefusalReason::ServiceWouldNotStop, name, std::move(why)};
    };
    if (stopFailure.count(name)) return refused(stopFailure[name]);
    InstalledService* s = Find(name);
    if (!s) return refused("it is not installed");
    std::erase_if(programs, [&](const RunningProgram& p) { return s->processId && p.processId == s->processId; });
    s->running = false;
    s->processId = 0;
    return std::nullopt;
  }
  std::optional<EngineRefusal> StartNamedService(const std::string& name) override {
    calls.push_back("start " + name);
    const auto refused = [&](std::string why) {
      return EngineRefusal{RefusalReason::ServiceNotStartedAgain, name, std::move(why)};
    };
    if (startFailure.count(name)) return refused(startFailure[name]);
    InstalledService* s = Find(name);
    if (!s) return refused("it is not installed");
    s->running = true;
    return std::nullopt;
  }
  InstalledService* Find(const std::string& name) {
    for (InstalledService& s : services)
      if (s.name == name) return &s;
    return nullptr;
  }
};
