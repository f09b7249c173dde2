#include "window/SwitchDrivesPage.h"

#include <cctype>
#include <tuple>
#include <utility>

namespace {
constexpr const char* kEmptyEntry = "You must enter both a first and a second drive letter.";

bool IsLetter(const std::string& s) {
  return s.size() == 1 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}
}  // namespace

Check SwitchDrivesPage::Start() {
  if (firstDrive.empty() || secondDrive.empty())
    return Refusal{kEmptyEntry, "Empty Entry", firstDrive.empty() ? Field::FirstDrive : Field::SecondDrive};
  for (auto [text, field, name] : {std::tuple{&firstDrive, Field::FirstDrive, "first"},
                                   std::tuple{&secondDrive, Field::SecondDrive, "second"}}) {
    if (IsLetter(*text)) {
      *text = std::string(1, char(std::toupper(static_cast<unsigned char>((*text)[0]))));
      continue;
    }
    return Refusal{std::string("The ") + name + " \"Drive Letter\" field holds \"" + *text +
                       "\".  Please type a drive letter from A to Z.",
                   "Drive Letter", field};
  }
  if (firstDrive == secondDrive)
    return Refusal{"Both \"Drive Letter\" fields hold " + firstDrive +
                       ".  Please type two different drive letters in the first and the second field.",
                   "Drive Letter", Field::SecondDrive};
  return std::nullopt;
}

std::string SwitchDrivesPage::MissingDriveQuestion(const std::vector<std::string>& roots) const {
  auto present = [&](const std::string& letter) {
    for (const std::string& root : roots)
      if (!root.empty() && std::toupper(static_cast<unsigned char>(root[0])) == letter[0]) return true;
    return false;
  };
  std::string question;
  for (auto [missing, other] : {std::pair{&secondDrive, &firstDrive}, std::pair{&firstDrive, &secondDrive}}) {
    if (present(*missing)) continue;
    question += (question.empty() ? "" : "\n") + std::string("There is no drive ") + *missing +
                ":.  Every reference to " + *other + ": will then point to a drive that does not exist.";
  }
  return question.empty() ? question : question + "\n\nGo on?";
}
