// asmconv end to end: the real program on real files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void spit(const fs::path& p, std::string_view data) {
  std::ofstream f(p, std::ios::binary);
  f << data;
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

  // Runs asmconv with args, standard input from a file holding input.
  Result run(const std::string& args, std::string_view input = {}) {
    spit(dir_ / "stdin", input);
    const std::string cmd = std::string(ASMCONV_PATH) + " " + args + " < '" +
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
  EXPECT_EQ(r.out, "a\r\n; cannot convert:\tzork\r\n; \xEF\xBF\xBD\r\nb\r\nc");
  EXPECT_EQ(r.err, "");
}

TEST_F(Asmconv, LfInputGivesLfOutputAndKeepsTheFinalLineEnd) {
  const Result r = run("--to-z80 -", "x\tequ\t5\n\n\tzork\n");
  EXPECT_EQ(r.out, "x\t\tequ\t5\n\n;Cannot convert:\tzork\n");
}

TEST_F(Asmconv, CheckCountsMarkedLines) {
  Result r = run("--to-8080 --check", "start:\n\tzork\n; c\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "3 lines, 1 not convertible\n");
  r = run("--to-8080 --check", "start:\n; c\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "2 lines, 0 not convertible\n");
}

TEST_F(Asmconv, ExplainNamesTheDecision) {
  const Result r = run("--to-8080 --explain", "\n; c\nstart:\nx equ 1\n\tld\t(ix+1),a\n\tzork\n");
  EXPECT_EQ(r.err,
            "1: blank\n2: blank\n3: label only\n4: directive\n5: index register\n6: no rule\n");
}

TEST_F(Asmconv, FilesInAndOut) {
  spit(dir_ / "in.asm", "\tzork\n");
  const fs::path out = dir_ / "out.asm";
  const Result r = run("--to-8080 -o '" + out.string() + "' '" + (dir_ / "in.asm").string() + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(slurp(out), "; cannot convert:\tzork\n");
  // Translating a file onto itself works: the input is read before the output is written.
  const Result same = run("--to-z80 -o '" + (dir_ / "in.asm").string() + "' '" +
                          (dir_ / "in.asm").string() + "'");
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(slurp(dir_ / "in.asm"), ";Cannot convert:\tzork\n");
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
      {"--to-8080 --frobnicate", "asmconv: unknown option --frobnicate"},
      {"--to-8080 a b", "asmconv: more than one input file"},
      {"--to-8080 -o", "asmconv: -o needs a file name"},
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
  const Result r = run("--to-8080 --check '" + (data / "monitor.z80").string() + "'");
  EXPECT_EQ(r.out, slurp(data / "monitor.8080"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "390 lines, 18 not convertible\n");
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
  Result r = run("--to-z80 --check --explain '" + (data / "ccp.asm").string() + "'");
  EXPECT_EQ(r.out, slurp(data / "ccp.z80"));
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("\n16: rule 80 pass-through\n"), std::string::npos);  // if debug
  EXPECT_NE(r.err.find("\n17: rule 83 rewrite\n"), std::string::npos);       // rst 7
  EXPECT_NE(r.err.find("\n48: statements: rule 35 rewrite ! rule 48 rewrite\n"), std::string::npos);
  EXPECT_NE(r.err.find("\n92 lines, 0 not convertible\n"), std::string::npos);
  r = run("--to-8080 --check '" + (data / "bios.z80").string() + "'");
  EXPECT_EQ(r.out, slurp(data / "bios.8080"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "110 lines, 6 not convertible\n");
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
      {"m80.z80", "--to-8080", "m80.8080", "56 lines, 3 not convertible\n"},
      {"tasm.z80", "--to-8080", "tasm.8080", "27 lines, 2 not convertible\n"},
      {"intel.asm", "--to-z80", "intel.z80", "32 lines, 0 not convertible\n"},
  };
  for (const auto& f : kFiles) {
    const Result r = run(std::string(f.direction) + " --check '" + (data / f.in).string() + "'");
    EXPECT_EQ(r.out, slurp(data / f.out)) << f.in;
    EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), f.summary) << f.in;
  }
}

TEST_F(Asmconv, HelpDocumentsEveryOption) {
  const Result r = run("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word : {"--to-8080", "--to-z80", "-o OUT", "--check", "--explain", "exit status"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
}

}  // namespace
