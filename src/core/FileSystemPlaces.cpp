#include "core/FileSystemPlaces.h"

#include "core/Text.h"

PlaceIs FileSystemPlaces::Look(const std::string& path) {
  if (path.size() < 3 || !IsLetterAZ(path[0]) || path[1] != ':' || path[2] != '\\') return PlaceIs::Unknown;
  const PlaceIs answer = Asked(path);
  // Absent from a drive that is not there tells nothing of the name.
  if (answer == PlaceIs::Absent && Asked(path.substr(0, 3)) != PlaceIs::There) return PlaceIs::Unknown;
  return answer;
}

PlaceIs FileSystemPlaces::Asked(const std::string& path) {
  const auto [it, fresh] = answers_.try_emplace(FoldKey(path), PlaceIs::Unknown);
  if (fresh) {
    const std::optional<bool> there = fs_.Exists(path);
    it->second = !there ? PlaceIs::Unknown : *there ? PlaceIs::There : PlaceIs::Absent;
  }
  return it->second;
}
