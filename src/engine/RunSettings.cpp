#include "engine/RunSettings.h"

#include "core/Error.h"

int RunChoices::SelectedDriveCount() const {
  int n = 0;
  for (const DriveRow& d : drives) n += d.selected ? 1 : 0;
  return n;
}

RunSettings::RunSettings(RunChoices choices) : RunChoices(std::move(choices)) {
  if (const std::optional<EngineRefusal> refusal = RequestRefusal(request)) throw Refused(*refusal);
}

RunSettings RunSettings::AsGiven(RunChoices choices) { return RunSettings(std::move(choices), Unchecked{}); }

RunSettings RunSettings::WithDriveAlone(int drive) const {
  RunChoices lane = *this;
  for (int i = 0; i < int(lane.drives.size()); ++i) lane.drives[i].selected = i == drive;
  return RunSettings(std::move(lane), Unchecked{});
}
