#pragma once
// Building and removing test trees through the file-system port, so the same
// helpers serve the in-memory file system and a real disk.
#include <string>

#include "core/FileSystem.h"

// Creates (or overwrites) a file with the given bytes, creating its folder.
void WriteTestFile(FileSystem& fs, const std::string& path, const std::string& data);
// Removes a folder and everything below it, read-only entries included.
// Links (reparse points) are removed, never followed.
void RemoveTree(FileSystem& fs, const std::string& folder);
