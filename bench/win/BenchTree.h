#pragma once
// The timings' tree: 5,000 folders, 50,000 files, one settings file in every
// tenth folder, one shortcut in every twentieth and, with configFiles, a
// .json and a .ps1 in every tenth. The first `matching` settings files name
// C:\OstrivaneBenchOld; every other file names a place no run looks for.
#include "core/win32/WinApi.h"

#include <string>

#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

inline constexpr const char* kBenchOldPlace = "C:\\OstrivaneBenchOld";

inline void MakeTree(Win32FileSystem& fs, const std::string& root, bool configFiles, int matching = 0) {
  constexpr int kTop = 50, kSub = 100, kFiles = 10;
  RemoveTree(fs, root);
  int settings = 0;
  for (int t = 0; t < kTop; ++t)
    for (int s = 0; s < kSub; ++s) {
      const std::string folder = root + "T" + std::to_string(t) + "\\S" + std::to_string(s) + "\\";
      fs.MakeFolders(folder);
      for (int f = 0; f < kFiles; ++f) {
        std::string name = "file" + std::to_string(f) + ".txt";
        if (f == 0 && s % 10 == 0) name = "settings.ini";
        if (f == 1 && s % 20 == 0) name = "link.lnk";
        if (configFiles && f == 2 && s % 10 == 0) name = "appsettings.json";
        if (configFiles && f == 3 && s % 10 == 5) name = "start.ps1";
        std::string text = "[Section]\r\nKey=C:\\Somewhere\\Else\r\n";
        if (name == "settings.ini" && settings++ < matching) text = "[Section]\r\nKey=" + std::string(kBenchOldPlace) + "\\tool.exe\r\n";
        // Written without a flush each: the tree is only read afterwards.
        HANDLE h = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(h);
      }
    }
}
