// A run's search against its apply: a preview over the registry and a tree
// of 50,000 files of which 40 settings files name the old place, then the
// apply of the preview's list, which goes to those 40 files alone. Printed
// as times and their ratio; the preview (the registry and the drive
// searched side by side) also against the bare traversals of both, one after
// the other. Run by hand, never by the tests (see
// bench/README.md):
//   scripts/wine-run.sh build/windows/wineprefix build/windows/apply_timing.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "core/win32/Win32FileSystem.h"
#include "engine/MappingRun.h"
#include "support/FakeUi.h"
#include "support/TestTree.h"
#include "win/BareWalks.h"
#include "win/BenchTree.h"
#include "wiring/win32/RunAssembly.h"

namespace {
using Clock = std::chrono::steady_clock;

double SecondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}
}  // namespace

int main() {
  constexpr int kMatching = 40;
  Win32FileSystem fs;
  const std::string root = "C:\\ostrivane-bench-apply\\", records = "C:\\ostrivane-bench-records\\";
  RemoveTree(fs, records);
  fs.MakeFolders(records);
  FakeUi ui;
  RunContext ctx;
  ctx.ui = &ui;
  ctx.programFolder = records;
  ctx.OsGeneration = 6;
  ctx.drives = {{"C:", "C:\\", true}};
  // Registry, settings and configuration files: the tree's shortcuts are
  // plain text under a .lnk name, which only the timings of the walk use.
  ctx.targets = Targets{true, true, false, false, true};
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = kBenchOldPlace;
  ctx.request.ReplaceText = "C:\\OstrivaneBenchNew";
  RunAssembly assembly(ctx, records, ShellDialogs::Silent);

  std::printf("A preview over the registry and 50,000 files (%d settings files to change), then its apply:\n", kMatching);
  double bestSearch = 1e9, bestApply = 1e9, bestBare = 1e9, bestBareReading = 1e9;
  bool right = true;
  for (int round = 0; round < 3; ++round) {
    MakeTree(fs, root, true, kMatching);
    long keys = 0, values = 0;
    const double bareRegistry = SecondsOf([&] {
      for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_USERS}) BareTraversal(hive, keys, values);
    });
    const double bareListing = SecondsOf([&] { BareEnumeration(L"\\\\?\\C:\\", {}); });
    const double bareReading = SecondsOf([&] { BareEnumeration(L"\\\\?\\C:\\", {L".ini", L".json", L".ps1"}); });
    const double bare = bareRegistry + bareListing;
    std::printf("  round %d: bare registry %.3f s (%ld keys, %ld values), bare listing of C: %.3f s, with the files read %.3f s\n",
                round, bareRegistry, keys, values, bareListing, bareReading);
    bestBare = std::min(bestBare, bare);
    bestBareReading = std::min(bestBareReading, bareRegistry + bareReading);
    ctx.selection = nullptr;
    ctx.preview = true;
    const double search = SecondsOf([&] { MappingRun(ctx, assembly.Parts()).Run(); });
    const int found = ctx.tally.linkCount;
    ChangeSelection list;
    for (const ChangeEntry& e : ctx.changes) list.Tick(e);
    ctx.preview = false;
    ctx.selection = &list;
    const double apply = SecondsOf([&] { MappingRun(ctx, assembly.Parts()).Run(); });
    ctx.selection = nullptr;
    right = right && found == kMatching && ctx.tally.linkCount == kMatching && ctx.passedOver.empty();
    std::printf("  round %d: preview %.3f s (%d found; %.2f of the bare ones), apply %.3f s (%d changed), ratio %.3f\n",
                round, search, found, search / bare, apply, ctx.tally.linkCount, apply / search);
    bestSearch = std::min(bestSearch, search);
    bestApply = std::min(bestApply, apply);
  }
  std::printf("  fastest rounds: preview %.3f s, apply %.3f s (ratio %.3f)\n", bestSearch, bestApply,
              bestApply / bestSearch);
  std::printf("  fastest rounds: bare registry and listing %.3f s, preview/bare %.2f; with the files read %.3f s, "
              "preview/bare %.2f\n",
              bestBare, bestSearch / bestBare, bestBareReading, bestSearch / bestBareReading);
  RemoveTree(fs, root);
  RemoveTree(fs, records);
  if (!right) std::printf("The preview or the apply did not find and change exactly the %d files.\n", kMatching);
  return right ? 0 : 1;
}
