// libFuzzer target: asmconv's stream translator. However the reads cut the
// input and however many threads share the lines, the output, the diagnostics
// (the proofs of --verify among them) and the counts are the same; there is one line per line end (and one for
// text after the last).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/translate_stream.hpp"

namespace {

struct Run {
  std::string out, diagnostics;
  cli::StreamResult result;
};

Run translate(std::string_view input, std::size_t cut, unsigned threads, engine::Direction direction) {
  Run run;
  std::size_t at = 0;
  cli::StreamOptions options;
  options.direction = direction;
  options.threads = threads;
  options.check = options.explain = options.verify = true;
  options.name = "f";
  run.result = cli::translate_stream(
      [&](char* buffer, std::size_t size) -> long {
        const std::size_t n = std::min({size, cut, input.size() - at});
        std::memcpy(buffer, input.data() + at, n);
        at += n;
        return static_cast<long>(n);
      },
      [&](std::string_view bytes) { run.out += bytes; return true; },
      [&](std::string_view bytes) { run.diagnostics += bytes; return true; }, options);
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto direction = data[0] & 1 ? engine::Direction::z80_to_8080 : engine::Direction::i8080_to_z80;
  const std::size_t cut = 1 + data[0] / 2 % 7;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Run whole = translate(input, input.size() + 1, 1, direction);
  const Run pieces = translate(input, cut, 3, direction);
  if (whole.out != pieces.out || whole.diagnostics != pieces.diagnostics || whole.result.lines != pieces.result.lines ||
      whole.result.marked != pieces.result.marked || whole.result.encoding != pieces.result.encoding ||
      !std::equal(whole.result.proofs, whole.result.proofs + 4, pieces.result.proofs)) {
    std::abort();
  }
  return 0;
}
