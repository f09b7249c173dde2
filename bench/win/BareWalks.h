#pragma once
// The floors the timings compare the walks with: the same traversals made
// through the wide functions themselves, converting nothing.
#include "core/win32/WinApi.h"

#include <string>
#include <string_view>
#include <vector>

// The bare enumeration goes through the wide functions in the "\\?\" form,
// as the walk does, and converts nothing; it reads every file whose name
// ends in one of `read` whole.
inline long long BareEnumeration(const std::wstring& folder, const std::vector<std::wstring>& read) {
  long long entries = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW((folder + L"*").c_str(), FindExInfoStandard, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<char> buffer(1 << 16);
  do {
    ++entries;
    const std::wstring_view name = fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != L"." && name != L"..") entries += BareEnumeration(folder + fd.cFileName + L"\\", read);
      continue;
    }
    for (const std::wstring& ending : read) {
      if (name.size() < ending.size() || name.substr(name.size() - ending.size()) != ending) continue;
      HANDLE file = CreateFileW((folder + fd.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
      DWORD got = 0;
      while (ReadFile(file, buffer.data(), DWORD(buffer.size()), &got, nullptr) && got > 0) {
      }
      CloseHandle(file);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return entries;
}

// A bare read-only traversal through the wide functions themselves: the
// keys, and every value with its data, nothing converted.
inline void BareTraversal(HKEY key, long& keys, long& values) {
  static std::vector<wchar_t> nameBuf(16384);
  static std::vector<BYTE> dataBuf(1 << 16);
  ++keys;
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = DWORD(nameBuf.size()), dataLen = DWORD(dataBuf.size()), type = 0;
    const LONG rc = RegEnumValueW(key, i, nameBuf.data(), &nameLen, nullptr, &type, dataBuf.data(), &dataLen);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) break;
    ++values;
  }
  std::vector<std::wstring> subs;
  for (DWORD i = 0;; ++i) {
    DWORD len = DWORD(nameBuf.size());
    if (RegEnumKeyExW(key, i, nameBuf.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.emplace_back(nameBuf.data(), len);
  }
  for (const std::wstring& s : subs) {
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, s.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    BareTraversal(sub, keys, values);
    RegCloseKey(sub);
  }
}

