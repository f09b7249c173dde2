// What a finding costs in memory: a preview of 100,000 registry values and
// 6,000 settings files (a machine-sized run's findings) over the tests'
// in-memory fakes, searched side by side as the console searches, then its
// change report and JSON Lines written as the console writes them. Every
// allocation is counted (a global operator new), so the figures are the
// program's own, not the allocator's. Prints the bytes a finding holds
// beyond its own texts once the search has ended, and the peak above what
// the fakes hold during the search, during the writing and during the apply
// of the report. Native, by hand:
//   build/native/finding_memory [findings in thousands, 100 by default]
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "engine/ChangeReport.h"
#include "engine/KeptUi.h"
#include "engine/PreviewReport.h"
#include "support/FakeSearchCrew.h"
#include "support/PortableRun.h"

namespace {
using Bytes = long long;
std::atomic<long long> live{0}, peak{0};

void Count(void* p) {
  if (!p) return;
  const long long now = live.fetch_add(Bytes(malloc_usable_size(p))) + Bytes(malloc_usable_size(p));
  for (long long seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
  }
}
void Uncount(void* p) {
  if (p) live.fetch_sub(Bytes(malloc_usable_size(p)));
}
void* Allocate(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  Count(p);
  return p;
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  void* p = std::malloc(size ? size : 1);
  Count(p);
  return p;
}
void* operator new[](std::size_t size, const std::nothrow_t& n) noexcept { return operator new(size, n); }
void operator delete(void* p) noexcept {
  Uncount(p);
  std::free(p);
}
void operator delete[](void* p) noexcept {
  Uncount(p);
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

namespace {
const std::string kOld = "C:\\OstrivaneBenchOld";

// The console prints each preview line as it comes: nothing is kept.
struct ConsoleLikeUi : KeptUi {
  void Pump() override {}
  void ShowPhase(const std::string&) override {}
  void ShowPlace(const std::string&) override {}
  void ReportPreview(const PreviewItem&) override {}
};

// Counts what is written and keeps none of it, as a file or a pipe would.
struct CountingBuffer : std::streambuf {
  long long bytes = 0;
  int overflow(int c) override {
    ++bytes;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += n;
    return n;
  }
};

struct Machine : PortableRun {
  explicit Machine(int thousands) {
    // Keys of 100 values, half of them naming the old place.
    for (int k = 0; k < thousands * 20; ++k)
      for (int v = 0; v < 100; ++v)
        reg.PutText(RegRoot::CurrentUser, "Software\\OstrivaneBenchMachine\\k" + std::to_string(k),
                    "v" + std::to_string(v),
                    (v % 2 == 0 ? kOld : std::string("C:\\Somewhere\\Else")) + "\\v" + std::to_string(v));
    // Folders of 100 files: 2 settings files naming it, 8 naming another place.
    for (int f = 0; f < thousands * 30; ++f) {
      const std::string folder = "C:\\Tree\\d" + std::to_string(f) + "\\";
      for (int i = 0; i < 10; ++i)
        fs.AddFile(folder + (i < 2 ? "s" : "o") + std::to_string(i) + ".ini",
                   "[Tool]\r\nPath=" + (i < 2 ? kOld + "\\tool.exe" : std::string("C:\\Somewhere\\Else")) + "\r\n");
    }
    ctx.targets = Targets{true, true, false, false, false};
    ctx.walkThreads = 2;
    ctx.ui = &ui;
    parts.optionalCrew = &crew;
  }
  ConsoleLikeUi ui;
  FakeSearchCrew crew{fs, reg, links, cp, archive};
};

double PerFinding(long long bytes, std::size_t findings) { return findings ? double(bytes) / double(findings) : 0; }
}  // namespace

int main(int argc, char** argv) {
  const int thousands = argc > 1 ? std::atoi(argv[1]) : 100;
  Machine m(thousands);
  const long long fakes = live.load();
  peak = fakes;

  // The same places searched for a place nothing names: what the walks
  // keep of the places themselves.
  m.ctx.preview = true;
  m.RunRequest(RunMode::MapOnly, "C:\\OstrivaneBenchNothing", "C:\\OstrivaneBenchNew");
  const long long nothingPeak = peak.load() - fakes;
  peak = live.load();

  m.RunRequest(RunMode::MapOnly, kOld, "C:\\OstrivaneBenchNew");
  const long long searchPeak = peak.load() - fakes, held = live.load() - fakes;
  const std::size_t n = m.ctx.changes.size();
  long long texts = 0;
  for (const ChangeEntry& e : m.ctx.changes)
    for (const std::string* s : {&e.where, &e.value, &e.oldText, &e.newText, &e.reason})
      if (s->size() >= sizeof(std::string) / 2) texts += Bytes(s->size() + 1);  // past the string's own room

  // The console's --json and --report, as it writes them.
  peak = live.load();
  CountingBuffer sink;
  std::ostream out(&sink);
  for (const ChangeEntry& e : m.ctx.changes) out << ChangeJsonLine(e) << '\n';
  long long reportBytes = 0;
  WriteChangeReport(m.ctx, m.ctx, [&reportBytes](std::string_view piece) { reportBytes += Bytes(piece.size()); });
  const long long writePeak = peak.load() - fakes;

  // The apply of the preview's report, as `ostrivane-cli apply` makes it.
  // Its backups and records are files of the fake file system here, on disk
  // in the program: their bytes are not counted.
  const auto fileBytes = [&m] {
    Bytes bytes = 0;
    for (const std::string& path : m.fs.Paths()) bytes += Bytes(m.fs.At(path).data.capacity());
    return bytes;
  };
  const Bytes filesBefore = fileBytes();
  peak = live.load();
  const Bytes beforeApply = live.load();
  Bytes applyPeak = 0, applied = 0;
  {
    std::string why;
    std::optional<PreviewToApply> list = ReadPreviewReport(ChangeReportText(m.ctx, m.ctx), why);
    m.ctx.changes.clear();
    m.ctx.changes.shrink_to_fit();
    m.ctx.passedOver.clear();
    m.ctx.preview = false;
    m.ctx.selection = &list->list;
    m.RunRequest(RunMode::MapOnly, kOld, "C:\\OstrivaneBenchNew");
    m.ctx.selection = nullptr;
    applied = Bytes(m.ctx.tally.linkCount);
    applyPeak = peak.load() - beforeApply - (fileBytes() - filesBefore);
  }

  std::printf("peak of a search finding nothing %.1f MB\n", double(nothingPeak) / 1e6);
  std::printf("findings                         %zu\n", n);
  std::printf("their texts on the heap          %.0f bytes a finding\n", PerFinding(texts, n));
  std::printf("held after the search            %.0f bytes a finding beyond its texts\n",
              PerFinding(held - texts, n));
  std::printf("peak during the search           %.1f MB (%.0f bytes a finding)\n", double(searchPeak) / 1e6,
              PerFinding(searchPeak, n));
  std::printf("peak while writing report + JSON %.1f MB (report %.1f MB, JSON %.1f MB)\n", double(writePeak) / 1e6,
              double(reportBytes) / 1e6, double(sink.bytes) / 1e6);
  std::printf("peak of the apply of its report   %.1f MB (%.0f bytes a change; %lld changed)\n",
              double(applyPeak) / 1e6, PerFinding(applyPeak, n), applied);
  // Every value and settings file found, and changed by the apply.
  return n >= std::size_t(thousands) * 1060 && applied == Bytes(n) ? 0 : 1;
}
