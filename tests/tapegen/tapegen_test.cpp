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
      {"C000 x.bin", "A", Bytes("\xC0\x00\xC0\x00" "A" "\x00\x00\xE6\x00\x41", 10)},
      {"0x8000 x.bin", "A", Bytes("\x80\x00\x80\x00" "A" "\x00\x00\xE6\x00\x41", 10)},
      {"8000h x.bin", "A", Bytes("\x80\x00\x80\x00" "A" "\x00\x00\xE6\x00\x41", 10)},
      {"'#FFFF' x.bin", "A", Bytes("\xFF\xFF\xFF\xFF" "A" "\x00\x00\xE6\x00\x41", 10)},
  };
  for (const auto& c : kCases) {
    spit("x.bin", c.input);
    const Result r = run(c.args);
    EXPECT_EQ(r.status, 0) << c.args;
    EXPECT_EQ(r.err + r.out, "") << c.args;  // silent on success
    EXPECT_EQ(slurp("x.rku"), c.image) << c.args;
    EXPECT_EQ(files(), (std::vector<std::string>{"x.bin", "x.rku"}));
  }
  spit("ff.bin", Bytes(300, '\xFF'));
  EXPECT_EQ(run("0 ff.bin").status, 0);
  EXPECT_EQ(slurp("ff.rku").substr(304), Bytes("\x00\x00\xE6\x2A\xD4", 5));
  // An existing image is replaced; a new one gets 0666 minus the umask.
  EXPECT_EQ(run("100 ff.bin", "umask 027;").status, 0);
  EXPECT_EQ(slurp("ff.rku").substr(0, 2), Bytes("\x01\x00", 2));
  fs::remove(dir_ / "ff.rku");
  EXPECT_EQ(run("100 ff.bin", "umask 027;").status, 0);
  EXPECT_EQ(fs::status(dir_ / "ff.rku").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TapegenRun, OptionsAndInfo) {
  spit("x.bin", Bytes("\x01\x02\x03", 3));
  Result r = run("-v -o img.rku 100 x.bin");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "img.rku: load 0100-0102, 3 bytes, checksum 0006\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"img.rku", "x.bin"}));
  r = run("--info img.rku");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "img.rku: load 0100-0102, 3 bytes, checksum 0006; consistent\n");
  Bytes bad = slurp("img.rku");
  bad.back() = '\x07';
  spit("bad.rku", bad);
  r = run("--info bad.rku");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "bad.rku: load 0100-0102, 3 bytes, checksum 0006; inconsistent: the addresses cover 3 bytes, "
                   "the stored checksum is 0007\n");
  // A sum over 255 is shown, and checked, whole.
  spit("s.bin", Bytes("\xFF\xFF\x02", 3));
  r = run("-v 100 s.bin");
  EXPECT_EQ(r.out, "s.rku: load 0100-0102, 3 bytes, checksum 0200\n");
  r = run("--info s.rku");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "s.rku: load 0100-0102, 3 bytes, checksum 0200; consistent\n");
  Bytes wrong = slurp("s.rku");
  wrong[wrong.size() - 2] = '\x00';  // the checksum cut to 8 bits: 00 00
  spit("cut.rku", wrong);
  EXPECT_EQ(run("--info cut.rku").status, 1);
  // An end address that does not match the data, and nothing else wrong.
  Bytes end = slurp("img.rku");
  end[3] = '\x03';
  spit("end.rku", end);
  r = run("--info end.rku");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "end.rku: load 0100-0103, 3 bytes, checksum 0006; inconsistent: the addresses cover 4 bytes, "
                   "the stored checksum is 0006\n");
  r = run("--info x.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("tapegen: x.bin is no RKU image: it has 3 bytes", 0), 0u);
  EXPECT_EQ(run("--version").out.rfind("tapegen 1.", 0), 0u);
  // A name of 255 bytes, the longest a file system takes.
  const std::string longest(251, 'n');
  EXPECT_EQ(run("-o " + longest + ".rku 100 x.bin").status, 0);
  EXPECT_EQ(slurp(longest + ".rku").size(), 12u);
}

TEST_F(TapegenRun, MessagesSayWhy) {
  fs::create_directory(dir_ / "sub");
  spit("x.bin", "xyz");
  spit("e.bin", "");
  spit("big.bin", Bytes(65537, 'x'));
  const struct {
    std::string args, err;
    int status;
  } kCases[] = {
      {"", "usage tapegen addr filename\n", 2},
      {"100", "usage tapegen addr filename\n", 2},
      {"100 a b", "usage tapegen addr filename\n", 2},
      {"-x 100 x.bin", "tapegen: unknown option -x\nusage tapegen addr filename\n", 2},
      {"zz x.bin", "tapegen: bad address 'zz': expected hexadecimal 0000-FFFF, e.g. 8000 or 8000h\n", 2},
      {"-5 x.bin", "tapegen: bad address '-5': expected hexadecimal 0000-FFFF, e.g. 8000 or 8000h\n", 2},
      {"12345 x.bin", "tapegen: bad address '12345': expected hexadecimal 0000-FFFF, e.g. 8000 or 8000h\n", 2},
      {"10000 x.bin", "tapegen: bad address '10000': expected hexadecimal 0000-FFFF, e.g. 8000 or 8000h\n", 2},
      {"100 missing.bin", "tapegen: cannot read missing.bin: No such file or directory\n", 1},
      {"100 sub", "tapegen: cannot read sub: Is a directory\n", 1},
      {"100 e.bin", "tapegen: e.bin is empty; at 0100 an image holds 1 to 65280 bytes (0100-FFFF)\n", 1},
      {"FFFF x.bin", "tapegen: x.bin has 3 bytes; at FFFF an image holds 1 to 1 bytes (FFFF-FFFF)\n", 1},
      {"100 big.bin", "tapegen: big.bin has more than 65536 bytes; at 0100 an image holds 1 to 65280 bytes (0100-FFFF)\n", 1},
      {"0 big.bin", "tapegen: big.bin has more than 65536 bytes; at 0000 an image holds 1 to 65536 bytes (0000-FFFF)\n", 1},
  };
  for (const auto& c : kCases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(files(), (std::vector<std::string>{"big.bin", "e.bin", "sub", "x.bin"}));
  spit("max.bin", Bytes(65536, 'x'));
  EXPECT_EQ(run("0 max.bin").status, 0);
  EXPECT_EQ(slurp("max.rku").size(), 65536u + 9);
  if (::geteuid() != 0) {  // meaningless for root, who may read anything
    spit("secret.bin", "x");
    fs::permissions(dir_ / "secret.bin", fs::perms::none);
    EXPECT_EQ(run("100 secret.bin").err, "tapegen: cannot read secret.bin: Permission denied\n");
  }
}

TEST_F(TapegenRun, NeverWritesTheInput) {
  const Bytes original = "keep me";
  spit("prog.rku", original);
  fs::create_hard_link(dir_ / "prog.rku", dir_ / "hard.bin");
  fs::create_symlink("prog.rku", dir_ / "soft.rku");
  const struct {
    std::string args, err;
  } kCases[] = {
      {"100 prog.rku", "tapegen: prog.rku is the input file; choose another output with -o\n"},
      {"100 ./prog.rku", "tapegen: ./prog.rku is the input file; choose another output with -o\n"},
      {"100 soft.rku", "tapegen: soft.rku is the input file; choose another output with -o\n"},
      {"-o prog.rku 100 hard.bin", "tapegen: prog.rku is the input file; choose another output with -o\n"},
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
}

TEST_F(TapegenRun, WriteErrorsLeaveNoImage) {
  spit("x.bin", Bytes(8192, 'x'));
  // The output name is taken by a folder: the image cannot be put in place.
  fs::create_directory(dir_ / "x.rku");
  Result r = run("100 x.bin");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tapegen: cannot write x.rku: Is a directory\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"x.bin", "x.rku"}));
  fs::remove(dir_ / "x.rku");
  // The device fills up half-way (a 1 KiB file size limit): no partial image.
  r = run("100 x.bin", "ulimit -f 1;");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tapegen: cannot write x.rku: File too large\n");
  EXPECT_EQ(files(), (std::vector<std::string>{"x.bin"}));
}

}  // namespace
