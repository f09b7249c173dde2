#pragma once
// The Explorer verb "Move with Ostrivane..." on folders.
#include <string>

class RegistryBackend;

inline constexpr const char* kVerbKey = "\\Folder\\shell\\Move with Ostrivane...";
inline constexpr const char* kVerbCommandKey = "\\Folder\\shell\\Move with Ostrivane...\\command";
// Where a user without administrator rights keeps the same verb; the shell
// merges it into HKEY_CLASSES_ROOT.
inline constexpr const char* kUserClassesKey = "\\Software\\Classes";

// The verb's command line: the executable and "%1", each quoted.
std::string VerbCommandLine(const std::string& executable);
// Adds (the executable given) or removes the verb "Move with Ostrivane..."
// on folders. Without the right to write machine-wide it is kept for the
// current user instead; removal clears both places. Fails silently: the
// start ends normally either way.
void CreateExplorerLink(RegistryBackend& registry, bool add, const std::string& executable);
