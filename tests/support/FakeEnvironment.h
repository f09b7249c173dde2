#pragma once
// Environment variables from a table, names across case as the system takes them.
#include <map>
#include <optional>
#include <string>

#include "core/Text.h"
#include "engine/SearchTexts.h"

struct FakeEnvironment : EnvironmentValues {
  std::map<std::string, std::string> values;  // by FoldKey of the name
  FakeEnvironment(std::initializer_list<std::pair<const std::string, std::string>> init) {
    for (const auto& [name, value] : init) values[FoldKey(name)] = value;
  }
  std::optional<std::string> Value(const std::string& name) override {
    const auto it = values.find(FoldKey(name));
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};
