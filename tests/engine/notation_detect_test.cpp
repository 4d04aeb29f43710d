// The notation detector over the repository's samples and short snippets.
#include "engine/notation_detect.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/line_reader.hpp"

namespace engine {
namespace {

std::optional<Notation> detect(std::string_view text) {
  NotationCount count;
  for (const std::u16string& line : read_lines(text).lines) count.add_line(line);
  return count.notation();
}

TEST(NotationDetect, RepositorySamples) {
  const struct {
    const char* file;
    std::optional<Notation> want;
  } kFiles[] = {
      {"bios.z80", Notation::z80},     {"bios.8080", Notation::i8080},  {"ccp.z80", Notation::z80},
      {"ccp.asm", Notation::i8080},    {"copy.z80", Notation::z80},     {"copy.asm", Notation::i8080},
      {"intel.z80", Notation::z80},    {"intel.asm", Notation::i8080},  {"m80.z80", Notation::z80},
      {"m80.8080", Notation::i8080},   {"monitor.z80", Notation::z80},  {"monitor.8080", Notation::i8080},
      {"tasm.z80", Notation::z80},     {"tasm.8080", Notation::i8080},
  };
  for (const auto& f : kFiles) {
    std::ifstream in(std::string(TEST_DATA_DIR "/") + f.file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(detect(bytes.str()), f.want) << f.file;
  }
}

TEST(NotationDetect, Snippets) {
  const struct {
    std::string_view text;
    std::optional<Notation> want;
  } kSnippets[] = {
      {"", std::nullopt},                                    // empty
      {"; only a comment\n\n", std::nullopt},                // nothing telling
      {"\tpush\tb\n\tcall\tx\n\tret\n", std::nullopt},       // words both notations have
      {"\tnop\n\tdb\t1\nx\tequ\t5\n", std::nullopt},
      {"\tld\ta,b\n", Notation::z80},
      {"\tmvi\ta,1\n", Notation::i8080},
      {"\tLD A,B\n\tMOV A,B\n", std::nullopt},               // a tie
      {"\tld a,b\n\tld c,d\n\tmov a,b\n", std::nullopt},     // 2 against 1: too near
      {"\tld a,b\n\tld c,d\n\tjr x\n\tmov a,b\n", Notation::z80},
      {"loop:\tdjnz\tloop\n", Notation::z80},
      {"start\tlxi\th,0 ; ld a,b in a comment\n", Notation::i8080},
      {"\tmov a,b ! inr a ! ld b,c\n\tmvi a,1\n", Notation::i8080},     // DRI statements, one by one
      {"\tMACRO1 a,b\n\tlabel\n", std::nullopt},             // macros and labels say nothing
  };
  for (const auto& s : kSnippets) EXPECT_EQ(detect(s.text), s.want) << s.text;
}

}  // namespace
}  // namespace engine
