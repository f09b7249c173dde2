#pragma once
// The one way adapters include the Windows headers: lean, without min/max
// macros, and without the macros that would rename this program's own
// identifiers (FindText and ReplaceText are common-dialog functions).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef FindText
#undef ReplaceText
#undef MoveFile
#undef DeleteFile
#undef CopyFile
#undef GetMessage
#undef SendMessage
#undef PostMessage
#undef CreateWindow
#undef MessageBox
#undef LoadString
#undef GetObject
#undef DrawText
#undef CreateDirectory
#undef RemoveDirectory
#undef GetShortPathName
#undef FindFirstFile
#undef FindNextFile
#undef GetFileAttributes
#undef SetFileAttributes
#undef GetCurrentDirectory
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegQueryInfoKey
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef RegDeleteKey
