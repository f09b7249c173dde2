// A run at a machine's size, through the console program as a user runs it:
// 300,000 files on C: (6,000 settings files and 12,000 other text files
// naming the old place) and 200,000 extra registry values (100,000 naming
// it). Times, one run each: the bare registry and file traversals one after
// the other; the default search finding nothing; the preview with its
// 106,000 findings; the apply of that preview's list; the undo of the apply.
// Each console run's time and peak working set are printed, and the ratios
// the goals speak of. Everything it made is removed at the end. Run by hand,
// never by the tests (see bench/README.md):
//   scripts/wine-run.sh build/windows/wineprefix build/windows/machine_timing.exe [scale]
// A scale below 1 (0.01, say) makes everything that much smaller, for a
// quick check that the benchmark itself works.
#include "core/win32/WinApi.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win/BareWalks.h"
#include "win/Timing.h"

namespace {
const std::wstring kHome = L"C:\\ostrivane-bench-machine\\";  // the console's copy and its records
const std::wstring kApplyOutput = L"C:\\ostrivane-bench-machine-apply.txt";
const std::wstring kUndoOutput = L"C:\\ostrivane-bench-machine-undo.txt";
const std::wstring kTree = L"C:\\ostrivane-bench-machine-tree\\";
const std::wstring kKey = L"Software\\OstrivaneBenchMachine";
const std::wstring kOld = L"C:\\OstrivaneBenchOld", kNew = L"C:\\OstrivaneBenchNew";
constexpr int kFilesPerFolder = 100;
constexpr int kValuesPerKey = 100;
constexpr DWORD kMemorySampleMs = 100;

struct Sizes {
  int files, settingsNaming, textNaming, values, valuesNaming;
};

void WriteSmallFile(const std::wstring& path, const std::string& text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  WriteFile(h, text.data(), DWORD(text.size()), &put, nullptr);
  CloseHandle(h);
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }  // ASCII only here

// Per hundred files: 2 settings files and 4 text files naming the old place
// (the first ones, up to the counts asked), 4 settings files naming another
// place, the rest plain data no target picks.
void MakeTree(const Sizes& s) {
  int settings = 0, texts = 0;
  for (int i = 0; i < s.files; ++i) {
    const std::wstring folder = kTree + L"d" + std::to_wstring(i / kFilesPerFolder) + L"\\";
    if (i % kFilesPerFolder == 0) CreateDirectoryW(folder.c_str(), nullptr);
    const int slot = i % kFilesPerFolder;
    const std::string old = Narrow(kOld);
    if (slot < 2 && settings < s.settingsNaming) {
      ++settings;
      WriteSmallFile(folder + L"s" + std::to_wstring(i) + L".ini", "[Tool]\r\nPath=" + old + "\\tool.exe\r\n");
    } else if (slot < 6 && texts < s.textNaming) {
      ++texts;
      WriteSmallFile(folder + L"t" + std::to_wstring(i) + L".txt", "see " + old + "\\readme\r\n");
    } else if (slot < 10) {
      WriteSmallFile(folder + L"o" + std::to_wstring(i) + L".ini", "[Tool]\r\nPath=C:\\Somewhere\\Else\r\n");
    } else {
      WriteSmallFile(folder + L"f" + std::to_wstring(i) + L".dat", "data C:\\Somewhere\\Else\r\n");
    }
  }
}

void MakeValues(const Sizes& s) {
  int naming = 0;
  for (int k = 0; k * kValuesPerKey < s.values; ++k) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, (kKey + L"\\k" + std::to_wstring(k)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    for (int v = 0; v < kValuesPerKey; ++v) {
      const bool names = v % 2 == 0 && naming < s.valuesNaming;
      naming += names;
      const std::wstring data = (names ? kOld : std::wstring(L"C:\\Somewhere\\Else")) + L"\\v" + std::to_wstring(v);
      RegSetValueExW(key, (L"v" + std::to_wstring(v)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     DWORD((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolder(folder + name + L"\\");
      else
        DeleteFileW((folder + name).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}

void CleanUp() {
  RemoveFolder(kTree);
  RemoveFolder(kHome);
  RegDeleteTreeW(HKEY_CURRENT_USER, kKey.c_str());
}

struct Console {
  double seconds = 0;
  double peakMb = 0;
  DWORD status = 0;
};

// One console run, its output to `output` (NUL: thrown away).
Console RunConsole(const std::wstring& arguments, const std::wstring& output = L"NUL") {
  const std::wstring line = L"\"" + kHome + L"ostrivane-cli.exe\" " + arguments;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = out;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring mutableLine = line;
  Console c;
  c.seconds = SecondsOf([&] {
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, kHome.c_str(), &si, &pi)) {
      std::printf("cannot start the console program (error %lu)\n", GetLastError());
      std::exit(1);
    }
    // Read while it runs as well: under Wine the figures of a process that
    // has ended read as zero.
    do {
      PROCESS_MEMORY_COUNTERS memory{};
      if (GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory))
        c.peakMb = std::max(c.peakMb, double(memory.PeakWorkingSetSize) / 1e6);
    } while (WaitForSingleObject(pi.hProcess, kMemorySampleMs) == WAIT_TIMEOUT);
  });
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory))
    c.peakMb = std::max(c.peakMb, double(memory.PeakWorkingSetSize) / 1e6);
  GetExitCodeProcess(pi.hProcess, &c.status);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(out);
  return c;
}

void Print(const char* what, const Console& c, double against, const char* againstWhat) {
  std::printf("  %-44s %8.1f s  peak %6.0f MB  exit %lu  %.2fx %s\n", what, c.seconds, c.peakMb, c.status,
              against > 0 ? c.seconds / against : 0.0, againstWhat);
}

// The newest undo record in the console's folder: the apply's.
std::wstring NewestUndoName() {
  std::wstring newest;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((kHome + L"Undo?????.log").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return newest;
  do {
    const std::wstring name(fd.cFileName, 9);
    if (name > newest) newest = name;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return newest;
}

std::wstring ValueOf(int key, int value) {
  wchar_t data[512] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  RegGetValueW(HKEY_CURRENT_USER, (kKey + L"\\k" + std::to_wstring(key)).c_str(), (L"v" + std::to_wstring(value)).c_str(),
               RRF_RT_REG_SZ, nullptr, data, &size);
  return data;
}

std::wstring ExePath(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  return folder.substr(0, folder.rfind(L'\\') + 1) + name;
}
}  // namespace

int main(int argc, char** argv) {
  const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
  const auto scaled = [scale](int n) { return std::max(1, int(n * scale)); };
  const Sizes s{scaled(300000), scaled(6000), scaled(12000), scaled(200000), scaled(100000)};
  CleanUp();
  CreateDirectoryW(kHome.c_str(), nullptr);
  CreateDirectoryW(kTree.c_str(), nullptr);
  // A portable copy keeps its records beside itself: here, never the user's.
  // Beside this program on Windows; under Wine the build folder is on no
  // drive, and the build's own path to it is taken.
  if (!CopyFileW(ExePath(L"ostrivane-cli.exe").c_str(), (kHome + L"ostrivane-cli.exe").c_str(), FALSE) &&
      !CopyFileW(BUILT_CLI_EXE, (kHome + L"ostrivane-cli.exe").c_str(), FALSE)) {
    std::printf("cannot copy %ls (error %lu)\n", ExePath(L"ostrivane-cli.exe").c_str(), GetLastError());
    return 1;
  }
  std::printf("Making %d files and %d registry values...\n", s.files, s.values);
  const double making = SecondsOf([&] {
    MakeTree(s);
    MakeValues(s);
  });
  std::printf("  made in %.0f s\n", making);

  long keys = 0, values = 0;
  const double bareRegistry = SecondsOf([&] {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_USERS}) BareTraversal(hive, keys, values);
  });
  long long entries = 0;
  const double bareFiles = SecondsOf([&] { entries = BareEnumeration(L"\\\\?\\C:\\", {}); });
  const double bare = bareRegistry + bareFiles;
  std::printf("Bare traversals: registry %.1f s (%ld values), files %.1f s (%lld entries), together %.1f s\n",
              bareRegistry, values, bareFiles, entries, bare);

  const std::wstring drives = L" --drives C";
  const Console nothing = RunConsole(L"map --find C:\\OstrivaneBenchNothing --replace " + kNew + L" --preview" + drives);
  Print("default search finding nothing", nothing, bare, "the bare traversals");
  const std::wstring list = kHome + L"preview.log";
  const Console preview = RunConsole(L"map --find " + kOld + L" --replace " + kNew + L" --preview --report \"" + list + L"\"" + drives);
  Print("preview with findings", preview, nothing.seconds, "the search finding nothing");
  // Their words and progress lines are kept beside the records' folder: the
  // lines tell how long each step took.
  const Console apply = RunConsole(L"apply \"" + list + L"\"", kApplyOutput);
  Print("apply of the preview's list", apply, preview.seconds, "the preview");
  const bool applied = ValueOf(0, 0) == kNew + L"\\v0";
  const std::wstring undoName = NewestUndoName();
  const Console undo = RunConsole(L"undo run " + undoName, kUndoOutput);
  Print("undo of the apply", undo, apply.seconds, "the apply");
  const bool undone = applied && ValueOf(0, 0) == kOld + L"\\v0";
  std::printf("Changes expected: %d values and %d settings files; the apply %s, the undo (%ls) %s.\n",
              s.valuesNaming, s.settingsNaming, applied ? "changed them" : "DID NOT change them", undoName.c_str(),
              undone ? "gave them back" : "DID NOT give them back");
  std::printf("The apply's and the undo's console output: %ls, %ls\n", kApplyOutput.c_str(), kUndoOutput.c_str());
  CleanUp();
  return applied && undone ? 0 : 1;
}
