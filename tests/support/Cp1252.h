#pragma once
// The Western ANSI code page, portable, for tests of code that reads and
// writes legacy text through the CodePage port.
#include "support/TableCodePage.h"

class Cp1252 : public TableCodePage {
 public:
  Cp1252();
};
