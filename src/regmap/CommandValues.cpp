#include "regmap/CommandValues.h"

#include <string>
#include <vector>

#include "core/Fold.h"

namespace {
// The key's names, last first.
std::vector<std::string_view> NamesLastFirst(std::string_view keyPath) {
  std::vector<std::string_view> names;
  while (!keyPath.empty()) {
    const std::size_t cut = keyPath.rfind('\\');
    names.push_back(cut == std::string_view::npos ? keyPath : keyPath.substr(cut + 1));
    if (cut == std::string_view::npos) break;
    keyPath = keyPath.substr(0, cut);
  }
  return names;
}

bool Is(const std::vector<std::string_view>& names, std::size_t fromLast, std::string_view name) {
  return fromLast < names.size() && EqualNoCaseAZ(names[fromLast], name);
}
}  // namespace

TextPlace PlaceOfRegistryValue(std::string_view keyPath, std::string_view valueName) {
  const std::vector<std::string_view> names = NamesLastFirst(keyPath);
  const auto named = [&](std::string_view name) { return EqualNoCaseAZ(valueName, name); };
  // A service's program: ...\Services\<service> ImagePath.
  if (Is(names, 1, "Services") && named("ImagePath")) return TextPlace::CommandLine;
  // What starts at logon: ...\CurrentVersion\Run, RunOnce (and the policies' Run).
  for (std::string_view run : {"Run", "RunOnce"})
    if (Is(names, 0, run) && (Is(names, 1, "CurrentVersion") || Is(names, 1, "Explorer")) && !valueName.empty())
      return TextPlace::CommandLine;
  // A verb's command: ...\shell\<verb>\command, its default value.
  if (Is(names, 0, "command") && Is(names, 2, "shell") && valueName.empty()) return TextPlace::CommandLine;
  // An installed program's removal and change commands.
  if (Is(names, 1, "Uninstall") && (named("UninstallString") || named("QuietUninstallString") || named("ModifyPath")))
    return TextPlace::CommandLine;
  // A debugger started in a program's stead.
  if (Is(names, 1, "Image File Execution Options") && named("Debugger")) return TextPlace::CommandLine;
  return TextPlace::Plain;
}
