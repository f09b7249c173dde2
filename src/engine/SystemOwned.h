#pragma once
// What Windows keeps as identity, not as a reference to a place: the mount
// manager's database of drive letters (renaming "\DosDevices\E:" there
// re-letters a volume at the next start) and the boot configuration store.
// No run and no preview changes them, whatever they hold; a run names each
// once with how many of its places hold what it looks for.
#include <string_view>

inline constexpr const char* kOwnedByWindows = "left: owned by Windows";

// The owned key `fullKey` ("HKEY_LOCAL_MACHINE\SYSTEM\MountedDevices\...")
// lies in, as the list names it; empty when it lies in none.
std::string_view OwnedKeyOf(std::string_view fullKey);
