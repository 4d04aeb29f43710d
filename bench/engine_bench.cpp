// Engine benchmarks: pattern tests (cached against compiled per call) and whole
// translations. Run: build/bench/engine_bench
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/line_reader.hpp"

#include "engine/pipeline.hpp"
#include "engine/regex.hpp"
#include "engine/utf.hpp"

namespace {

constexpr std::u16string_view kPattern = u"^[\\t, ]{1,}ld[\\t, ]{1,}hl,\\(.*?\\)";
constexpr std::u16string_view kLine = u"\tld\thl,(buffer+2)\t";

void BM_RegexTestCached(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(engine::regex_test(kPattern, kLine));
}
BENCHMARK(BM_RegexTestCached);

// What a test costs when every call compiles its pattern and frees it again.
void BM_RegexTestCompiledEachCall(benchmark::State& state) {
  const std::string pattern = engine::utf16_to_utf8(kPattern);
  const std::string subject = engine::utf16_to_utf8(kLine);
  for (auto _ : state) {
    int error;
    PCRE2_SIZE offset;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF, &error, &offset, nullptr);
    pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);
    benchmark::DoNotOptimize(pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()),
                                         subject.size(), 0, 0, md, nullptr));
    pcre2_match_data_free(md);
    pcre2_code_free(code);
  }
}
BENCHMARK(BM_RegexTestCompiledEachCall);

const std::vector<std::u16string>& sample_lines() {
  static const std::vector<std::u16string> lines = {
      u"loop:\tld\ta,(hl)\t; next byte", u"\tcp\t'$'",        u"\tret\tz",
      u"\tinc\thl",                      u"\tjp\tnz,loop",     u"\tld\t(buf),hl",
      u"\tdb\t'text',13,10",             u"count\tequ\t10",    u"",
      u"; a comment line",               u"\tadd\ta,b",        u"\tpush\taf",
  };
  return lines;
}

void BM_TranslateZ80To8080(benchmark::State& state) {
  const auto& lines = sample_lines();
  for (auto _ : state) benchmark::DoNotOptimize(engine::convert_z80_to_8080(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_TranslateZ80To8080);

void BM_Translate8080ToZ80(benchmark::State& state) {
  const auto& lines = sample_lines();
  for (auto _ : state) benchmark::DoNotOptimize(engine::convert_8080_to_z80(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_Translate8080ToZ80);

// A 100 000-line mixed source: a realistic program repeated.
std::vector<std::u16string> big_file(const char* name) {
  std::ifstream f(std::string(BENCH_DATA_DIR) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  const auto program = engine::read_lines(s.str()).lines;
  std::vector<std::u16string> lines;
  lines.reserve(100'000);
  while (lines.size() < 100'000) lines.push_back(program[lines.size() % program.size()]);
  return lines;
}

void BM_Z80File100k(benchmark::State& state) {
  const auto lines = big_file("monitor.z80");
  for (auto _ : state) benchmark::DoNotOptimize(engine::convert_z80_to_8080(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_Z80File100k)->Unit(benchmark::kMillisecond);

void BM_8080File100k(benchmark::State& state) {
  const auto lines = big_file("copy.asm");
  for (auto _ : state) benchmark::DoNotOptimize(engine::convert_8080_to_z80(lines));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_8080File100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
