#pragma once
// What a file keeps when a new file takes its name: its attributes, creation
// time, owner, group, access list (explicit entries and whether it inherits)
// and alternate data streams. All of it is carried onto the new file before
// the one rename that puts it in place, so that the rename alone decides
// which file the name shows, whenever a crash comes.
#include <string>

// Carries what `from` keeps onto `to` (both existing files on one volume).
// False, with the platform's error as the last error, when any part cannot
// be carried (no right to set the owner, streams that cannot be listed on a
// volume that has them): the caller must then not put `to` in place, since
// the file would silently lose what it had.
bool CarryOverKeptParts(const std::wstring& from, const std::wstring& to);
