// A run's search against its apply: a preview over the registry and a tree
// of 50,000 files of which 40 settings files name the old place, then the
// apply of the preview's list, which goes to those 40 files alone. Printed
// as times and their ratio; the preview (the registry and the drive
// searched side by side) also against the bare traversals of both, one after
// the other. Run by hand, never by the tests (see
// bench/README.md):
//   scripts/wine-run.sh build/windows/wineprefix build/windows/apply_timing.exe
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/win32/Win32FileSystem.h"
#include "engine/MappingRun.h"
#include "support/FakeUi.h"
#include "support/TestRun.h"
#include "support/TestTree.h"
#include "win/BareWalks.h"
#include "win/Timing.h"
#include "win/BenchTree.h"
#include "wiring/win32/RunAssembly.h"

namespace {
constexpr int kRounds = 5;
}  // namespace

int main() {
  constexpr int kMatching = 40;
  Win32FileSystem fs;
  const std::string root = "C:\\ostrivane-bench-apply\\", records = "C:\\ostrivane-bench-records\\";
  RemoveTree(fs, records);
  fs.MakeFolders(records);
  FakeUi ui;
  TestRun ctx;
  ctx.ui = &ui;
  ctx.recordsFolder = records;
  ctx.drives = {{"C:", "C:\\", true}};
  // Registry, settings and configuration files: the tree's shortcuts are
  // plain text under a .lnk name, which only the timings of the walk use.
  ctx.targets = Targets{true, true, false, false, true};
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = kBenchOldPlace;
  ctx.request.ReplaceText = "C:\\OstrivaneBenchNew";
  RunAssembly assembly(records, ShellDialogs::Silent);

  std::printf("A preview over the registry and 50,000 files (%d settings files to change), then its apply:\n", kMatching);
  // The rounds alternate, the bare traversals then the preview and its
  // apply, so that a slow spell of the shared machine falls on both alike;
  // the medians are compared.
  std::vector<double> bares, baresReading, searches, applies;
  bool right = true;
  for (int round = 0; round < kRounds; ++round) {
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
    bares.push_back(bare);
    baresReading.push_back(bareRegistry + bareReading);
    ctx.selection = nullptr;
    ctx.preview = true;
    const double search = SecondsOf([&] { ctx.Run(assembly.Parts()); });
    const int found = ctx.tally.linkCount;
    ChangeSelection list;
    for (const ChangeEntry& e : ctx.changes) list.Tick(e);
    ctx.preview = false;
    ctx.selection = &list;
    const double apply = SecondsOf([&] { ctx.Run(assembly.Parts()); });
    ctx.selection = nullptr;
    right = right && found == kMatching && ctx.tally.linkCount == kMatching && ctx.passedOver.empty();
    std::printf("  round %d: preview %.3f s (%d found; %.2f of the bare ones), apply %.3f s (%d changed), ratio %.3f\n",
                round, search, found, search / bare, apply, ctx.tally.linkCount, apply / search);
    searches.push_back(search);
    applies.push_back(apply);
  }
  const double search = Median(searches), apply = Median(applies), bare = Median(bares),
               bareReading = Median(baresReading);
  std::printf("  medians: preview %.3f s, apply %.3f s (ratio %.3f)\n", search, apply, apply / search);
  std::printf("  medians: bare registry and listing one after the other %.3f s, preview/bare %.2f; with the files "
              "read %.3f s, preview/bare %.2f\n",
              bare, search / bare, bareReading, search / bareReading);
  RemoveTree(fs, root);
  RemoveTree(fs, records);
  if (!right) std::printf("The preview or the apply did not find and change exactly the %d files.\n", kMatching);
  return right ? 0 : 1;
}
