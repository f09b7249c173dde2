#include "engine/OfflineHives.h"

#include <algorithm>

#include "core/Fold.h"

std::string UserHiveOf(std::string_view key) {
  constexpr std::string_view kUsers = "HKEY_USERS\\";
  if (key.size() <= kUsers.size() || !EqualFold(key.substr(0, kUsers.size()), kUsers)) return {};
  const std::string_view rest = key.substr(kUsers.size());
  return std::string(rest.substr(0, rest.find('\\')));
}

void AddUserHiveOf(std::string_view key, std::vector<std::string>& hives) {
  const std::string hive = UserHiveOf(key);
  if (!hive.empty() && std::none_of(hives.begin(), hives.end(), [&](const std::string& h) { return EqualFold(h, hive); }))
    hives.push_back(hive);
}
