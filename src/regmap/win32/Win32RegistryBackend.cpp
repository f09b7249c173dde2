#include "regmap/win32/Win32RegistryBackend.h"

#include "core/win32/WinApi.h"

namespace {
HKEY H(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey K(HKEY key) { return reinterpret_cast<RegKey>(key); }
bool IsPredefined(RegKey key) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
                    HKEY_CURRENT_CONFIG, HKEY_DYN_DATA})
    if (H(key) == root) return true;
  return false;
}
// Key names are at most 255 characters, value names at most 16,383.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;
}  // namespace

RegKey Win32RegistryBackend::RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot: return K(HKEY_CLASSES_ROOT);
    case RegRoot::CurrentUser: return K(HKEY_CURRENT_USER);
    case RegRoot::LocalMachine: return K(HKEY_LOCAL_MACHINE);
    case RegRoot::Users: return K(HKEY_USERS);
    case RegRoot::PerformanceData: return K(HKEY_PERFORMANCE_DATA);
    case RegRoot::CurrentConfig: return K(HKEY_CURRENT_CONFIG);
    case RegRoot::DynData: return K(HKEY_DYN_DATA);
  }
  return 0;
}

long Win32RegistryBackend::OpenKey(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(H(parent), subKey.c_str(), 0, access, &key);
  if (rc == ERROR_SUCCESS) out = K(key);
  return rc;
}

long Win32RegistryBackend::CreateKey(RegKey parent, const std::string& subKey, std::uint32_t options,
                                     std::uint32_t access, RegKey& out) {
  HKEY key = nullptr;
  const LONG rc = RegCreateKeyExA(H(parent), subKey.c_str(), 0, nullptr, options, access, nullptr, &key, nullptr);
  if (rc == ERROR_SUCCESS) out = K(key);
  return rc;
}

void Win32RegistryBackend::CloseKey(RegKey key) {
  if (key && !IsPredefined(key)) RegCloseKey(H(key));
}

long Win32RegistryBackend::QueryInfoKey(RegKey key, RegKeyInfo& info) {
  DWORD subkeys = 0, values = 0;
  const LONG rc = RegQueryInfoKeyA(H(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) {
    info.subkeys = subkeys;
    info.values = values;
  }
  return rc;
}

long Win32RegistryBackend::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  char buf[kMaxKeyName];
  DWORD len = kMaxKeyName;
  const LONG rc = RegEnumKeyExA(H(key), index, buf, &len, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) name.assign(buf, len);
  return rc;
}

long Win32RegistryBackend::EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                                     std::string* data) {
  if (nameBuf_.size() < kMaxValueName) nameBuf_.resize(kMaxValueName);
  if (dataBuf_.empty()) dataBuf_.resize(4096);
  for (;;) {
    DWORD nameLen = DWORD(nameBuf_.size());
    DWORD dataLen = DWORD(dataBuf_.size());
    DWORD t = 0;
    const LONG rc = RegEnumValueA(H(key), index, nameBuf_.data(), &nameLen, nullptr, &t,
                                  data ? reinterpret_cast<BYTE*>(dataBuf_.data()) : nullptr, data ? &dataLen : nullptr);
    if (rc == ERROR_MORE_DATA && data && dataLen > dataBuf_.size()) {
      dataBuf_.resize(dataLen);  // larger than the buffer: once more with room for it
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    name.assign(nameBuf_.data(), nameLen);
    if (type) *type = t;
    if (data) data->assign(dataBuf_.data(), dataLen);
    return rc;
  }
}

long Win32RegistryBackend::QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                                      std::string* data) {
  for (;;) {
    DWORD t = 0, len = 0;
    LONG rc = RegQueryValueExA(H(key), name.c_str(), nullptr, &t, nullptr, &len);
    if (rc != ERROR_SUCCESS) return rc;
    type = t;
    size = len;
    if (!data) return rc;
    data->assign(len, '\0');
    DWORD got = len;
    rc = RegQueryValueExA(H(key), name.c_str(), nullptr, &t, len ? reinterpret_cast<BYTE*>(data->data()) : nullptr,
                          &got);
    if (rc == ERROR_MORE_DATA) continue;  // grew in between
    if (rc != ERROR_SUCCESS) return rc;
    type = t;
    size = got;
    data->resize(got);
    return rc;
  }
}

long Win32RegistryBackend::SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) {
  return RegSetValueExA(H(key), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
}

long Win32RegistryBackend::DeleteValue(RegKey key, const std::string& name) {
  return RegDeleteValueA(H(key), name.c_str());
}

long Win32RegistryBackend::DeleteKey(RegKey parent, const std::string& subKey) {
  return RegDeleteKeyA(H(parent), subKey.c_str());
}
