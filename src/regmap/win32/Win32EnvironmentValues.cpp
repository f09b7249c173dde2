#include "regmap/win32/Win32EnvironmentValues.h"

#include "core/Text.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

std::optional<std::string> Win32EnvironmentValues::Value(const std::string& name) {
  const std::string key = FoldKey(name);
  const auto it = known_.find(key);
  if (it != known_.end()) return it->second;
  return known_[key] = Read(name);
}

std::optional<std::string> Win32EnvironmentValues::Read(const std::string& name) {
  const std::wstring wide = WideText(name);
  SetLastError(ERROR_SUCCESS);
  DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  // Another thread may have made it longer in between: asked again.
  for (;;) {
    const DWORD m = GetEnvironmentVariableW(wide.c_str(), value.data(), DWORD(value.size()));
    if (m == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (m < value.size()) {
      value.resize(m);
      return Utf8Text(value);
    }
    value.assign(m, L'\0');
  }
}
