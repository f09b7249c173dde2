#include "engine/InterruptedReplacements.h"

#include <map>

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/PathText.h"
#include "core/Text.h"
#include "engine/WrittenRecord.h"

namespace {
bool HoldsWhatWasWritten(FileSystem& fs, const std::string& temp, const FileWrite& w) {
  if (w.sha256.empty()) return false;
  try {
    return w.Holds(fs.ReadWhole(temp));
  } catch (const Error&) {
    return false;
  }
}
}  // namespace

std::vector<std::string> SettleInterruptedReplacements(FileSystem& fs, const std::string& record,
                                                       const std::string& entry) {
  std::vector<std::string> said;
  WrittenPlaces places;
  try {
    if (!fs.FileExists(record)) return said;
    places = ReadWrittenRecord(fs.ReadWhole(record));
  } catch (const Error&) {
    return said;  // an unreadable record names nothing to settle
  }
  // A temporary file's name does not say which file of its folder it was
  // for: the folder is settled as one.
  std::map<std::string, std::vector<const FileWrite*>> byFolder;
  for (const auto& [key, w] : places.files) byFolder[FoldKey(SplitItemPath(w.path).folder)].push_back(&w);
  for (const auto& [key, writes] : byFolder) {
    const std::string folder = AddSlash(SplitItemPath(writes.front()->path).folder);
    for (const DirEntry& e : fs.ListFolder(folder + std::string(kReplaceTempPrefix) + "*")) {
      if (e.IsFolder() || !IsReplaceTempName(e.name)) continue;
      const std::string temp = folder + e.name;
      for (const FileWrite* w : writes)
        if (!fs.AttributesOf(w->path) && HoldsWhatWasWritten(fs, temp, *w)) {
          try {
            fs.ReplaceWhole(w->path, fs.ReadWhole(temp));
            said.push_back("The replacement of " + w->path + " that " + entry +
                           " was making when it stopped was finished.");
          } catch (const Error& failure) {
            said.push_back(w->path + " is missing and could not be given its new content from " + temp + ": " +
                           failure.what());
          }
          break;
        }
      // Beside a file that is still missing, it may be that file's only trace.
      bool fileMissing = false;
      for (const FileWrite* w : writes) fileMissing |= !fs.AttributesOf(w->path);
      if (!fileMissing && fs.Remove(temp))
        said.push_back(temp + ", a temporary file left by " + entry + " when it stopped, was removed.");
    }
  }
  return said;
}
