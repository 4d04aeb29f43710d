// asmconv --verify: the proof of each line on the command line, of a fresh
// translation or of one finished by hand (--against).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/cli/files.hpp"

namespace {

namespace fs = std::filesystem;

struct Case {
  const char* args;
  const char* input;  // standard input, or src.asm's text with --against
  const char* hand;   // hand.z80's text
  int status;
  const char* err;
};

const Case kCases[] = {
    {"--to-8080 --verify", "\tld a,b\n\tld a,(ix+1)\n; c\n", "", 0,
     "3 lines: 1 proven, 1 passed, 1 marked, 0 unproven\n"},
    {"--to-8080 --verify --check", "\tld a,b\n\tld a,(ix+1)\n", "", 1,
     "<stdin>:2: cannot convert: ld a,(ix+1) -- index-register: (ix+d): index registers do not exist on the 8080\n2 lines, 1 not convertible\n"
     "2 lines: 1 proven, 0 passed, 1 marked, 0 unproven\n"},
    {"--to-z80 --verify src.asm --against hand.z80", "\tmvi m,5\n\tmov a,b\n\tlxi b,(buf)\n",
     "\tld (hl),5\n\tld a,c\n\tld bc,(buf)\n", 3,
     "src.asm:2: unproven: mov a,b -> ld a,c (the source encodes as 78, the translation as 79)\n"
     "src.asm:3: unproven: lxi b,(buf) -> ld bc,(buf) (the source encodes as 01 [buf : word], the translation as "
     "ED 4B [buf : word])\n"
     "3 lines: 1 proven, 0 passed, 0 marked, 2 unproven\n"},
    {"--to-z80 --verify src.asm --against hand.z80", "\tnop\n\tret\n", "\tnop\n", 3,
     "src.asm:2: unproven: ret ->  (no translated line)\n2 lines: 1 proven, 0 passed, 0 marked, 1 unproven\n"},
    {"--verify src.asm --against hand.z80", "\tld a,5\n\tjr x\n", "\tmvi a,5\n\tjmp x\n", 3,  // direction from the source
     "asmconv: src.asm looks like Z80 source: proving its 8080 translation\n"
     "src.asm:2: unproven: jr x -> jmp x (the source encodes as 18 [x : relative], the translation as C3 [x : word])\n"
     "2 lines: 1 proven, 0 passed, 0 marked, 1 unproven\n"},
    {"--verify src.asm --against hand.z80", "; only a comment\n", "", 2,
     "asmconv: say either --to-8080 or --to-z80: the notation of src.asm is not clear\n"},
    {"--to-z80 src.asm --against hand.z80", "", "", 2,
     "asmconv: --against needs --verify and one source file, and writes no output\n"},
    {"--to-z80 --verify src.asm --against missing.z80", "", "", 2,
     "asmconv: cannot read missing.z80: No such file or directory\n"},
    {"--to-z80 --verify src.asm --against .", "", "", 2, "asmconv: cannot read .: Is a directory\n"},
};

TEST(AsmconvVerify, Cases) {
  const fs::path dir = fs::temp_directory_path() / ("asmconv_verify_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (const Case& c : kCases) {
    test_files::spit(dir / "src.asm", c.input);
    test_files::spit(dir / "hand.z80", c.hand);
    const std::string cmd = "cd '" + dir.string() + "' && " + ASMCONV_PATH + " " + c.args +
                            " < src.asm > out 2> err";
    const int raw = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << c.args;
    EXPECT_EQ(test_files::slurp(dir / "err"), c.err) << c.args;
  }
  fs::remove_all(dir);
}

}  // namespace
