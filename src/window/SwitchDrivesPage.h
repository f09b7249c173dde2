#pragma once
// The Switch Drives page: the two drive letters to exchange.
#include <string>
#include <vector>

#include "window/PageParts.h"

struct SwitchDrivesPage {
  std::string firstDrive = "C", secondDrive = "D";

  // The start button's check: two different letters A to Z, made upper case.
  Check Start();
  // After Start: the question to ask when a letter names no drive of `roots`
  // (each "X:\\"), since every reference to the other letter would then
  // point nowhere; empty when both are there.
  std::string MissingDriveQuestion(const std::vector<std::string>& roots) const;
  std::string FindText() const { return firstDrive + ":\\"; }
  std::string ReplaceText() const { return secondDrive + ":\\"; }
};
