// asmconv on hostile input: a 10 MB line, a million lines, binary data,
// ill-formed UTF-8, encoded surrogates, zero bytes. Each run must end normally,
// give one output line per input line and use memory in proportion to the input.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "engine/line_reader.hpp"

namespace {

namespace fs = std::filesystem;

// Under AddressSanitizer the inputs are a tenth as large and memory is not
// measured: the sanitizer's own bookkeeping would dominate it.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 10;
constexpr bool kMeasureMemory = false;
#else
constexpr int kScale = 1;
constexpr bool kMeasureMemory = true;
#endif

struct Outcome {
  bool exited;
  int status;
  long peak_kib;
};

// Runs asmconv on `in`, output to `out`, and reports its peak memory.
Outcome run(const std::string& direction, const fs::path& in, const fs::path& out) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(ASMCONV_PATH, "asmconv", direction.c_str(), "-o", out.c_str(), in.c_str(), nullptr);
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  return {WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

std::string repeated(const std::string& text, int times) {
  std::string s;
  s.reserve(text.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) s += text;
  return s;
}

std::string hostile(int kind) {
  std::mt19937 random(7);
  switch (kind) {
    case 0: return std::string(10'000'000 / kScale, 'a') + "\n";
    case 1: return "\tld\ta,(" + std::string(10'000'000 / kScale, 'b') + ")\n";
    case 2: return std::string(10'000'000 / kScale, ' ') + "xra a\n";
    case 3: return repeated("\tld\ta,b\n", 1'000'000 / kScale);
    case 4: {
      std::string s(10'000'000 / kScale, '\0');
      for (auto& c : s) c = static_cast<char>(random());
      return s;
    }
    case 5: {
      // Encoded surrogates, a code point above U+10FFFF, a zero byte, stray bytes.
      static constexpr char kLine[] = "\t\xED\xA0\x80ld a,\xED\xB0\x80 ;\xF4\x90\x80\x80\0\xFF\xFE\n";
      return repeated(std::string(kLine, sizeof kLine - 1), 200'000 / kScale);
    }
    case 6: return "\tnop ;x" + repeated("! nop ;x", 1'000'000 / kScale) + "\n";
    default: return "\tcp '" + repeated("'\"", 3'000'000 / kScale) + "\n";
  }
}

TEST(HostileInput, EndsNormallyWithOneLinePerLine) {
  const fs::path dir = fs::temp_directory_path() / ("hostile_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (int kind = 0; kind < 8; ++kind) {
    const std::string input = hostile(kind);
    std::ofstream(dir / "in", std::ios::binary) << input;
    const engine::ReadLines read = engine::read_lines(input);
    // One line end per line, but for a last line without one.
    const std::size_t ends = read.lines.size() - (read.ends_with_line_end ? 0 : 1);
    for (const std::string direction : {"--to-8080", "--to-z80"}) {
      const Outcome r = run(direction, dir / "in", dir / "out");
      ASSERT_TRUE(r.exited) << "input " << kind << " " << direction;
      EXPECT_EQ(r.status, 0) << "input " << kind << " " << direction;
      std::ifstream out(dir / "out", std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
      EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), ends)
          << "input " << kind << " " << direction;
      // Text is held as UTF-16 beside its UTF-8 input and output: a small
      // multiple of the input, whatever its shape.
      if (kMeasureMemory) {
        EXPECT_LT(r.peak_kib * 1024, static_cast<long>(input.size()) * 24 + (64 << 20))
            << "input " << kind << " " << direction;
      }
    }
  }
  fs::remove_all(dir);
}

}  // namespace
