// asmconv end to end: the real program on real files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/files.hpp"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

using test_files::slurp;
using test_files::spit;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream s(text);
  for (std::string line; std::getline(s, line);) lines.push_back(line);
  return lines;
}

class Asmconv : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("asmconv_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs asmconv in the test's folder with args, standard input from a file holding input.
  Result run(const std::string& args, std::string_view input = {}) {
    spit(dir_ / "stdin", input);
    const std::string cmd = "cd '" + dir_.string() + "' && " + std::string(ASMCONV_PATH) + " " + args + " < '" +
                            (dir_ / "stdin").string() + "' > '" + (dir_ / "stdout").string() +
                            "' 2> '" + (dir_ / "stderr").string() + "'";
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir_ / "stdout"), slurp(dir_ / "stderr")};
  }

  fs::path dir_;
};

TEST_F(Asmconv, MixedLineEndsNulAndInvalidUtf8) {
  // CR LF first: the output uses CR LF throughout. NUL and a lone CR end lines.
  const std::string in("a\r\n\tzork\n; \xFF\rb\0c", 16);
  const Result r = run("--to-8080", in);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a\r\n; cannot convert:\tzork\r\n; \xFF\r\nb\r\nc");  // a byte that is not UTF-8 comes back
  EXPECT_EQ(r.err, "");
}

// Names the other notation reserves: warned of once per file, with --check.
TEST_F(Asmconv, CheckWarnsOfReservedNamesOnce) {
  const Result r = run("--to-8080 --check -j 2", "DAD equ 5\n\tdefb -DFIX+dad\n\tld a,CMA ; rra\n\tjp m,x\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "<stdin>:1: warning: DAD is a mnemonic in 8080 notation; rename it\n"
                   "<stdin>:3: warning: CMA is a mnemonic in 8080 notation; rename it\n"
                   "4 lines, 0 not convertible\n");
}

TEST_F(Asmconv, LfInputGivesLfOutputAndKeepsTheFinalLineEnd) {
  const Result r = run("--to-z80 -", "x\tequ\t5\n\n\tzork\n");
  EXPECT_EQ(r.out, "x\t\tequ\t5\n\n;Cannot convert:\tzork\n");
}

#define kJrReason \
  " -- relative-jump: jr: relative jump; the 8080 has none (the Convert menu or --jr-as-jump can make it an absolute jump)"

TEST_F(Asmconv, CheckReportsEachMarkedLine) {
  Result r = run("--to-8080 --check", "start:\n\tjr\tz,  mainlp\n; c\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "<stdin>:2: cannot convert: jr z, mainlp" kJrReason "\n3 lines, 1 not convertible\n");
  r = run("--to-8080 --check", "start:\n; c\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "2 lines, 0 not convertible\n");
}

TEST_F(Asmconv, ExplainNamesTheDecisionAndShowsTheStatements) {
  const Result r = run("--to-8080 --explain", "\n; c\nstart:\nx equ 1\n\tld\t(ix+1),a\n\tzork\nl:\tld\ta,  b ; x\n");
  EXPECT_EQ(r.err,
            "<stdin>:1: blank\n<stdin>:2: blank\n<stdin>:3: label only\n<stdin>:4: directive: equ 1 -> equ 1\n"
            "<stdin>:5: index register: ld (ix+1),a -> ; cannot convert: ld (ix+1),a"
            " -- index-register: (ix+d): index registers do not exist on the 8080\n"
            "<stdin>:6: no rule: zork -> ; cannot convert: zork"
            " -- macro-call: macro call: the engine cannot know what it expands to\n"
            "<stdin>:7: rule 21 rewrite: ld a, b -> mov a,b\n");
}

TEST_F(Asmconv, ExplainAndCheckShowEachStatement) {
  const struct {
    std::string args, in, err;
  } kCases[] = {
      // a statement after "!" in an 8080 comment is listed, even one let through
      {"--to-z80 --explain", "\tmov a,b ; c! db 1\n",
       "<stdin>:1: statements: rule 6 rewrite ! rule 1 pass-through: mov a,b ; c! db 1 -> ld a,b ; c! db 1\n"},
      // the "'" of af' opens no quote: the comment is not part of the statement
      {"--to-8080 --check", "\tex af,af' ; it's\n",
       "<stdin>:1: cannot convert: ex af,af' -- second-register-set: exx, ex af,af': no second register set on "
       "the 8080\n1 lines, 1 not convertible\n"},
  };
  for (const auto& c : kCases) EXPECT_EQ(run(c.args, c.in).err, c.err) << c.in;
}

TEST_F(Asmconv, FilesInAndOut) {
  spit(dir_ / "in.asm", "\tzork\n");
  const fs::path out = dir_ / "out.asm";
  const Result r = run("--to-8080 -o '" + out.string() + "' '" + (dir_ / "in.asm").string() + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(slurp(out), "; cannot convert:\tzork\n");
  // A file is never translated onto itself (tests/cli/never_destroy_test.cpp has the other ways).
  const Result same = run("--to-z80 -o '" + (dir_ / "in.asm").string() + "' '" +
                          (dir_ / "in.asm").string() + "'");
  EXPECT_EQ(same.status, 2);
  EXPECT_EQ(slurp(dir_ / "in.asm"), "\tzork\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 5);
}

TEST_F(Asmconv, ErrorsExitWithTwo) {
  const std::string missing = (dir_ / "missing.asm").string();
  const struct {
    std::string args, message_start;
  } kErrors[] = {
      {"", "asmconv: say either --to-8080 or --to-z80"},
      {"--to-8080 --to-z80", "asmconv: say either"},
      {"--to-8080 --frobnicate", "asmconv: unknown option --frobnicate (see --help)"},
      {"--to8080", "asmconv: unknown option --to8080 (did you mean --to-8080?)"},
      {"--to-8080 --chek", "asmconv: unknown option --chek (did you mean --check?)"},
      {"--to-8080 a b -o x", "asmconv: -o takes one input"},
      {"--to-8080 -o", "asmconv: -o needs a file name"},
      {"--to-8080 -o ''", "asmconv: -o needs a file name"},
      {"--to-8080 -d", "asmconv: -d needs a folder"},
      {"--to-8080 -d x -o y a", "asmconv: -o and -d exclude each other"},
      {"--to-8080 -d x", "asmconv: -d needs file names"},
      {"--to-8080 -j 0", "asmconv: -j needs a number"},
      {"--to-z80 --jr-as-jump", "asmconv: --jr-as-jump is for --to-8080"},
      {"--to-8080 '" + missing + "'", "asmconv: cannot read " + missing},
      {"--to-8080 '" + dir_.string() + "'", "asmconv: cannot read "},
      {"--to-8080 -o '" + (dir_ / "no" / "such" / "dir").string() + "'", "asmconv: cannot write "},
  };
  for (const auto& e : kErrors) {
    const Result r = run(e.args, "\tnop\n");
    EXPECT_EQ(r.status, 2) << e.args;
    EXPECT_EQ(r.err.rfind(e.message_start, 0), 0u) << e.args << " -> " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// A realistic program, translated and checked line by line by hand once; any
// change in the output is a change in behaviour.
TEST_F(Asmconv, RealisticZ80Program) {
  const fs::path data = TEST_DATA_DIR;
  const std::string name = (data / "monitor.z80").string();
  const Result r = run("--to-8080 --check '" + name + "'");
  EXPECT_EQ(r.out, slurp(data / "monitor.8080"));
  EXPECT_EQ(r.status, 1);
  // Each report as an editor reads it: the file, the line, the statement.
  const std::regex report("([^:]+):([0-9]+): cannot convert: (.*)");
  const std::vector<std::string> in = lines_of(slurp(data / "monitor.z80"));
  const std::vector<std::string> out = lines_of(r.out);
  std::istringstream err(r.err);
  std::size_t reports = 0;
  for (std::string line; std::getline(err, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, report)) {
      EXPECT_EQ(line, "390 lines, 18 not convertible");
      continue;
    }
    ++reports;
    EXPECT_EQ(m[1].str(), name);
    const std::size_t number = std::stoul(m[2].str());
    ASSERT_LE(number, out.size());
    EXPECT_NE(out[number - 1].find("; cannot convert:"), std::string::npos) << line;
    EXPECT_NE(in[number - 1].find(m[3].str().substr(0, m[3].str().find(' '))), std::string::npos) << line;
  }
  EXPECT_EQ(reports, 18u);
}

TEST_F(Asmconv, Realistic8080Program) {
  const fs::path data = TEST_DATA_DIR;
  const Result r = run("--to-z80 --check '" + (data / "copy.asm").string() + "'");
  EXPECT_EQ(r.out, slurp(data / "copy.z80"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "340 lines, 0 not convertible\n");
}

// CP/M-style sources: indented labels, DRI "!" statements, directives,
// conditional assembly and restarts.
TEST_F(Asmconv, CpmStyleSources) {
  const fs::path data = TEST_DATA_DIR;
  const std::string ccp = (data / "ccp.asm").string();
  Result r = run("--to-z80 --check --explain '" + ccp + "'");
  EXPECT_EQ(r.out, slurp(data / "ccp.z80"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find(ccp + ":16: rule 80 pass-through: if debug -> if debug\n"), std::string::npos);
  EXPECT_NE(r.err.find(ccp + ":17: rule 83 rewrite: rst 7 -> rst 38h\n"), std::string::npos);
  EXPECT_NE(r.err.find(ccp + ":48: statements: rule 35 rewrite ! rule 48 rewrite: "), std::string::npos);
  EXPECT_NE(r.err.find("\n92 lines, 0 not convertible\n"), std::string::npos);
  r = run("--to-8080 --check '" + (data / "bios.z80").string() + "'");
  EXPECT_EQ(r.out, slurp(data / "bios.8080"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), "110 lines, 6 not convertible\n");
}

// Sources written for other assemblers, checked line by line by hand once.
TEST_F(Asmconv, DialectSources) {
  const fs::path data = TEST_DATA_DIR;
  const struct {
    const char* in;
    const char* direction;
    const char* out;
    const char* summary;
  } kFiles[] = {
      {"m80.z80", "--to-8080", "m80.8080", "56 lines, 2 not convertible\n"},
      {"tasm.z80", "--to-8080", "tasm.8080", "27 lines, 2 not convertible\n"},
      {"intel.asm", "--to-z80", "intel.z80", "32 lines, 0 not convertible\n"},
  };
  for (const auto& f : kFiles) {
    const Result r = run(std::string(f.direction) + " --check '" + (data / f.in).string() + "'");
    EXPECT_EQ(r.out, slurp(data / f.out)) << f.in;
    EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), f.summary) << f.in;
  }
}

// --keep-layout: a source typed in columns, translated and translated back.
TEST_F(Asmconv, KeepLayoutBothWays) {
  const fs::path data = TEST_DATA_DIR;
  const struct {
    const char* in;
    const char* direction;
    const char* out;
  } kFiles[] = {
      {"layout.z80", "--to-8080", "layout.8080"},
      {"layout.8080", "--to-z80", "layout.z80"},
  };
  for (const auto& f : kFiles) {
    const Result r = run(std::string(f.direction) + " --keep-layout '" + (data / f.in).string() + "'");
    EXPECT_EQ(r.out, slurp(data / f.out)) << f.in;
    EXPECT_EQ(r.status, 0) << f.in;
  }
}

TEST_F(Asmconv, SeveralInputsAndOutputChoices) {
  spit(dir_ / "a.z80", "\tld\ta,b\n");
  spit(dir_ / "b.z80", "\tjr\tx\n");
  spit(dir_ / "-x.z80", "\tret\n");
  fs::create_directories(dir_ / "out");
  const std::string a = (dir_ / "a.z80").string(), b = (dir_ / "b.z80").string();
  Result r = run("--to-8080 --check '" + a + "' '" + b + "' -d '" + (dir_ / "out").string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(slurp(dir_ / "out" / "a.asm"), "\tmov\ta,b\n");
  EXPECT_EQ(slurp(dir_ / "out" / "b.asm"), "; cannot convert:\tjr\tx\n");
  EXPECT_EQ(r.err, a + ": 1 lines, 0 not convertible\n" + b + ":1: cannot convert: jr x" kJrReason "\n" + b +
                       ": 1 lines, 1 not convertible\n");
  r = run("--to-z80 -d '" + (dir_ / "out").string() + "' '" + (dir_ / "out" / "a.asm").string() + "'");
  EXPECT_EQ(slurp(dir_ / "out" / "a.z80"), "\tld\ta,b\n");
  // Several inputs to standard output, one after the other; "-o -" is standard output too.
  EXPECT_EQ(run("--to-8080 '" + a + "' '" + a + "'").out, "\tmov\ta,b\n\tmov\ta,b\n");
  EXPECT_EQ(run("--to-8080 -o - '" + a + "'").out, "\tmov\ta,b\n");
  // After "--" a name that starts with "-" is a file.
  r = run("--to-8080 -- -x.z80");
  EXPECT_EQ(r.out, "\tret\n");
  EXPECT_EQ(run("--to-8080 -x.z80").status, 2);
  r = run("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("asmconv 1.", 0), 0u);
}

TEST_F(Asmconv, HelpDocumentsEveryOption) {
  const Result r = run("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"--to-8080", "--to-z80", "-o OUT", "-d DIR", "--check", "--explain", "--jr-as-jump", "-j N",
                           "--version", "--help", "exit status"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

TEST_F(Asmconv, TheDirectionFollowsTheInputsNotation) {
  const struct {
    std::string args, in;
    int status;
    std::string out, err;
  } kCases[] = {
      {"", "\tld\ta,b\n", 0, "\tmov\ta,b\n", "asmconv: <stdin> looks like Z80 source: translating to 8080\n"},
      {"", "\tmvi\ta,1\n", 0, "\tld\ta,1\n", "asmconv: <stdin> looks like 8080 source: translating to Z80\n"},
      {"", "\tnop\n", 2, "", "asmconv: say either --to-8080 or --to-z80: the notation of <stdin> is not clear\n"},
      {"--to-z80", "\tld\ta,b\n", 0, ";Cannot convert:\tld\ta,b\n", "asmconv: warning: <stdin> looks like Z80 source, not 8080\n"},
      {"--to-8080", "\tld\ta,b\n", 0, "\tmov\ta,b\n", ""},
      {"--version > /dev/null; cat stdin | " ASMCONV_PATH " > stdout 2> stderr #", "\tld\ta,b\n", 0, "\tmov\ta,b\n",  // a pipe
       "asmconv: <stdin> looks like Z80 source: translating to 8080\n"},
  };
  for (const auto& c : kCases) {
    const Result r = run(c.args, c.in);
    EXPECT_EQ(r.status, c.status) << c.args << c.in;
    EXPECT_EQ(r.out, c.out) << c.args << c.in;
    EXPECT_EQ(r.err, c.err) << c.args << c.in;
  }
}

}  // namespace
