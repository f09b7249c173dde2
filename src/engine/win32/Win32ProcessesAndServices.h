#pragma once
// The processes and services of the system: a toolhelp snapshot with each
// process's image, and the service control manager's list, stop and start.
#include "engine/ItemInUseCheck.h"

class Win32ProcessesAndServices : public ProcessesAndServices {
 public:
  std::vector<RunningProgram> RunningPrograms() override;
  std::vector<InstalledService> Services() override;
  std::vector<std::string> FormsOf(const std::string& path) override;
  std::optional<EngineRefusal> StopNamedService(const std::string& name) override;
  std::optional<EngineRefusal> StartNamedService(const std::string& name) override;
};
