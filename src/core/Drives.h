#pragma once
// The drives the system reports, as the drive list shows them.
#include <string>
#include <vector>

struct DriveInfo {
  std::string root;         // C:\ as the system lists it
  std::string displayName;  // "Local Disk (C:)"
  bool fixed = false;       // selected by default
};

class DriveSource {
 public:
  virtual ~DriveSource() = default;
  // Drives in the system's order; a drive the system does not describe is left out.
  virtual std::vector<DriveInfo> ListDrives() = 0;
};
