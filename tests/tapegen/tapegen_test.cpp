// tapegen end to end: the real program in a scratch folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

struct Result {
  int status;
  std::string err, out;
};

class TapegenRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tapegen_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void spit(const std::string& name, const Bytes& data) {
    std::ofstream(dir_ / name, std::ios::binary) << data;
  }
  Bytes slurp(const std::string& name) {
    std::ifstream f(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  // Runs tapegen in the scratch folder; `prefix` goes in front (such as "ulimit -f 1;").
  Result run(const std::string& args, const std::string& prefix = "") {
    const std::string cmd = "cd '" + dir_.string() + "' && " + prefix + " '" + TAPEGEN_PATH + "' " +
                            args + " > out.txt 2> err.txt";
    const int raw = std::system(("sh -c \"" + cmd + "\"").c_str());
    Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp("err.txt"), slurp("out.txt")};
    fs::remove(dir_ / "err.txt");
    fs::remove(dir_ / "out.txt");
    return r;
  }
  // The names in the folder, sorted.
  std::vector<std::string> files() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

TEST_F(TapegenRun, WritesImages) {
  const struct {
    std::string args;
    Bytes input, image;
  } kCases[] = {
      {"100 x.bin", Bytes("\x01\x02\x03", 3), Bytes("\x01\x00\x01\x02\x01\x02\x03\x00\x00\xE6\x00\x06", 12)},
      {"C000 x.bin", "", Bytes("\xC0\x00\xBF\xFF\x00\x00\xE6\x00\x00", 9)},
      {"0 x.bin", "", Bytes("\x00\x00\x00\xFF\x00\x00\xE6\x00\x00", 9)},
      {"12345 x.bin", "A", Bytes("\x23\x45\x23\x45" "A" "\x00\x00\xE6\x00\x41", 10)},
      {"0x8000 x.bin", "", Bytes("\x00\x00\x00\xFF\x00\x00\xE6\x00\x00", 9)},
      {"8000h x.bin", "", Bytes("\x80\x00\x7F\xFF\x00\x00\xE6\x00\x00", 9)},
  };
  for (const auto& c : kCases) {
    spit("x.bin", c.input);
    const Result r = run(c.args);
    EXPECT_EQ(r.status, 0) << c.args;
    EXPECT_EQ(r.err, "") << c.args;
    EXPECT_EQ(slurp("x.rku"), c.image) << c.args;
    EXPECT_EQ(files(), (std::vector<std::string>{"x.bin", "x.rku"}));
  }
  spit("ff.bin", Bytes(300, '\xFF'));
  EXPECT_EQ(run("0 ff.bin").status, 0);
  EXPECT_EQ(slurp("ff.rku").substr(304), Bytes("\x00\x00\xE6\x2A\xD4", 5));
  // An existing image is replaced.
  EXPECT_EQ(run("100 ff.bin").status, 0);
  EXPECT_EQ(slurp("ff.rku").substr(0, 2), Bytes("\x01\x00", 2));
}

TEST_F(TapegenRun, UsageAndReadErrors) {
  const struct {
    std::string args, err;
    int status;
  } kCases[] = {
      {"", "usage tapegen addr filename\n", 2},
      {"100", "usage tapegen addr filename\n", 2},
      {"100 a b", "usage tapegen addr filename\n", 2},
      {"100 missing.bin", "file read error:missing.bin\n", 1},
      {"100 sub", "file read error:sub\n", 1},  // a folder: its read fails
  };
  fs::create_directory(dir_ / "sub");
  for (const auto& c : kCases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(files(), (std::vector<std::string>{"sub"}));
}

TEST_F(TapegenRun, TooLarge) {
  spit("big.bin", Bytes(65537, 'x'));
  const Result r = run("100 big.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "file too large:big.bin\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"big.bin"}));
  spit("max.bin", Bytes(65536, 'x'));
  EXPECT_EQ(run("0 max.bin").status, 0);
  EXPECT_EQ(slurp("max.rku").size(), 65536u + 9);
}

TEST_F(TapegenRun, NeverWritesTheInput) {
  const Bytes original = "keep me";
  spit("prog.rku", original);
  fs::create_hard_link(dir_ / "prog.rku", dir_ / "hard.bin");
  fs::create_symlink("prog.rku", dir_ / "soft.rku");
  const struct {
    std::string args, err;
  } kCases[] = {
      {"100 prog.rku", "file write error:prog.rku\n"},
      {"100 ./prog.rku", "file write error:./prog.rku\n"},
      {"100 soft.rku", "file write error:soft.rku\n"},
  };
  for (const auto& c : kCases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(slurp("prog.rku"), original) << c.args;
  }
  // hard.bin -> hard.rku is another file: written, and the input stays.
  EXPECT_EQ(run("100 hard.bin").status, 0);
  EXPECT_EQ(slurp("prog.rku"), original);
  // twin.bin and twin.rku are two names of one file.
  fs::create_hard_link(dir_ / "prog.rku", dir_ / "twin.rku");
  fs::create_hard_link(dir_ / "prog.rku", dir_ / "twin.bin");
  const Result r = run("100 twin.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "file write error:twin.rku\n");
  EXPECT_EQ(slurp("prog.rku"), original);
}

TEST_F(TapegenRun, WriteErrorsLeaveNoImage) {
  spit("x.bin", Bytes(8192, 'x'));
  // The output name is taken by a folder: the image cannot be put in place.
  fs::create_directory(dir_ / "x.rku");
  Result r = run("100 x.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "file write error:x.rku\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"x.bin", "x.rku"}));
  fs::remove(dir_ / "x.rku");
  // The device fills up half-way (a 1 KiB file size limit): no partial image.
  r = run("100 x.bin", "ulimit -f 1;");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "file write error:x.rku\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"x.bin"}));
  // A folder that cannot be written to (meaningless for root, who may write anywhere).
  if (::geteuid() != 0) {
    fs::create_directory(dir_ / "ro");
    std::ofstream(dir_ / "ro" / "y.bin") << "y";
    fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    r = run("100 ro/y.bin");
    fs::permissions(dir_ / "ro", fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "file write error:ro/y.rku\n");
  }
}

}  // namespace
