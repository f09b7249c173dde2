#pragma once
// The process token's user and the account names of SIDs (advapi32), and the
// process environment's variables.
#include <map>

#include "engine/SearchTexts.h"
#include "regmap/RegistryBackend.h"

class Win32UserAccounts : public UserAccounts {
 public:
  std::string CurrentUserSid() override;
  std::string AccountName(const std::string& sid) override;
};

// Each name is asked once: a registry walk meets the same few thousands of times.
class Win32EnvironmentValues : public EnvironmentValues {
 public:
  std::optional<std::string> Value(const std::string& name) override;

 private:
  std::optional<std::string> Read(const std::string& name);
  std::map<std::string, std::optional<std::string>> known_;  // by FoldKey of the name
};
