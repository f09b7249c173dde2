#pragma once
// Undo names and list lines as tests write and read them.
#include <string>
#include <vector>

#include "engine/UndoPorts.h"
#include "engine/UndoWords.h"

inline UndoName Entry(const char* text) { return *UndoName::Parse(text); }

// The list's entries in the words the front ends show.
inline std::vector<std::string> ListLines(UndoList& list) {
  std::vector<std::string> lines;
  for (const UndoListEntry& entry : list.Entries()) lines.push_back(UndoListLine(entry));
  return lines;
}
