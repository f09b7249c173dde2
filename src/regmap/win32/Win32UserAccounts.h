#pragma once
// The process token's user and the account names of SIDs (advapi32), and the
// process environment's variables.
#include "engine/SearchTexts.h"
#include "regmap/RegistryBackend.h"

class Win32UserAccounts : public UserAccounts {
 public:
  std::string CurrentUserSid() override;
  std::string AccountName(const std::string& sid) override;
};

class Win32EnvironmentValues : public EnvironmentValues {
 public:
  std::optional<std::string> Value(const std::string& name) override;
};
