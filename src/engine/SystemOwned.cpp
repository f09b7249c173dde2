#include "engine/SystemOwned.h"

#include "core/Fold.h"

namespace {
constexpr std::string_view kOwnedKeys[] = {
    "HKEY_LOCAL_MACHINE\\SYSTEM\\MountedDevices",
    "HKEY_LOCAL_MACHINE\\BCD00000000",
};
}  // namespace

std::string_view OwnedKeyOf(std::string_view fullKey) {
  for (std::string_view owned : kOwnedKeys) {
    const std::size_t n = FoldPrefixLength(fullKey, owned);
    if (n != kNotFound && (n == fullKey.size() || fullKey[n] == '\\')) return owned;
  }
  return {};
}
