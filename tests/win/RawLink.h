#pragma once
// Shortcuts made through the platform's shell-link objects directly, as
// another program would make them. Texts are UTF-8, as inside the program.
#include <gtest/gtest.h>

#include <string>

#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

struct RawLink {
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  RawLink() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, reinterpret_cast<void**>(&link));
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  }
  ~RawLink() {
    file->Release();
    link->Release();
    CoUninitialize();
  }
  static std::wstring Wide(const std::string& s) { return WideText(s); }
};

inline void MakeLink(const std::string& lnk, const std::string& target, const std::string& arguments,
              const std::string& workingDir) {
  RawLink raw;
  raw.link->SetPath(WideText(target).c_str());
  raw.link->SetArguments(WideText(arguments).c_str());
  raw.link->SetWorkingDirectory(WideText(workingDir).c_str());
  raw.link->SetDescription(L"A tool");
  raw.link->SetIconLocation(L"C:\\windows\\system32\\shell32.dll", 4);
  ASSERT_EQ(raw.file->Save(RawLink::Wide(lnk).c_str(), TRUE), S_OK);
}


struct RawLinkParts {
  std::string target, arguments, workingDir;
  // The target as the link's item list names it: Wine writes the path record
  // in the ANSI code page only, the item list keeps every name whole.
  std::string itemTarget;
};

inline RawLinkParts ReadRawLink(const std::string& lnk) {
  RawLink raw;
  RawLinkParts p;
  if (raw.file->Load(RawLink::Wide(lnk).c_str(), STGM_READ) != S_OK) return p;
  wchar_t buf[4096] = {};
  raw.link->GetPath(buf, 4096, nullptr, SLGP_UNCPRIORITY);
  p.target = Utf8Text(buf);
  buf[0] = 0;
  raw.link->GetArguments(buf, 4096);
  p.arguments = Utf8Text(buf);
  buf[0] = 0;
  raw.link->GetWorkingDirectory(buf, 4096);
  p.workingDir = Utf8Text(buf);
  PIDLIST_ABSOLUTE items = nullptr;
  if (raw.link->GetIDList(&items) == S_OK && items) {
    std::wstring path(32768, L'\0');
    if (SHGetPathFromIDListEx(items, path.data(), DWORD(path.size()), GPFIDL_DEFAULT)) p.itemTarget = Utf8Text(path.c_str());
    CoTaskMemFree(items);
  }
  return p;
}
