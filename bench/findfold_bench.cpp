// Throughput of the case-folded search against a plain case-sensitive
// memmem over the same 1 MB of settings-file text with no match, and of the
// search for a non-ASCII needle through 1 MB of text full of non-ASCII
// letters (Cyrillic, German, Greek, CJK) with no match.
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

const std::string& LetterHaystack() {
  static const std::string text = [] {
    std::mt19937 rng(42);
    const char* words[] = {"Документы", "Рабочий стол", "Загрузки", "Übersicht", "Größe", "straße", "Ärger",
                           "Λογαριασμός", "σελίδα", "文件夹", "设置", "日本語のファイル", "Προγράμματα",
                           "Программы", "Bücher", "Пользователи", "読み込み"};
    std::string t;
    while (t.size() < (1u << 20)) {
      t += "D:\\";
      for (int i = 0; i < 4; ++i) t += std::string(words[rng() % std::size(words)]) + "\\";
      t += "файл" + std::to_string(rng() % 1000) + ".txt\r\n";
    }
    // Cut at a character boundary near 1 MB.
    std::size_t cut = 1u << 20;
    while ((static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
    t.resize(cut);
    return t;
  }();
  return text;
}
const std::string kLetterNeedle = "D:\\Документы\\Übersicht\\Старые";

void BM_FindFoldLetters(benchmark::State& state) {
  const std::string& hay = LetterHaystack();
  for (auto _ : state) benchmark::DoNotOptimize(FindFold(hay, kLetterNeedle));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(hay.size()));
}
BENCHMARK(BM_FindFoldLetters);

void BM_MemmemLetters(benchmark::State& state) {
  const std::string& hay = LetterHaystack();
  for (auto _ : state)
    benchmark::DoNotOptimize(memmem(hay.data(), hay.size(), kLetterNeedle.data(), kLetterNeedle.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(hay.size()));
}
BENCHMARK(BM_MemmemLetters);
}  // namespace

BENCHMARK_MAIN();
