#pragma once
// The one failure type whose message is shown to the user as it stands
// (in a message box by the window program, on stderr by the console front end).
#include <stdexcept>
#include <string>

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// "Failed to get data for '%s'"-style messages: one %s replaced by the argument.
std::string Format1(const std::string& pattern, const std::string& arg);
