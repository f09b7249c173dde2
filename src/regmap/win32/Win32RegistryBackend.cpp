#include "regmap/win32/Win32RegistryBackend.h"

#include <algorithm>

#include "core/Unicode.h"
#include "core/win32/Owned.h"
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

std::wstring Wide(const std::string& utf8) {
  const std::u16string u = Utf16FromUtf8(utf8);
  return std::wstring(u.begin(), u.end());
}
WCHAR* W(std::u16string& s) { return reinterpret_cast<WCHAR*>(s.data()); }

// The longest names and data of a key, in characters (names, without their
// NUL) and bytes, for sizing the listing buffers.
struct Longest {
  DWORD subkeyName = 0, valueName = 0, data = 0;
};
bool QueryLongest(HKEY key, Longest& l) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &l.subkeyName, nullptr, nullptr, &l.valueName,
                          &l.data, nullptr, nullptr) == ERROR_SUCCESS;
}

// Key names are at most 255 characters; value names are usually short.
constexpr std::size_t kFirstKeyName = 256;
constexpr std::size_t kFirstValueName = 1024;
constexpr std::size_t kFirstData = 4096;
// A key whose content keeps growing while it is listed stops the retries.
constexpr int kMaxRetries = 8;
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
  const LONG rc = RegOpenKeyExW(H(parent), Wide(subKey).c_str(), 0, access, &key);
  if (rc == ERROR_SUCCESS) out = K(key);
  return rc;
}

long Win32RegistryBackend::OpenKeyItself(RegKey parent, const std::string& subKey, std::uint32_t access,
                                         RegKey& out) {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExW(H(parent), Wide(subKey).c_str(), REG_OPTION_OPEN_LINK, access, &key);
  if (rc == ERROR_SUCCESS) out = K(key);
  return rc;
}

long Win32RegistryBackend::CreateKey(RegKey parent, const std::string& subKey, std::uint32_t options,
                                     std::uint32_t access, RegKey& out) {
  HKEY key = nullptr;
  const LONG rc =
      RegCreateKeyExW(H(parent), Wide(subKey).c_str(), 0, nullptr, options, access, nullptr, &key, nullptr);
  if (rc == ERROR_SUCCESS) out = K(key);
  return rc;
}

void Win32RegistryBackend::CloseKey(RegKey key) {
  // Adopted and closed at once; the predefined roots are never closed.
  if (key && !IsPredefined(key)) OwnedKey(H(key)).Close();
}

long Win32RegistryBackend::QueryInfoKey(RegKey key, RegKeyInfo& info) {
  DWORD subkeys = 0, values = 0;
  const LONG rc = RegQueryInfoKeyW(H(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) {
    info.subkeys = subkeys;
    info.values = values;
  }
  return rc;
}

long Win32RegistryBackend::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  if (keyNameBuf_.size() < kFirstKeyName) keyNameBuf_.resize(kFirstKeyName);
  for (int tries = 0;; ++tries) {
    DWORD len = DWORD(keyNameBuf_.size());
    const LONG rc = RegEnumKeyExW(H(key), index, W(keyNameBuf_), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA && tries < kMaxRetries) {
      Longest l;
      const std::size_t want = QueryLongest(H(key), l) ? std::size_t(l.subkeyName) + 1 : 0;
      keyNameBuf_.resize(std::max(want, keyNameBuf_.size() * 2));
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    name = Utf8FromUtf16(std::u16string_view(keyNameBuf_.data(), len));
    return rc;
  }
}

long Win32RegistryBackend::EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                                     std::string* data) {
  if (valueNameBuf_.size() < kFirstValueName) valueNameBuf_.resize(kFirstValueName);
  if (dataBuf_.size() < kFirstData) dataBuf_.resize(kFirstData);
  for (int tries = 0;; ++tries) {
    DWORD nameLen = DWORD(valueNameBuf_.size());
    DWORD dataLen = DWORD(dataBuf_.size());
    DWORD t = 0;
    const LONG rc = RegEnumValueW(H(key), index, W(valueNameBuf_), &nameLen, nullptr, &t,
                                  data ? reinterpret_cast<BYTE*>(dataBuf_.data()) : nullptr, data ? &dataLen : nullptr);
    if (rc == ERROR_MORE_DATA && tries < kMaxRetries) {
      // The name or the data did not fit: room for the longest of the key.
      Longest l;
      if (QueryLongest(H(key), l)) {
        if (valueNameBuf_.size() <= l.valueName) valueNameBuf_.resize(std::size_t(l.valueName) + 1);
        if (dataBuf_.size() < l.data) dataBuf_.resize(l.data);
      }
      if (data && dataLen > dataBuf_.size()) dataBuf_.resize(dataLen);
      if (tries > 0) {  // the key changed in between: grow both
        valueNameBuf_.resize(valueNameBuf_.size() * 2);
        dataBuf_.resize(dataBuf_.size() * 2);
      }
      continue;
    }
    if (rc != ERROR_SUCCESS) return rc;
    name = Utf8FromUtf16(std::u16string_view(valueNameBuf_.data(), nameLen));
    if (type) *type = t;
    if (data) data->assign(dataBuf_.data(), dataLen);
    return rc;
  }
}

long Win32RegistryBackend::QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                                      std::string* data) {
  const std::wstring wideName = Wide(name);
  for (int tries = 0;; ++tries) {
    DWORD t = 0, len = 0;
    LONG rc = RegQueryValueExW(H(key), wideName.c_str(), nullptr, &t, nullptr, &len);
    if (rc != ERROR_SUCCESS) return rc;
    type = t;
    size = len;
    if (!data) return rc;
    data->assign(len, '\0');
    DWORD got = len;
    rc = RegQueryValueExW(H(key), wideName.c_str(), nullptr, &t, len ? reinterpret_cast<BYTE*>(data->data()) : nullptr,
                          &got);
    if (rc == ERROR_MORE_DATA && tries < kMaxRetries) continue;  // grew in between
    if (rc != ERROR_SUCCESS) return rc;
    type = t;
    size = got;
    data->resize(got);
    return rc;
  }
}

long Win32RegistryBackend::SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) {
  return RegSetValueExW(H(key), Wide(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        DWORD(data.size()));
}

long Win32RegistryBackend::DeleteValue(RegKey key, const std::string& name) {
  return RegDeleteValueW(H(key), Wide(name).c_str());
}

long Win32RegistryBackend::DeleteKey(RegKey parent, const std::string& subKey) {
  // RegDeleteKeyW follows a link and would delete its target (or fail on
  // it); the link itself is opened and deleted through ntdll instead.
  using DeleteKeyCall = LONG(WINAPI*)(HANDLE);
  static const auto ntDeleteKey =
      reinterpret_cast<DeleteKeyCall>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  if (!ntDeleteKey) return RegDeleteKeyW(H(parent), Wide(subKey).c_str());
  OwnedKey key;
  const LONG rc = RegOpenKeyExW(H(parent), Wide(subKey).c_str(), REG_OPTION_OPEN_LINK, DELETE, key.out());
  if (rc != ERROR_SUCCESS) return rc;
  const LONG status = ntDeleteKey(key.get());
  key.Close();
  if (status == 0) return ERROR_SUCCESS;
  // A key with subkeys (STATUS_CANNOT_DELETE) is refused as RegDeleteKeyW refuses it.
  using StatusToError = ULONG(WINAPI*)(LONG);
  static const auto toError = reinterpret_cast<StatusToError>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
  return toError ? LONG(toError(status)) : ERROR_ACCESS_DENIED;
}
