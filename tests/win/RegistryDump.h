#pragma once
// Registry keys and folders of end-to-end tests, read and written through the
// wide functions, and dumped byte for byte to compare states.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/FileSystem.h"
#include "core/Unicode.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

// A value as the registry stores it: its type and its data's own bytes.
struct StoredValue {
  DWORD type = 0;
  std::string bytes;
  bool operator==(const StoredValue&) const = default;
};

// A string value's text, up to its first terminator.
inline std::string StoredText(const StoredValue& v) {
  std::wstring w(reinterpret_cast<const wchar_t*>(v.bytes.data()), v.bytes.size() / 2);
  return Utf8Text(w.substr(0, w.find(L'\0')));
}
inline void PrintTo(const StoredValue& v, std::ostream* os) {
  *os << "type " << v.type << " \"" << StoredText(v) << "\" (" << v.bytes.size() << " bytes)";
}

// Every value of one key by its name exactly as the registry holds it;
// empty when the key is not there.
inline std::map<std::wstring, StoredValue> StoredValues(HKEY root, const std::string& path) {
  std::map<std::wstring, StoredValue> values;
  HKEY h;
  if (RegOpenKeyExW(root, WideText(path).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return values;
  std::vector<wchar_t> name(16384);
  std::string data(1 << 16, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = DWORD(name.size()), dataLen = DWORD(data.size()), type = 0;
    if (RegEnumValueW(h, i, name.data(), &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataLen) !=
        ERROR_SUCCESS)
      break;
    values[std::wstring(name.data(), nameLen)] = {type, data.substr(0, dataLen)};
  }
  RegCloseKey(h);
  return values;
}

// The key and everything below it: names as the registry holds them (UTF-16,
// shown as UTF-8 without loss), types, and the data's own bytes (texts of
// whole UTF-16 units shown as UTF-8, which keeps every unit).
inline void DumpRegistryKey(HKEY root, const std::string& path, std::string& out) {
  HKEY h;
  if (RegOpenKeyExW(root, WideText(path).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return;
  out += "[" + path + "]\n";
  std::map<std::string, std::string> values;
  for (const auto& [name, v] : StoredValues(root, path)) {
    std::string shown = std::to_string(v.type) + ":";
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && v.bytes.size() % 2 == 0)
      shown += Utf8FromUtf16LeBytes(v.bytes);  // exact: lone surrogates survive
    else
      shown += std::to_string(v.bytes.size()) + ":" + v.bytes;
    values[Utf8Text(name)] = shown;
  }
  std::vector<std::string> subkeys;
  std::vector<wchar_t> name(256);
  for (DWORD i = 0;; ++i) {
    DWORD len = DWORD(name.size());
    if (RegEnumKeyExW(h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(Utf8Text(std::wstring_view(name.data(), len)));
  }
  RegCloseKey(h);
  for (const auto& [n, v] : values) out += "  \"" + n + "\"=" + v + "\n";
  for (const std::string& s : subkeys) DumpRegistryKey(root, path + "\\" + s, out);
}

// A string value of any string type; NULs inside the text stay (REG_MULTI_SZ).
inline void SetRegistryText(HKEY root, const std::string& key, const std::string& name, DWORD type,
                            const std::string& text) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(root, WideText(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS)
      << key;
  const std::wstring data = WideText(text);
  ASSERT_EQ(RegSetValueExW(h, WideText(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                           DWORD((data.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(h);
}

// The text of a value up to its first NUL, variables left as they stand; "<none>" when absent.
inline std::string RegistryText(HKEY root, const std::string& key, const std::string& name) {
  std::wstring buf(4096, L'\0');
  DWORD size = DWORD(buf.size() * sizeof(wchar_t));
  if (RegGetValueW(root, WideText(key).c_str(), WideText(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                   buf.data(), &size) != ERROR_SUCCESS)
    return "<none>";
  return Utf8Text(buf.c_str());
}

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t p = 0; (p = text.find(from, p)) != std::string::npos; p += to.size())
    text.replace(p, from.size(), to);
  return text;
}

// Every file and folder below the folder with its attributes and bytes.
inline std::string FilesBelow(FileSystem& fs, const std::string& folder) {
  std::string out;
  for (const DirEntry& e : fs.ListFolder(folder + "\\*")) {
    if (e.name == "." || e.name == "..") continue;
    const std::string p = folder + "\\" + e.name;
    out += p + " [" + std::to_string(e.attributes) + "]";
    out += e.IsFolder() ? "\n" + FilesBelow(fs, p) : " " + fs.ReadWhole(p) + "\n";
  }
  return out;
}
