#include "wiring/RecordsPlace.h"

#include "core/Text.h"

RecordsPlace ChooseRecordsPlace(RecordsPlatform& platform) {
  RecordsPlace place;
  const std::string program = AddSlash(platform.ProgramFolder());
  const std::optional<std::string> installedAt = platform.InstalledFolder();
  place.installed = installedAt && !installedAt->empty() && EqualFold(AddSlash(*installedAt), program);
  const bool elevated = platform.Elevated();
  if (!place.installed) {
    place.folder = program;
  } else {
    place.folder = AddSlash(platform.MachineDataFolder());
    // Only an administrator makes it: a folder a user made is the user's
    // to change, and an elevated run would then refuse it.
    if (elevated && !platform.FolderExists(place.folder) && !platform.GuardFolder(place.folder))
      place.refusal = EngineRefusal{RefusalReason::RecordsFolderNotMade, RemoveSlash(place.folder), ""};
    if (platform.HoldsRecords(program)) place.earlier.push_back(program);
  }
  if (!elevated || place.refusal) return place;

  if (platform.FolderExists(place.folder) && platform.OthersMayChange(place.folder)) {
    // An empty data folder (the package makes it with the access of its
    // parent) holds nothing anyone slipped in: it is safe to guard it now.
    const bool guarded = place.installed && !platform.HoldsRecords(place.folder) &&
                         platform.GuardFolder(place.folder) && !platform.OthersMayChange(place.folder);
    if (!guarded)
      place.refusal = EngineRefusal{
          place.installed ? RefusalReason::RecordsOpenToOthers : RefusalReason::RecordsCopyOpenToOthers,
          RemoveSlash(place.folder), ""};
  }
  std::vector<std::string> kept;
  for (const std::string& folder : place.earlier) {
    if (platform.OthersMayChange(folder))
      place.notes.push_back("The undo records in " + RemoveSlash(folder) +
                            " are not listed: other users can change that folder.");
    else
      kept.push_back(folder);
  }
  place.earlier = kept;
  return place;
}
