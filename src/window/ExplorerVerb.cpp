#include "window/ExplorerVerb.h"

#include "core/Error.h"
#include "regmap/NTReg.h"

namespace {
// Writes the verb below prefix; false (and nothing left behind) when the
// place refuses it.
bool WriteVerb(RegistryBackend& backend, RegRoot root, const std::string& prefix, const std::string& executable) {
  RegistryCursor reg(backend, root);
  try {
    reg.CreateRegPath(prefix + kVerbCommandKey);
    reg.WriteTextValue("", VerbCommandLine(executable));
    return true;
  } catch (const Error&) {
    reg.CloseKey();
  }
  try {
    reg.DeleteRegKey(prefix + kVerbKey);
  } catch (const Error&) {
  }
  return false;
}

void RemoveVerb(RegistryBackend& backend, RegRoot root, const std::string& prefix) {
  RegistryCursor reg(backend, root);
  try {
    reg.DeleteRegKey(prefix + kVerbKey);
  } catch (const Error&) {
    // No right to remove it here: nothing to report.
  }
}
}  // namespace

std::string VerbCommandLine(const std::string& executable) { return "\"" + executable + "\" \"%1\""; }

void CreateExplorerLink(RegistryBackend& registry, bool add, const std::string& executable) {
  if (!add) {
    RemoveVerb(registry, RegRoot::ClassesRoot, "");
    RemoveVerb(registry, RegRoot::CurrentUser, kUserClassesKey);
    return;
  }
  if (WriteVerb(registry, RegRoot::ClassesRoot, "", executable)) {
    // A per-user verb left from an earlier start would hide this one in the
    // merged view.
    RemoveVerb(registry, RegRoot::CurrentUser, kUserClassesKey);
    return;
  }
  WriteVerb(registry, RegRoot::CurrentUser, kUserClassesKey, executable);
}
