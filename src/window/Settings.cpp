#include "window/Settings.h"

#include <algorithm>

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Ini.h"
#include "engine/FolderPool.h"

namespace {
constexpr const char* kUndoSection = "Undo List";
constexpr const char* kStartSection = "Start";
constexpr const char* kTargetsSection = "Targets";
constexpr const char* kProgressSection = "Progress";
constexpr const char* kItemKeys[3] = {"MoveAndMapItems", "SwitchDrivesItems", "MapOnlyItems"};
constexpr const char* kReviewSection = "Show Changes First";
constexpr const char* kWindowSection = "Window";
constexpr const char* kSearchSection = "Search";
constexpr const char* kModeKeys[3] = {"MoveAndMap", "SwitchDrives", "MapOnly"};

// The file as it stands; an unreadable one counts as empty, so a damaged
// file never keeps the program from starting or closing.
IniText Load(FileSystem& fs, const std::string& path) {
  if (!fs.FileExists(path)) return IniText();
  try {
    return IniText(fs.ReadWhole(path));
  } catch (const Error&) {
    return IniText();
  }
}
}  // namespace

Settings ReadSettings(FileSystem& fs, const std::string& programFolder) {
  const IniText ini = Load(fs, programFolder + kSettingsFileName);
  Settings s;
  s.DeleteOlderThan = ini.ReadInteger(kUndoSection, "DeleteOlderThan", 1);
  if (s.DeleteOlderThan < 0 || s.DeleteOlderThan > 3) s.DeleteOlderThan = -1;
  s.SkipStartPage = ini.ReadInteger(kStartSection, "SkipStartPage", 0) == 1;
  // Only an explicit 0 turns the target off: it is on for a file of an
  // earlier build, which has no such key.
  s.ConfigurationFiles = ini.ReadInteger(kTargetsSection, "ConfigurationFiles", 1) != 0;
  for (int i = 0; i < 3; ++i) s.ItemsOfLastRun[i] = std::max(0, ini.ReadInteger(kProgressSection, kItemKeys[i], 0));
  // A missing or malformed key keeps the mode's default.
  for (int i = 0; i < 3; ++i) {
    const int on = ini.ReadInteger(kReviewSection, kModeKeys[i], -1);
    if (on == 0 || on == 1) s.ShowChangesFirst[i] = on == 1;
  }
  // A size no screen has is taken as none.
  const auto size = [&ini](const char* key) {
    const int v = ini.ReadInteger(kWindowSection, key, 0);
    return v > 0 && v < 20000 ? v : 0;
  };
  s.Window = {size("Width"), size("Height"), size("ListWidth"), size("ListHeight"),
              ini.ReadInteger(kWindowSection, "Maximised", 0) == 1};
  // A number no pool takes is the default.
  const int threads = ini.ReadInteger(kSearchSection, "WalkThreads", 0);
  s.WalkThreads = threads >= 1 && threads <= kMaxWalkThreads ? threads : 0;
  return s;
}

int ModeIndex(RunMode mode) { return mode == RunMode::MoveAndMap ? 0 : mode == RunMode::SwitchDrives ? 1 : 2; }

void WriteSettings(FileSystem& fs, const std::string& programFolder, const Settings& settings) {
  const std::string path = programFolder + kSettingsFileName;
  IniText ini = Load(fs, path);
  ini.Write(kUndoSection, "DeleteOlderThan", std::to_string(settings.DeleteOlderThan));
  ini.Write(kStartSection, "SkipStartPage", settings.SkipStartPage ? "1" : "0");
  ini.Write(kTargetsSection, "ConfigurationFiles", settings.ConfigurationFiles ? "1" : "0");
  for (int i = 0; i < 3; ++i) ini.Write(kReviewSection, kModeKeys[i], settings.ShowChangesFirst[i] ? "1" : "0");
  // Only a measure there is: a file that never saw a run stays as it was.
  for (int i = 0; i < 3; ++i)
    if (settings.ItemsOfLastRun[i] > 0) ini.Write(kProgressSection, kItemKeys[i], std::to_string(settings.ItemsOfLastRun[i]));
  const WindowSize& w = settings.Window;
  if (w.width > 0 && w.height > 0) {
    ini.Write(kWindowSection, "Width", std::to_string(w.width));
    ini.Write(kWindowSection, "Height", std::to_string(w.height));
  }
  if (w.listWidth > 0 && w.listHeight > 0) {
    ini.Write(kWindowSection, "ListWidth", std::to_string(w.listWidth));
    ini.Write(kWindowSection, "ListHeight", std::to_string(w.listHeight));
  }
  // A file whose window was never sized or maximised stays as it was.
  if (w.maximised || w.width > 0 || w.listWidth > 0) ini.Write(kWindowSection, "Maximised", w.maximised ? "1" : "0");
  try {
    fs.ReplaceWhole(path, ini.Save());
  } catch (const Error&) {
    throw Error(Format1("Cannot create file %s", path));
  }
}
