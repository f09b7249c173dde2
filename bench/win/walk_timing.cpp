// The file walk on a real (Wine or Windows) disk against a bare enumeration
// of the same tree, and the registry walk against a bare traversal of the
// registry, printed as times and ratios. Run by hand, never by the
// tests (see bench/README.md):
//   scripts/wine-run.sh build/windows/wineprefix build/windows/walk_timing.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/win32/WidePath.h"
#include "core/win32/Win32CodePage.h"
#include "core/win32/Win32FileSystem.h"
#include "core/win32/WinApi.h"
#include "filemap/FileWalk.h"
#include "filemap/PathForms.h"
#include "filemap/TextFileRewrite.h"
#include "engine/MappingRun.h"
#include "support/FakeUi.h"
#include "support/TestRun.h"
#include "support/RecordingBackup.h"
#include "support/TestTree.h"
#include "win/BareWalks.h"
#include "win/Timing.h"
#include "win/BenchTree.h"
#include "wiring/win32/RunAssembly.h"

namespace {

using Clock = std::chrono::steady_clock;

// A walk with the real file system and text rewriting over the given file
// targets, shortcuts only recorded.
struct TimedWalk {
  TimedWalk(Win32FileSystem& fs, const Targets& targets)
      : forms(fs), backup(fs), rewrite(fs, backup, ansi), walk(fs, forms, rewrite, shortcuts) {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    ctx.targets = targets;
  }
  // Seconds for one walk looking for a text no file holds.
  double Run(const std::string& root) {
    const auto start = Clock::now();
    walk.SearchThruDir(ctx.Pass(), root, "C:\\Nowhere\\Old Folder", "C:\\Nowhere\\New Folder");
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    shortcuts.paths.clear();
    return seconds;
  }
  FakeUi ui;
  TestRun ctx;
  PathForms forms;
  RecordingBackup backup;
  Win32CodePage ansi{Win32CodePage::Which::Ansi};
  TextFileRewrite rewrite;
  RecordingShortcuts shortcuts;
  FileWalk walk;
};


// On a shared machine one round can be slowed by others: the fastest of
// seven rounds is the figure to compare. Returns false when a walk changed
// something, which would make its time meaningless.
// A timed walk: its name, its targets, and whether the tree is a place where
// programs keep settings (every file there read by content).
struct WalkSpec {
  const char* first;
  Targets second;
  bool settingsPlace = false;
};

bool Compare(const char* title, bool configFiles, const std::vector<std::wstring>& bareReads,
             const std::vector<WalkSpec>& walks) {
  Win32FileSystem fs;
  const std::string root = std::string("C:\\ostrivane-bench-") + (configFiles ? "config" : "walk") + "\\";
  MakeTree(fs, root, configFiles);
  std::vector<std::unique_ptr<TimedWalk>> timed;
  for (const auto& w : walks) {
    timed.push_back(std::make_unique<TimedWalk>(fs, w.second));
    if (w.settingsPlace) timed.back()->walk.AddSettingsPlace(root);
  }
  double bestBare = 1e9;
  std::vector<double> best(walks.size(), 1e9);
  std::printf("%s\n", title);
  for (int round = 0; round < 7; ++round) {
    long long entries = 0;
    const double bare = SecondsOf([&] { entries = BareEnumeration(L"\\\\?\\" + WideText(root), bareReads); });
    bestBare = std::min(bestBare, bare);
    std::printf("  round %d: bare enumeration %.3f s (%lld entries)", round, bare, entries);
    for (std::size_t i = 0; i < walks.size(); ++i) {
      const double s = timed[i]->Run(root);
      best[i] = std::min(best[i], s);
      std::printf(", %s %.3f s (ratio %.2f)", walks[i].first, s, s / bare);
    }
    std::printf("\n");
  }
  std::printf("  fastest rounds: bare enumeration %.3f s", bestBare);
  bool clean = true;
  for (std::size_t i = 0; i < walks.size(); ++i) {
    std::printf(", %s %.3f s (ratio %.2f)", walks[i].first, best[i], best[i] / bestBare);
    clean = clean && timed[i]->ctx.tally.linkCount == 0 && timed[i]->backup.saved.empty();
  }
  std::printf("\n");
  RemoveTree(fs, root);
  return clean;
}

// 20,000 keys of five values each under HKEY_CURRENT_USER, then a
// registry-only preview for a text no value holds (the run the console makes,
// with every hive it walks), against the bare traversal of the same hives.
// The rounds alternate, bare then search, so that a slow spell of the
// machine falls on both alike; the medians are compared.
bool CompareRegistry() {
  const std::wstring base = L"Software\\OstrivaneBenchRegistry";
  RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  for (int k = 0; k < 20000; ++k) {
    HKEY h;
    const std::wstring path = base + L"\\G" + std::to_wstring(k / 100) + L"\\K" + std::to_wstring(k);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
      return false;
    for (int v = 0; v < 5; ++v) {
      const std::wstring data = L"C:\\Program Files\\Vendor\\App" + std::to_wstring(v);
      RegSetValueExW(h, (L"value" + std::to_wstring(v)).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     DWORD((data.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(h);
  }
  Win32FileSystem fs;
  const std::string records = "C:\\ostrivane-bench-records\\";
  RemoveTree(fs, records);
  fs.MakeFolders(records);
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = records;
  ctx.drives = {{"C:", "C:\\", false}};
  ctx.targets = Targets{true, false, false, false, false};
  ctx.request.Mode = RunMode::MapOnly;
  // A place beside those the values name, as most searches are.
  ctx.request.FindText = "C:\\Program Files\\Ostrivane Bench Old";
  ctx.request.ReplaceText = "D:\\x";
  ctx.preview = true;
  RunAssembly assembly(records, ShellDialogs::Silent);

  std::printf("A registry-only search against a bare traversal of HKEY_LOCAL_MACHINE and HKEY_USERS:\n");
  std::vector<double> bares, searches;
  bool clean = true;
  for (int round = 0; round < 7; ++round) {
    long keys = 0, values = 0;
    const double bare = SecondsOf([&] {
      for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_USERS}) BareTraversal(root, keys, values);
    });
    const double searched = SecondsOf([&] { ctx.Run(assembly.Parts()); });
    clean = clean && ctx.tally.linkCount == 0;
    std::printf("  round %d: %ld keys, %ld values; bare traversal %.3f s, search %.3f s (ratio %.2f)\n", round, keys,
                values, bare, searched, searched / bare);
    bares.push_back(bare);
    searches.push_back(searched);
  }
  std::printf("  medians: bare traversal %.3f s, search %.3f s (ratio %.2f)\n", Median(bares), Median(searches),
              Median(searches) / Median(bares));
  RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  RemoveTree(fs, records);
  return clean;
}

}  // namespace

// With the argument "registry", only the registry's comparison runs.
// The default targets where programs keep settings: every file read by its
// content, against an enumeration that reads every file (each smaller than
// a read's first bytes), and the same walk outside such a place.
bool CompareSettingsPlace() {
  return Compare("The default targets in a settings place against a bare enumeration reading every file:", true, {L""},
                 {{"walk in a settings place", {false, true, true, false, true}, true},
                  {"walk elsewhere", {false, true, true, false, true}}});
}

// With the argument "registry" (or "settings"), only that comparison runs.
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "registry") return CompareRegistry() ? 0 : 1;
  if (argc > 1 && std::string(argv[1]) == "settings") return CompareSettingsPlace() ? 0 : 1;
  // Settings files and shortcuts against the bare listing; the same walk with
  // no file target shows the listings alone, apart from the reading.
  bool clean = Compare("The walk against a bare enumeration (500 settings files read, 250 shortcuts handed over):",
                       false, {},
                       {{"walk", {false, true, true, false, false}}, {"listings alone", {false, false, false, false, false}}});
  // The default file targets against an enumeration that reads the same files.
  clean = Compare("The default file targets against a bare enumeration reading the same 1,500 files:", true,
                  {L".ini", L".json", L".ps1"}, {{"walk", {false, true, true, false, true}}}) && clean;
  clean = CompareSettingsPlace() && clean;
  clean = CompareRegistry() && clean;
  if (!clean) std::printf("A walk changed something: its times say nothing.\n");
  return clean ? 0 : 1;
}
