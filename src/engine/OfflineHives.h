#pragma once
// The registry hives of users who are not logged on: Windows loads a user's
// NTUSER.DAT and UsrClass.dat under HKEY_USERS only while the user is logged
// on. A run loads the others for its walk and its apply, an undo for its
// restore, and both unload them again however they end.
#include <string>
#include <string_view>
#include <vector>

#include "engine/Findings.h"
#include "engine/RunSettings.h"

class OfflineHives {
 public:
  virtual ~OfflineHives() = default;
  // Loads the hive of every listed profile that is not loaded, or, with
  // `only`, of those among the names given (HKEY_USERS subkey names: "<SID>",
  // "<SID>_Classes"). Returns the names it loaded; each hive it could not
  // load is added to `failed` (where "HKEY_USERS\<name>", and why).
  virtual std::vector<std::string> Load(const std::vector<std::string>* only, std::vector<PassedOver>& failed) = 0;
  // Unloads the hives named; those that stay loaded are returned with why.
  virtual std::vector<PassedOver> Unload(const std::vector<std::string>& names) = 0;
};

// The hive under HKEY_USERS that a full key name lies in ("S-1-5-21-...",
// "S-1-5-21-..._Classes"); "" for a key elsewhere.
std::string UserHiveOf(std::string_view key);
// Adds the key's hive to `hives` unless it is there already (across case).
void AddUserHiveOf(std::string_view key, std::vector<std::string>& hives);

// Holds the hives an operation loaded until it ends, also on a failure.
class OfflineHivesLoaded {
 public:
  OfflineHivesLoaded(OfflineHives* hives, const std::vector<std::string>* only, std::vector<PassedOver>& failed)
      : hives_(hives) {
    if (hives_) names_ = hives_->Load(only, failed);
  }
  ~OfflineHivesLoaded() {
    try {
      Unload();
    } catch (...) {
    }
  }
  OfflineHivesLoaded(const OfflineHivesLoaded&) = delete;
  OfflineHivesLoaded& operator=(const OfflineHivesLoaded&) = delete;

  const std::vector<std::string>& Names() const { return names_; }
  // Unloads now; what stays loaded is named in what it returns.
  std::vector<PassedOver> Unload() {
    if (!hives_ || names_.empty()) return {};
    std::vector<PassedOver> stayed = hives_->Unload(names_);
    names_.clear();
    return stayed;
  }

 private:
  OfflineHives* hives_;
  std::vector<std::string> names_;
};
