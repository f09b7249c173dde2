#pragma once
// What a run was asked to do: the mode and the two texts. What came of it is
// in its findings (Findings.h).
#include <optional>
#include <string>

#include "engine/Refusal.h"

// What the user chose on the front page (or the console command).
enum class RunMode { MoveAndMap, SwitchDrives, MapOnly };

struct MappingRequest {
  std::string FindText;
  std::string ReplaceText;
  bool Substring = false;  // match a path as plain text, also inside longer names
  RunMode Mode = RunMode::MapOnly;
};

// Why the request must not run at all, none when it may: the same text to find
// and to put in its place changes nothing but would still count and back up
// every match; an item moved to where it is, or into itself, cannot go.
std::optional<EngineRefusal> RequestRefusal(const MappingRequest& request);

// Where `path` will be once `from` is moved to `to`: paths inside it (or it
// itself) follow, in any case of letters; others stay.
std::string PathAfterMove(const std::string& path, const std::string& from, const std::string& to);
