#pragma once
// Shortcuts made through the platform's shell-link objects directly, as
// another program would make them.
#include <gtest/gtest.h>

#include <string>

#include "core/win32/WinApi.h"
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

struct RawLink {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  RawLink() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, reinterpret_cast<void**>(&link));
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  }
  ~RawLink() {
    file->Release();
    link->Release();
    CoUninitialize();
  }
  static std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
};

inline void MakeLink(const std::string& lnk, const std::string& target, const std::string& arguments,
              const std::string& workingDir) {
  RawLink raw;
  raw.link->SetPath(target.c_str());
  raw.link->SetArguments(arguments.c_str());
  raw.link->SetWorkingDirectory(workingDir.c_str());
  raw.link->SetDescription("A tool");
  raw.link->SetIconLocation("C:\\windows\\system32\\shell32.dll", 4);
  ASSERT_EQ(raw.file->Save(RawLink::Wide(lnk).c_str(), TRUE), S_OK);
}


struct RawLinkParts {
  std::string target, arguments, workingDir;
};

inline RawLinkParts ReadRawLink(const std::string& lnk) {
  RawLink raw;
  RawLinkParts p;
  if (raw.file->Load(RawLink::Wide(lnk).c_str(), STGM_READ) != S_OK) return p;
  char buf[4096] = {};
  raw.link->GetPath(buf, sizeof buf, nullptr, SLGP_UNCPRIORITY);
  p.target = buf;
  buf[0] = 0;
  raw.link->GetArguments(buf, sizeof buf);
  p.arguments = buf;
  buf[0] = 0;
  raw.link->GetWorkingDirectory(buf, sizeof buf);
  p.workingDir = buf;
  return p;
}
