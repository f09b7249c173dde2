#pragma once
// The process token's user and the account names of SIDs (advapi32).
#include "regmap/RegistryBackend.h"

class Win32UserAccounts : public UserAccounts {
 public:
  std::string CurrentUserSid() override;
  std::string AccountName(const std::string& sid) override;
};
