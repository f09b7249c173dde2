#pragma once
// A move to another volume made as a copy and a delete, file by file: each
// file is copied under a temporary name beside its destination, flushed, and
// only then takes its final name, so that a kill leaves no part copy under
// a name it was to have (the undo removes the temporary ones). The originals
// are deleted once all of the item has arrived.
#include <string>

// Whether the two paths (existing) lie on different volumes.
bool OnOtherVolume(const std::string& source, const std::string& targetFolder);

// Moves source (a file or a folder) into targetFolder. 0 on success, else
// the platform's error; what arrived before a failure stays, the original
// whole at its place.
unsigned long MoveAcrossVolumes(const std::string& source, const std::string& targetFolder);
