#include "window/RightsWarningPage.h"

RightsWarningPage RightsWarningPageOf(const RightsCheck& check) {
  RightsWarningPage page;
  page.text = RightsWarningText(check);
  page.continueEnabled = !check.recordsBlocked;
  return page;
}
