#pragma once
// Libraries loaded at run time come from the system folder only. A program
// started from a Downloads folder, perhaps restarted as administrator, must
// not pick up a DLL that was planted beside it or in the current folder.
#include <string>

#include "core/win32/WinApi.h"

// Takes the program's own folder, the current folder and PATH out of the
// loader's search, leaving the system folder. The first thing each program
// does, before anything can load a library by its bare name.
void RestrictDllSearch();

// The full path of a file in the system folder ("C:\windows\system32\x").
std::wstring SystemFilePath(const wchar_t* name);

// LoadLibraryExW of the system folder's copy of `name`, by its full path.
HMODULE LoadSystemLibrary(const wchar_t* name, DWORD flags = 0);
