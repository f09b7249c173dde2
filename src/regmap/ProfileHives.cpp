#include "regmap/ProfileHives.h"

#include <algorithm>

#include "core/FileSystem.h"
#include "core/Fold.h"
#include "engine/SearchTexts.h"
#include "regmap/NTReg.h"

namespace {
constexpr const char* kClassesHiveSuffix = "_Classes";

// "S-1-5-21-..." and nothing else: ProfileList also holds keys such as
// "S-1-5-21-....bak" left by a profile Windows could not load.
bool IsSid(const std::string& name) {
  if (name.size() < 5 || name.compare(0, 4, "S-1-") != 0) return false;
  return std::all_of(name.begin() + 4, name.end(), [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

std::string HiveWhere(const std::string& name) { return "HKEY_USERS\\" + name; }
}  // namespace

std::string HiveFailureReason(long error) {
  switch (error) {
    case kRegAccessDenied: return "access denied";
    case kRegSharingViolation: return "its file is in use by another program";
    case kRegPrivilegeNotHeld: return "loading another user's registry needs administrator rights";
    default: return "error " + std::to_string(error);
  }
}

bool ProfileHives::IsLoaded(const std::string& name) {
  RegistryCursor users(registry_, RegRoot::Users);
  return users.OpenRegPathItselfForReading("\\" + name) || users.LastOpenError() != kRegNotFound;
}

std::string ProfileHives::Expanded(const std::string& text) {
  if (!environment_) return text.find('%') == std::string::npos ? text : std::string();
  return ExpandedWhole(text, *environment_).value_or(std::string());
}

std::vector<ProfileHive> ProfileHives::NotLoaded() {
  std::vector<ProfileHive> hives;
  RegistryCursor list(registry_, RegRoot::LocalMachine);
  if (!list.OpenRegPathForReading(std::string("\\") + kProfileListKey)) return hives;
  for (const std::string& sid : list.ListSubkeyNames()) {
    if (!IsSid(sid)) continue;
    RegistryCursor profile(registry_, RegRoot::LocalMachine);
    if (!profile.OpenRegPathForReading(std::string("\\") + kProfileListKey + "\\" + sid)) continue;
    std::string folder = Expanded(profile.ReadTextValue("ProfileImagePath"));
    if (folder.empty()) continue;
    if (folder.back() != '\\') folder += '\\';
    // A profile whose folder is gone has no hive to search.
    for (const ProfileHive& hive : {ProfileHive{sid, folder + "NTUSER.DAT"},
                                    ProfileHive{sid + kClassesHiveSuffix,
                                                folder + "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"}})
      if (!IsLoaded(hive.name) && fs_.FileExists(hive.file)) hives.push_back(hive);
  }
  return hives;
}

std::vector<std::string> ProfileHives::Load(const std::vector<std::string>* only, std::vector<PassedOver>& failed) {
  std::vector<std::string> loaded;
  for (const ProfileHive& hive : NotLoaded()) {
    if (only && std::none_of(only->begin(), only->end(), [&](const std::string& n) { return EqualFold(n, hive.name); }))
      continue;
    if (const long error = loader_.Load(hive.name, hive.file); error != 0)
      failed.push_back({HiveWhere(hive.name),
                        "the registry of this user, who is not logged on, could not be loaded from " + hive.file +
                            ": " + HiveFailureReason(error)});
    else
      loaded.push_back(hive.name);
  }
  return loaded;
}

std::vector<PassedOver> ProfileHives::Unload(const std::vector<std::string>& names) {
  std::vector<PassedOver> stayed;
  // In the reverse order of their loading.
  for (auto it = names.rbegin(); it != names.rend(); ++it)
    if (const long error = loader_.Unload(*it); error != 0)
      stayed.push_back({HiveWhere(*it), "stays loaded until the next restart: " + HiveFailureReason(error)});
  return stayed;
}
