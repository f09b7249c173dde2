#include "window/ItemInUsePage.h"

ItemInUsePage ItemInUsePageOf(const ItemInUse& inUse) {
  ItemInUsePage page;
  page.heading = "Programs or services run from " + inUse.item;
  for (const std::string& line : InUseLines(inUse)) page.text += line + "\n";
  page.stopShown = inUse.HasRunningServices();
  page.stopEnabled = page.stopShown && inUse.programs.empty();
  page.text += "\nNothing has been moved or changed.  ";
  if (page.stopEnabled)
    page.text += "Stop the services and press Retry, or let Ostrivane stop them for the move.";
  else if (page.stopShown)
    page.text += "Close the programs (Ostrivane never ends them) and stop the services, then press Retry.";
  else
    page.text += "Close the programs (Ostrivane never ends them), then press Retry.";
  return page;
}

InUseAnswer ItemInUseAnswerOf(const ItemInUsePage& page, bool retry, bool stop) {
  if (retry) return InUseAnswer::Retry;
  if (stop && page.stopEnabled) return InUseAnswer::StopServices;
  return InUseAnswer::Cancel;
}
