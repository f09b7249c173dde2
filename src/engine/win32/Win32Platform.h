#pragma once
// Small Win32 services of the application shell: message pumping, the run
// lock between processes, the drive list, the program folder and the version.
#include <cstdint>
#include <string>

#include "engine/GuardRails.h"
#include "engine/PumpThrottle.h"
#include "engine/RunPorts.h"
#include "core/Drives.h"

// Drains the thread's message queue when the throttle says it is time.
void PumpMessages(PumpThrottle& throttle);
std::int64_t MonotonicMs();

// A named mutex held for the length of a run, so neither the window program
// nor the console front end starts a run while another is on.
class Win32RunLock : public RunLock {
 public:
  ~Win32RunLock() override { Release(); }
  bool TryAcquire() override;
  void Release() override;

 private:
  void* handle_ = nullptr;
};

class Win32Drives : public DriveSource {
 public:
  std::vector<DriveInfo> ListDrives() override;
};

// Tells every top-level window that the environment changed (Explorer then
// hands the new values to the programs it starts).
class Win32EnvironmentNotice : public EnvironmentNotice {
 public:
  void EnvironmentChanged() override;
};

// The system's own folders and the program's, for the guard rails.
class Win32KnownFolders : public KnownFolders {
 public:
  ProtectedPlaces Places() override;
  std::string LongForm(const std::string& path) override;
};

// The running executable's full path.
std::string ExecutablePath();
// The folder of the running executable, with its trailing "\".
std::string ProgramFolderOfExe();
