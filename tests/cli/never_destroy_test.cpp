// asmconv and tapegen never destroy a file (issue 21, items 1-11): each row is
// a command run in a folder of fixed files, the whole standard error it must
// print and its exit status; afterwards every file the row does not name is
// as it was (bytes, link target, owner, mode) and no other file has appeared.
//
// Run as root (as CI does), the rows run as an unprivileged user id of their
// own (kUser), which owns the folder and its files: root may write anything,
// so only another user observes "Permission denied". The rows about files of
// another user, and the thread cap (the limit on threads counts every process
// of a user), need root to set up and are skipped otherwise.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/files.hpp"

namespace {

namespace fs = std::filesystem;
using test_files::slurp;
using test_files::spit;

constexpr uid_t kUser = 64999;  // a user id nothing else runs as

const std::string kIn = "\tld\ta,b\n";
const std::string kOut = "\tmov\ta,b\n";

// tapegen's image of x.bin (FF FF 02) at 0100: the sum, 0200, is over 255.
const std::string kImage("\x01\x00\x01\x02\xFF\xFF\x02\x00\x00\xE6\x02\x00", 12);

struct Row {
  std::string command;  // ASMCONV and TAPEGEN stand for the programs
  std::string message;  // all of standard error
  int status;
  std::map<std::string, std::string> written = {};  // files made or changed, and their bytes
  rlim_t threads = 0;   // a limit on the user's processes and threads (0: none)
};

// What a file is: owner, group, mode, and its bytes (their size and hash) or link target.
std::string describe(const fs::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return "missing";
  std::string what = std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + " " +
                     std::to_string(st.st_mode) + " ";
  if (S_ISLNK(st.st_mode)) return what + "-> " + fs::read_symlink(p).string();
  if (S_ISREG(st.st_mode)) {
    const std::string bytes = slurp(p);
    return what + std::to_string(bytes.size()) + " bytes #" + std::to_string(std::hash<std::string>()(bytes));
  }
  return what;
}

// Every file under dir by its name there (links not followed).
void walk(const fs::path& dir, const fs::path& name, std::map<std::string, std::string>& files) {
  for (const auto& e : fs::directory_iterator(dir / name)) {
    const fs::path inner = name / e.path().filename();
    files[inner.string()] = describe(e.path());
    if (e.symlink_status().type() == fs::file_type::directory) walk(dir, inner, files);
  }
}

std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  walk(dir, "", files);
  return files;
}

class NeverDestroy : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("never_destroy_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    fs::remove_all(dir_);
    fs::remove(err_path());
  }
  fs::path err_path() const { return dir_.string() + ".stderr"; }

  // A fresh folder of the files every row starts from.
  void make_files() {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const auto at = [&](const char* name) { return dir_ / name; };
    spit(at("in.z80"), kIn);
    fs::create_symlink("in.z80", at("link.z80"));
    fs::create_hard_link(at("in.z80"), at("hard.z80"));
    spit(at("prog.asm"), "\tld\ta,c\n");  // Z80 source, named as many are
    fs::create_directories(at("a"));
    fs::create_directories(at("b"));
    fs::create_directories(at("out"));
    spit(at("a/p.z80"), "\tld\ta,d\n");
    spit(at("b/p.z80"), "\tld\ta,e\n");
    spit(at("t.asm"), "old\n");
    spit(at("target.asm"), "old target\n");
    fs::create_symlink("target.asm", at("link.asm"));
    fs::create_symlink("nowhere.asm", at("dangling.asm"));
    fs::create_symlink("loop2", at("loop1"));
    fs::create_symlink("loop1", at("loop2"));
    spit(at("ro.asm"), "read only\n");
    spit(at("x.bin"), "\xFF\xFF\x02");
    spit(at("img.rku"), kImage);
    spit(at("max.bin"), std::string(65536, '\x01'));
    spit(at("over.rku"), std::string(65546, '\0'));
    std::string marked;
    for (int i = 0; i < 20'000; ++i) marked += "\tld\ta,(ix+1)\n";
    spit(at("marked.z80"), marked);
    if (::geteuid() == 0) {
      for (const auto& [name, what] : snapshot(dir_)) EXPECT_EQ(::lchown((dir_ / name).c_str(), kUser, kUser), 0);
      EXPECT_EQ(::chown(dir_.c_str(), kUser, kUser), 0);
    }
    fs::permissions(at("ro.asm"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Files of another user, in the folder the user may write: root's.
    spit(at("theirs.asm"), "theirs\n");
    fs::permissions(at("theirs.asm"), fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec |
                                                         fs::perms::others_exec));
    spit(at("theirs_ro.asm"), "theirs, read only\n");
  }

  // Runs a row's command with sh in the folder; returns the exit status (or
  // 128 + the signal) and standard error.
  std::pair<int, std::string> run(std::string command, rlim_t threads) {
    for (const auto& [token, path] : {std::pair{std::string("ASMCONV"), std::string(ASMCONV_PATH)},
                                      std::pair{std::string("TAPEGEN"), std::string(TAPEGEN_PATH)}}) {
      for (std::size_t at; (at = command.find(token)) != std::string::npos;) command.replace(at, token.size(), "'" + path + "'");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int err = ::open(err_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      if (::chdir(dir_.c_str()) != 0) ::_exit(126);
      if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kUser) != 0 || ::setuid(kUser) != 0)) {
        ::_exit(126);
      }
      if (threads != 0) {
        const rlimit limit{threads, threads};
        ::setrlimit(RLIMIT_NPROC, &limit);
      }
      // A program that broke a rule could loop, or fill the disk: a bound on both.
      const rlimit size{8 << 20, 8 << 20};
      ::setrlimit(RLIMIT_FSIZE, &size);
      ::alarm(60);
      ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
      ::_exit(127);
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(err_path())};
  }

  void check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      make_files();
      std::map<std::string, std::string> before = snapshot(dir_);
      const auto [status, err] = run(row.command, row.threads);
      EXPECT_EQ(err, row.message) << row.command;
      EXPECT_EQ(status, row.status) << row.command;
      std::map<std::string, std::string> after = snapshot(dir_);
      for (const auto& [name, bytes] : row.written) {
        EXPECT_EQ(slurp(dir_ / name), bytes) << row.command << ": " << name;
        before.erase(name);
        after.erase(name);
      }
      // Everything else byte for byte as it was, and nothing more (no temporary file).
      for (const auto& [name, what] : before) EXPECT_EQ(after[name], what) << row.command << ": " << name;
      for (const auto& [name, what] : after) EXPECT_TRUE(before.contains(name)) << row.command << ": new " << name;
    }
  }

  fs::path dir_;
};

TEST_F(NeverDestroy, Rows) {
  const std::string refused = "; nothing written\n";
  check({
      // 1. The input, under any name, is never the output.
      {"ASMCONV --to-8080 -o in.z80 in.z80", "asmconv: in.z80 is also the input" + refused, 2},
      {"ASMCONV --to-8080 -o ./in.z80 in.z80", "asmconv: ./in.z80 is also the input" + refused, 2},
      {"ASMCONV --to-8080 -o link.z80 in.z80", "asmconv: link.z80 is also the input" + refused, 2},
      {"ASMCONV --to-8080 -o hard.z80 in.z80", "asmconv: hard.z80 is also the input" + refused, 2},
      {"ASMCONV --to-8080 -o in.z80 link.z80", "asmconv: in.z80 is also the input" + refused, 2},
      {"ASMCONV --to-8080 -o in.z80 < in.z80", "asmconv: in.z80 is also the input" + refused, 2},
      {"TAPEGEN -o in.z80 100 hard.z80", "tapegen: in.z80 is the input file; choose another output with -o\n", 1},
      // 2. Nor is standard output, when it is the input file.
      {"ASMCONV --to-8080 < in.z80 >> in.z80", "asmconv: standard output is also the input <stdin>" + refused, 2},
      {"ASMCONV --to-8080 t.asm in.z80 >> hard.z80", "asmconv: standard output is also the input in.z80" + refused, 2},
      {"TAPEGEN -o - 100 x.bin >> x.bin", "tapegen: standard output is the input file x.bin" + refused, 1},
      // 3. -d: an output that is an input, two inputs with one output; the others are translated.
      {"ASMCONV --to-8080 -d . prog.asm in.z80",
       "asmconv: ./prog.asm would replace the input prog.asm; prog.asm not translated\n", 2, {{"in.asm", kOut}}},
      {"ASMCONV --to-8080 -d out a/p.z80 b/p.z80 in.z80",
       "asmconv: a/p.z80 and b/p.z80 would both be written to out/p.asm; neither translated\n", 2,
       {{"out/in.asm", kOut}}},
      // 4. A file the user may not write.
      {"ASMCONV --to-8080 -o ro.asm in.z80", "asmconv: cannot write ro.asm: Permission denied\n", 2},
      {"TAPEGEN -o ro.asm 100 x.bin", "tapegen: cannot write ro.asm: Permission denied\n", 1},
      // 5. Links: the file a link leads to is written, also when it does not exist yet; a loop is refused.
      {"ASMCONV --to-8080 -o link.asm in.z80", "", 0, {{"target.asm", kOut}}},
      {"ASMCONV --to-8080 -o dangling.asm in.z80", "", 0, {{"nowhere.asm", kOut}}},
      {"TAPEGEN -o dangling.asm 100 x.bin", "", 0, {{"nowhere.asm", kImage}}},
      {"ASMCONV --to-8080 -o loop1 in.z80", "asmconv: cannot write loop1: Too many levels of symbolic links\n", 2},
      // 6. Standard error closed under a run: the output stays as it was, no temporary file.
      {"ASMCONV --to-8080 --check marked.z80 -o t.asm 2>&1 >/dev/null | head -1 >/dev/null", "", 0},
      // 7. Threads that cannot be started.
      {"exec env ASAN_OPTIONS=detect_leaks=0 ASMCONV --to-8080 -j 2 -o t.asm in.z80",
       "asmconv: cannot start threads: Resource temporarily unavailable\n", 2, {}, 1},
      // 8. Closed standard descriptors: nothing lands in the output.
      {"ASMCONV --to-8080 --explain -o t.asm < in.z80 2>&-", "", 0, {{"t.asm", kOut}}},
      {"ASMCONV --to-8080 in.z80 >&-", "", 0},
      {"ASMCONV --to-8080 -o t.asm <&-", "", 0, {{"t.asm", ""}}},
      {"TAPEGEN -v -o new.rku 100 x.bin >&-", "", 0, {{"new.rku", kImage}}},
      // 9. Standard output that cannot be written.
      {"ASMCONV --help > /dev/full", "asmconv: cannot write standard output: No space left on device\n", 2},
      {"ASMCONV --version > /dev/full", "asmconv: cannot write standard output: No space left on device\n", 2},
      {"ASMCONV --to-8080 in.z80 > /dev/full", "asmconv: cannot write standard output: No space left on device\n", 2},
      {"TAPEGEN --help > /dev/full", "tapegen: cannot write standard output: No space left on device\n", 1},
      {"TAPEGEN --version > /dev/full", "tapegen: cannot write standard output: No space left on device\n", 1},
      {"TAPEGEN -v -o new.rku 100 x.bin > /dev/full", "tapegen: cannot write standard output: No space left on device\n",
       1, {{"new.rku", kImage}}},
      {"TAPEGEN --info img.rku > /dev/full", "tapegen: cannot write standard output: No space left on device\n", 1},
      // 10. --info reads the whole image.
      {"TAPEGEN -o max.rku 0 max.bin && TAPEGEN --info max.rku > info", "", 0,
       {{"max.rku", std::string("\x00\x00\xFF\xFF", 4) + std::string(65536, '\x01') + std::string("\0\0\xE6\0\0", 5)},
        {"info", "max.rku: load 0000-FFFF, 65536 bytes, checksum 0000; consistent\n"}}},
      {"TAPEGEN --info over.rku",
       "tapegen: over.rku is no RKU image: it has 65546 bytes; an image has a 4-byte header, 1 to 65536 bytes of data "
       "and a 5-byte trailer\n", 1},
      // 11. Options given twice or without their value; -o - is standard output.
      {"ASMCONV --to-8080 -o t.asm -o u.asm in.z80", "asmconv: -o given twice; one output only\n", 2},
      {"ASMCONV --to-8080 -d out -d out in.z80", "asmconv: -d given twice; one folder only\n", 2},
      {"TAPEGEN -o a.rku -o b.rku 100 x.bin", "tapegen: -o given twice; one output only\n", 2},
      {"TAPEGEN 100 x.bin -o", "tapegen: -o needs a file name\n", 2},
      {"TAPEGEN -o - 100 x.bin > got", "", 0, {{"got", kImage}}},
      {"TAPEGEN -v -o - 100 x.bin > got", "<stdout>: load 0100-0102, 3 bytes, checksum 0200\n", 0, {{"got", kImage}}},
  });
}

TEST_F(NeverDestroy, AnotherUsersFilesAndTheThreadCap) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root: to give a file to another user, and to count one user's threads alone";
  }
  // Room for the threads asmconv may start, and for the few processes the
  // other rows of this user may run meanwhile (ctest runs tests side by
  // side); far below the 9999 asked for.
  const rlim_t cap = 4 * std::max(1u, std::thread::hardware_concurrency()) + 32;
  check({
      {"ASMCONV --to-8080 -o theirs.asm in.z80", "asmconv: cannot write theirs.asm: its owner and group cannot be kept\n",
       2},
      {"TAPEGEN -o theirs.asm 100 x.bin", "tapegen: cannot write theirs.asm: its owner and group cannot be kept\n", 1},
      {"ASMCONV --to-8080 -o theirs_ro.asm in.z80", "asmconv: cannot write theirs_ro.asm: Permission denied\n", 2},
      // 7. -j 9999 starts no more threads than 4 per processor.
      {"exec env ASAN_OPTIONS=detect_leaks=0 ASMCONV --to-8080 -j 9999 -o t.asm in.z80", "", 0, {{"t.asm", kOut}},
       cap},
  });
}

}  // namespace
