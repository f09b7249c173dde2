#pragma once
// The process environment's variables.
#include <map>

#include "engine/SearchTexts.h"

// Each name is asked once: a registry walk meets the same few thousands of times.
class Win32EnvironmentValues : public EnvironmentValues {
 public:
  std::optional<std::string> Value(const std::string& name) override;

 private:
  std::optional<std::string> Read(const std::string& name);
  std::map<std::string, std::optional<std::string>> known_;  // by FoldKey of the name
};
