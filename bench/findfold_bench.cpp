// Throughput of the a-z folded search against a plain case-sensitive
// memmem over the same 1 MB of settings-file text with no match.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

#include "core/Text.h"

namespace {
const std::string& Haystack() {
  static const std::string text = [] {
    std::mt19937 rng(42);
    const char* keys[] = {"Path", "InstallDir", "LastFolder", "Recent", "Plugin", "Font", "Window"};
    const char* dirs[] = {"C:\\Program Files\\Common Files\\", "D:\\Data\\Projects\\", "C:\\Windows\\System32\\",
                          "C:\\Users\\Public\\Documents\\", "E:\\Games\\"};
    std::string t;
    while (t.size() < (1u << 20)) {
      t += "[Section" + std::to_string(rng() % 100) + "]\r\n";
      for (int i = 0; i < 8; ++i)
        t += std::string(keys[rng() % 7]) + "=" + dirs[rng() % 5] + "file" + std::to_string(rng() % 1000) + ".dat\r\n";
    }
    t.resize(1u << 20);
    return t;
  }();
  return text;
}
const std::string kNeedle = "C:\\Program Files\\Old Tool\\";

void BM_FindFold(benchmark::State& state) {
  const std::string& hay = Haystack();
  for (auto _ : state) benchmark::DoNotOptimize(FindFold(hay, kNeedle));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(hay.size()));
}
BENCHMARK(BM_FindFold);

void BM_Memmem(benchmark::State& state) {
  const std::string& hay = Haystack();
  for (auto _ : state) benchmark::DoNotOptimize(memmem(hay.data(), hay.size(), kNeedle.data(), kNeedle.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(hay.size()));
}
BENCHMARK(BM_Memmem);
}  // namespace

BENCHMARK_MAIN();
