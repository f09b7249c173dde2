#include "engine/MappingRequest.h"

#include "core/Ui.h"

bool RunContext::PumpCancelled() {
  if (ui) ui->Pump();
  return request.Cancelled;
}

int RunContext::SelectedDriveCount() const {
  int n = 0;
  for (const DriveRow& d : drives) n += d.selected ? 1 : 0;
  return n;
}
