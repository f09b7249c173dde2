#pragma once
// Hive files loaded under HKEY_USERS and unloaded (advapi32), with the
// process's backup and restore privileges enabled first: the system asks
// for both, which an administrator holds but does not have enabled.
#include "regmap/ProfileHives.h"

class Win32HiveLoader : public HiveLoader {
 public:
  long Load(const std::string& name, const std::string& file) override;
  long Unload(const std::string& name) override;

 private:
  // Enabled once for the process: 0, or why they could not be; -1 not yet tried.
  long privileges_ = -1;
  long EnsurePrivileges();
};
