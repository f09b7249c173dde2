#include "wiring/RecordsPlace.h"

#include "core/Text.h"

namespace {
std::string OthersMayChangeText(const std::string& folder) {
  return "Ostrivane runs with administrator rights and will not use the undo records in " + RemoveSlash(folder) +
         ": other users can change that folder, so a record placed there could make Ostrivane move, restore or "
         "delete what they chose.";
}
}  // namespace

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
      place.refusal = "The undo records folder " + RemoveSlash(place.folder) + " cannot be created.";
    if (platform.HoldsRecords(program)) place.earlier.push_back(program);
  }
  if (!elevated || !place.refusal.empty()) return place;

  if (platform.FolderExists(place.folder) && platform.OthersMayChange(place.folder)) {
    // An empty data folder (the package makes it with the access of its
    // parent) holds nothing anyone slipped in: it is safe to guard it now.
    const bool guarded = place.installed && !platform.HoldsRecords(place.folder) &&
                         platform.GuardFolder(place.folder) && !platform.OthersMayChange(place.folder);
    if (!guarded)
      place.refusal = OthersMayChangeText(place.folder) +
                      (place.installed ? " Let only Administrators and SYSTEM change it."
                                       : " Run this copy from a folder that only administrators can change, or "
                                         "without administrator rights.");
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
