#pragma once
// The hives of the profiles Windows lists under ProfileList whose users are
// not logged on, loaded under HKEY_USERS by their SID as Windows itself
// loads them at logon: NTUSER.DAT as "<SID>", UsrClass.dat as
// "<SID>_Classes".
#include <string>
#include <vector>

#include "engine/OfflineHives.h"
#include "regmap/RegistryBackend.h"

class EnvironmentValues;
class FileSystem;

// The platform's hive loading (the backup and restore privileges enabled
// for it). Results are the platform's error codes, 0 for success.
class HiveLoader {
 public:
  virtual ~HiveLoader() = default;
  virtual long Load(const std::string& name, const std::string& file) = 0;
  virtual long Unload(const std::string& name) = 0;
};

inline constexpr const char* kProfileListKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A hive file of a listed profile and the name it is loaded under.
struct ProfileHive {
  std::string name;  // "S-1-5-21-...", "S-1-5-21-..._Classes"
  std::string file;  // "C:\Users\bob\NTUSER.DAT"
};

class ProfileHives : public OfflineHives {
 public:
  // `environment` expands the profile folders' variables (%SystemDrive%);
  // none: a folder written with a variable is not found.
  ProfileHives(RegistryBackend& registry, HiveLoader& loader, FileSystem& fs, EnvironmentValues* environment)
      : registry_(registry), loader_(loader), fs_(fs), environment_(environment) {}

  std::vector<std::string> Load(const std::vector<std::string>* only, std::vector<PassedOver>& failed) override;
  std::vector<PassedOver> Unload(const std::vector<std::string>& names) override;

  // The hive files of the listed profiles that are there and not loaded.
  std::vector<ProfileHive> NotLoaded();

 private:
  bool IsLoaded(const std::string& name);
  std::string Expanded(const std::string& text);

  RegistryBackend& registry_;
  HiveLoader& loader_;
  FileSystem& fs_;
  EnvironmentValues* environment_;
};

// Why a hive could not be loaded or unloaded, in words for the user.
std::string HiveFailureReason(long error);
