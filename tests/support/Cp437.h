#pragma once
// The US OEM code page, portable: the names of ZIP entries written without
// the UTF-8 flag, as the system's OEM code page holds them here.
#include "support/TableCodePage.h"

class Cp437 : public TableCodePage {
 public:
  Cp437();
};
