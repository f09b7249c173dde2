#include "core/win32/SystemLibrary.h"

namespace {
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
}  // namespace

void RestrictDllSearch() {
  // Looked up rather than imported: a Windows 7 without its loader update
  // lacks the function, and the program must still start there. Kernel32 is
  // loaded in every process, so asking for its handle loads nothing.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll"))
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
      setDefault(kSearchSystem32);
  // Takes the current folder out of the search too, where the call above
  // is missing.
  SetDllDirectoryW(L"");
}

std::wstring SystemFilePath(const wchar_t* name) {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), UINT(folder.size()));
  if (length >= folder.size()) {
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), UINT(folder.size()));
  }
  // Without the system folder there is no safe place to load from: an empty
  // result makes the load fail rather than search.
  if (length == 0 || length >= folder.size()) return L"";
  folder.resize(length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder + name;
}

HMODULE LoadSystemLibrary(const wchar_t* name, DWORD flags) {
  const std::wstring path = SystemFilePath(name);
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  return LoadLibraryExW(path.c_str(), nullptr, flags);
}
