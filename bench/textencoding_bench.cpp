// What a text file that does not hold the old path costs before it is passed
// over: finding its encoding and the raw search, against the bare search.
#include <benchmark/benchmark.h>

#include <string>

#include "core/Text.h"
#include "core/TextEncoding.h"
#include "core/Unicode.h"

namespace {

// Never asked for the files measured here (UTF-8 and UTF-16 text, ASCII needles).
class UnusedCodePage : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override { return std::string(bytes); }
  std::optional<std::string> FromUtf8(std::string_view text) override { return std::string(text); }
};

std::string SettingsText(bool withNonAscii) {
  std::string t;
  for (int i = 0; t.size() < (1u << 20) - 100; ++i)
    t += "[Section" + std::to_string(i % 100) + "]\r\nPath=C:\\Program Files\\Common Files\\file" +
         std::to_string(i) + (withNonAscii && i % 50 == 0 ? "\xC3\xB8" : "") + ".dat\r\n";
  return t;
}

const std::string kOld = "C:\\Program Files\\Old Tool", kOldShort = "C:\\PROGRA~1\\OLDTOO~1";

void PassOver(benchmark::State& state, const std::string& bytes) {
  UnusedCodePage cp;
  for (auto _ : state) {
    const TextEncoding e = DetectEncoding(bytes);
    benchmark::DoNotOptimize(MayHold(bytes, e, kOld, cp) || MayHold(bytes, e, kOldShort, cp));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void BM_NoMatchAsciiFile(benchmark::State& state) { PassOver(state, SettingsText(false)); }
void BM_NoMatchUtf8File(benchmark::State& state) { PassOver(state, SettingsText(true)); }
void BM_NoMatchUtf16File(benchmark::State& state) {
  PassOver(state, "\xFF\xFE" + Utf16LeBytesFromUtf8(SettingsText(true)));
}
void BM_BareSearchTwoForms(benchmark::State& state) {
  const std::string bytes = SettingsText(false);
  for (auto _ : state) benchmark::DoNotOptimize(FindFold(bytes, kOld) != kNotFound || FindFold(bytes, kOldShort) != kNotFound);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_NoMatchAsciiFile);
BENCHMARK(BM_NoMatchUtf8File);
BENCHMARK(BM_NoMatchUtf16File);
BENCHMARK(BM_BareSearchTwoForms);

}  // namespace
