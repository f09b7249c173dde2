#pragma once
// The Switch Drives page: the two drive letters to exchange.
#include <string>

#include "window/PageParts.h"

struct SwitchDrivesPage {
  std::string firstDrive = "C", secondDrive = "D";

  // The start button's check: two different letters A to Z, made upper case.
  Check Start();
  std::string FindText() const { return firstDrive + ":\\"; }
  std::string ReplaceText() const { return secondDrive + ":\\"; }
};
