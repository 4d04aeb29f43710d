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
#include "engine/proof_memory.hpp"
#include "engine/regex.hpp"
#include "engine/utf.hpp"
#include "engine/verify.hpp"

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

// --verify's proof of each line against its translation; the argument
// switches the memory of proofs on (1) or off (0).
void verify_lines(benchmark::State& state, engine::Direction d, const std::vector<std::u16string>& lines) {
  const auto translations =
      d == engine::Direction::z80_to_8080 ? engine::convert_z80_to_8080(lines) : engine::convert_8080_to_z80(lines);
  engine::remember_proofs(state.range(0) != 0);
  for (auto _ : state) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      benchmark::DoNotOptimize(engine::verify_line(d, lines[i], translations[i]).proof);
    }
  }
  engine::remember_proofs(true);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}

void BM_VerifyZ80File100k(benchmark::State& state) {
  verify_lines(state, engine::Direction::z80_to_8080, big_file("monitor.z80"));
}
BENCHMARK(BM_VerifyZ80File100k)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// 100 000 lines, no two alike: numbers and labels differ from line to line.
void BM_VerifyDistinct8080(benchmark::State& state) {
  static constexpr const char16_t* kForms[] = {u"\tmvi\ta,", u"\tlxi\th,", u"\tjnz\tl", u"\tcall\tl", u"\tadi\t",
                                               u"\tlda\tl", u"\tdb\t",     u"\tout\t",  u"\tjmp\tl"};
  std::vector<std::u16string> lines;
  for (int i = 0; i < 100'000; ++i) {
    lines.push_back(kForms[i % std::size(kForms)]);
    for (char c : std::to_string(i)) lines.back() += static_cast<char16_t>(c);
  }
  verify_lines(state, engine::Direction::i8080_to_z80, lines);
}
BENCHMARK(BM_VerifyDistinct8080)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
