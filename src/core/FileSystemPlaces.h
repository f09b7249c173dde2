#pragma once
// The walks' question "is this place there?" answered by the file system,
// each place asked once per run.
#include <string>
#include <unordered_map>

#include "core/FileSystem.h"
#include "core/Occurrence.h"

class FileSystemPlaces : public PlaceLookup {
 public:
  explicit FileSystemPlaces(FileSystem& fs) : fs_(fs) {}
  // A place on a drive that is not there, or on a network share (which can
  // keep a walk waiting for a server that is gone), is Unknown.
  PlaceIs Look(const std::string& path) override;
  // A new run asks again (places come and go between runs); a run's search
  // and its apply get the same answers.
  void ForRun(unsigned run) {
    if (run != run_) answers_.clear();
    run_ = run;
  }

 private:
  PlaceIs Asked(const std::string& path);
  FileSystem& fs_;
  std::unordered_map<std::string, PlaceIs> answers_;  // by FoldKey
  unsigned run_ = 0;
};
