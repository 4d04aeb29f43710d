// asmconv's files, signals and encodings: what it writes into, what a signal
// or a size limit leaves behind, inputs that shrink or stand at an offset,
// byte order marks and UTF-16, line ends, permissions, and threads.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cli/files.hpp"

namespace {

namespace fs = std::filesystem;

using test_files::slurp;
using test_files::spit;

struct Ran {
  int status;  // exit status, or 128 + the signal that ended it
  std::string err;
};

class AsmconvIo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("asmconv_io_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs a shell command in the test's folder ("ASMCONV" stands for the program).
  Ran sh(std::string command) {
    for (std::size_t at; (at = command.find("ASMCONV")) != std::string::npos;) command.replace(at, 7, ASMCONV_PATH);
    const std::string full = "cd '" + dir_.string() + "' && { " + command + "; } 2> '" + (dir_ / "stderr").string() + "'";
    const int raw = std::system(full.c_str());
    Ran r{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(dir_ / "stderr")};
    fs::remove(dir_ / "stderr");
    return r;
  }

  std::size_t files() const { return std::distance(fs::directory_iterator(dir_), fs::directory_iterator()); }

  fs::path dir_;
};

const std::string kLine = "\tld\ta,b\n";
const std::string kOut = "\tmov\ta,b\n";

TEST_F(AsmconvIo, WritesIntoWhatIsNoRegularFile) {
  spit(dir_ / "in", kLine);
  // A FIFO with a reader gets the text, and stays a FIFO.
  ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  Ran r = sh("cat fifo > got & ASMCONV --to-8080 -o fifo in; wait");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir_ / "got"), kOut);
  EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
  // A symbolic link to the process's standard output, which is a pipe.
  fs::create_symlink("/proc/self/fd/1", dir_ / "link");
  r = sh("ASMCONV --to-8080 -o link in | cat > piped");
  EXPECT_EQ(slurp(dir_ / "piped"), kOut);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  // /dev/stdout appended to a log keeps what the log held.
  spit(dir_ / "log", "old\n");
  r = sh("ASMCONV --to-8080 -o /dev/stdout in >> log");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir_ / "log"), "old\n" + kOut);
}

// Starts asmconv reading a pipe, writing OUT; returns its pid and the pipe's end.
// It dumps no core.
pid_t start(const fs::path& dir, int& feed, rlim_t size_limit = RLIM_INFINITY) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    ::close(fds[1]);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    const rlimit limit{size_limit, size_limit}, no_core{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::setrlimit(RLIMIT_CORE, &no_core);
    ::chdir(dir.c_str());
    ::execl(ASMCONV_PATH, "asmconv", "--to-8080", "-o", "OUT", nullptr);
    ::_exit(127);
  }
  ::close(fds[0]);
  feed = fds[1];
  return pid;
}

int wait_status(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string lines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "\tld\ta,(x" + std::to_string(i) + ")\n";
  return s;
}

TEST_F(AsmconvIo, SignalsAndLimitsLeaveTheOutputAsItWas) {
  // Every signal that ends a program by default; a crash signal goes on to the
  // handling it had (a sanitizer may turn it into an exit).
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF,
                           SIGPIPE, SIGRTMIN + 1, SIGSEGV, SIGABRT}) {
    spit(dir_ / "OUT", "old");
    int feed;
    const pid_t pid = start(dir_, feed);
    ASSERT_EQ(::write(feed, kLine.data(), kLine.size()), static_cast<ssize_t>(kLine.size()));
    // Wait until the temporary file holds the line, then stop the program mid-write.
    for (int tries = 0; tries < 1000; ++tries) {
      bool written = false;
      for (const auto& e : fs::directory_iterator(dir_)) written |= e.path().filename() != "OUT" && fs::file_size(e) > 0;
      if (written) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, signal);
    const int status = wait_status(pid);
    if (signal != SIGSEGV && signal != SIGABRT) {
      EXPECT_EQ(status, 128 + signal) << signal;
    }
    ::close(feed);
    EXPECT_EQ(slurp(dir_ / "OUT"), "old") << signal;
    EXPECT_EQ(files(), 1u) << signal;  // no temporary file left
  }
  // A file-size limit: an error, not death by SIGXFSZ. The program may stop
  // reading before all is written to it.
  spit(dir_ / "OUT", "old");
  int feed;
  const pid_t pid = start(dir_, feed, 64 * 1024);
  const std::string some = lines(20'000);
  const auto ignored = std::signal(SIGPIPE, SIG_IGN);
  (void)!::write(feed, some.data(), some.size());
  ::close(feed);
  std::signal(SIGPIPE, ignored);
  EXPECT_EQ(wait_status(pid), 2);
  EXPECT_EQ(slurp(dir_ / "OUT"), "old");
  EXPECT_EQ(files(), 1u);
}

TEST_F(AsmconvIo, InputsThatShrinkOrStandAtAnOffset) {
  // Cut while it is read: the run ends normally, with what it could read.
  const std::string big = lines(1'500'000);
  spit(dir_ / "in", big);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::chdir(dir_.c_str());
    ::execl(ASMCONV_PATH, "asmconv", "--to-8080", "-o", "out", "in", nullptr);
    ::_exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  fs::resize_file(dir_ / "in", 1000);
  EXPECT_EQ(wait_status(pid), 0);
  // Standard input is translated from where the shell left it.
  spit(dir_ / "in", "header\n" + kLine);
  EXPECT_EQ(sh("{ read -r header; ASMCONV --to-8080; } < in > out").status, 0);
  EXPECT_EQ(slurp(dir_ / "out"), kOut);
}

TEST_F(AsmconvIo, StreamsWhileTheInputIsOpen) {
  int in[2], out[2];
  ASSERT_EQ(::pipe(in), 0);
  ASSERT_EQ(::pipe(out), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    for (const int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
    ::execl(ASMCONV_PATH, "asmconv", "--to-8080", nullptr);
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ASSERT_EQ(::write(in[1], kLine.data(), kLine.size()), static_cast<ssize_t>(kLine.size()));
  // The first line comes out while the input is still open.
  std::string got;
  for (int tries = 0; tries < 1000 && got.size() < kOut.size(); ++tries) {
    char buffer[64];
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(got, kOut);
  ::close(in[1]);
  ::close(out[0]);
  EXPECT_EQ(wait_status(pid), 0);
}

TEST_F(AsmconvIo, CrLfAcrossTheReadBoundary) {
  // The input is read 1 MiB at a time: here the CR of a CR LF is the last byte
  // of the first read, and its LF the first of the second. One line end.
  std::string in = ";cc\r\n";
  for (int i = 0; i < 262'143 + 1000; ++i) in += ";c\r\n";
  ASSERT_EQ(in.substr((1 << 20) - 1, 2), "\r\n");
  spit(dir_ / "in", in);
  EXPECT_EQ(sh("ASMCONV --to-8080 in > out").status, 0);
  EXPECT_TRUE(slurp(dir_ / "out") == in);
}

TEST_F(AsmconvIo, ByteOrderMarksLineEndsAndLineSeparators) {
  const struct {
    std::string in, out;
  } kFiles[] = {
      {"\xEF\xBB\xBF" + kLine, "\xEF\xBB\xBF" + kOut},  // the mark is no part of the first line
      {"\xEF\xBB\xBF", "\xEF\xBB\xBF"},
      {std::string("\xFF\xFE\t\0l\0d\0 \0a\0,\0b\0\n\0", 18), std::string("\xFF\xFE\t\0m\0o\0v\0 \0a\0,\0b\0\n\0", 20)},
      {std::string("\xFE\xFF\0\t\0l\0d\0 \0a\0,\0b\0\r\0\n", 20), std::string("\xFE\xFF\0\t\0m\0o\0v\0 \0a\0,\0b\0\r\0\n", 22)},
      {std::string("\xFF\xFE;\0\x00\xD8", 6), std::string("\xFF\xFE;\0\xFD\xFF", 6)},  // a lone surrogate
      {"a\rb\r", "a\rb\r"},                               // the first line end decides
      {"a\r\nb\nc", "a\r\nb\r\nc"},
      {std::string("a\0b\n", 4), "a\nb\n"},
      {"\tld a,b ; x\xE2\x80\xA9ld b,c\n", "\tmov a,b ; x\xE2\x80\xA9ld b,c\n"},  // U+2029 ends no line
  };
  for (const auto& f : kFiles) {
    spit(dir_ / "in", f.in);
    const Ran r = sh("ASMCONV --to-8080 --check in > out");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir_ / "out"), f.out);
  }
}

// A comment in an 8-bit code page (every byte 128-255) comes back byte for
// byte, with or without the code page named; named, the diagnostics show it.
TEST_F(AsmconvIo, EightBitTextComesBackByteForByte) {
  std::string high;
  for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
  spit(dir_ / "in", "\tld\ta,b ; " + high + "\r\n\tld (hl),\"\xCF\"\r\n");
  for (const std::string option : {"", "--encoding cp1251", "--encoding koi8-r", "--encoding cp866", "--encoding latin1"}) {
    const Ran r = sh("ASMCONV --to-8080 -j 2 " + option + " --explain in > out");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir_ / "out"), "\tmov\ta,b ; " + high + "\r\n\tmvi m,\"\xCF\"\r\n") << option;
    if (option == "--encoding cp1251") {
      EXPECT_NE(r.err.find("mvi m,\"\xD0\x9F\""), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(sh("ASMCONV --to-8080 --encoding ebcdic in").status, 2);
}

// A file is read twice: calls of its macros go through before their definition too.
TEST_F(AsmconvIo, MacrosOfTheSourceGoThroughAsTyped) {
  const std::string source = "\txpush b\nxpush macro r\n\tendm\n\txpush d\n";
  spit(dir_ / "in", source);
  EXPECT_EQ(sh("ASMCONV --to-z80 --check in > out").status, 0);
  EXPECT_EQ(slurp(dir_ / "out"), "\txpush b\nxpush  macro r\n\tendm\n\txpush d\n");
  // In UTF-16 the names are learnt from the decoded text.
  std::string utf16 = "\xFF\xFE";
  for (const char c : source) utf16 += c, utf16 += '\0';
  spit(dir_ / "in", utf16);
  EXPECT_EQ(sh("ASMCONV --to-z80 --check in > out").status, 0);
}

TEST_F(AsmconvIo, ReplacedFilesKeepTheirPermissions) {
  spit(dir_ / "in", kLine);
  spit(dir_ / "kept", "old");
  fs::permissions(dir_ / "kept", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(sh("ASMCONV --to-8080 -o kept in").status, 0);
  EXPECT_EQ(fs::status(dir_ / "kept").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(sh("umask 027 && ASMCONV --to-8080 -o new in").status, 0);
  EXPECT_EQ(fs::status(dir_ / "new").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A name of 255 bytes, the longest a file system takes.
  const std::string longest(251, 'n');
  EXPECT_EQ(sh("ASMCONV --to-8080 -o " + longest + ".asm in").status, 0);
  EXPECT_EQ(slurp(dir_ / (longest + ".asm")), kOut);
}

TEST_F(AsmconvIo, RootKeepsTheOwnerOfAFileItReplaces) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user, and replace it";
  spit(dir_ / "in", kLine);
  spit(dir_ / "theirs", "old");
  ASSERT_EQ(::chown((dir_ / "theirs").c_str(), 64999, 64998), 0);
  ASSERT_EQ(::chmod((dir_ / "theirs").c_str(), 0444), 0);  // root may write it, as a shell redirect would
  EXPECT_EQ(sh("ASMCONV --to-8080 -o theirs in").status, 0);
  EXPECT_EQ(slurp(dir_ / "theirs"), kOut);
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / "theirs").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 64999u);
  EXPECT_EQ(st.st_gid, 64998u);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(files(), 2u);
}

TEST_F(AsmconvIo, ThreadsChangeNothing) {
  // Enough lines for several batches, from the sample programs, with marks.
  std::string in;
  for (const char* name : {"monitor.z80", "m80.z80", "tasm.z80", "bios.z80"}) in += slurp(fs::path(TEST_DATA_DIR) / name);
  std::string big;
  while (big.size() < (9u << 20)) big += in;
  spit(dir_ / "in", big);
  const Ran one = sh("ASMCONV --to-8080 --check --explain -j 1 in > one");
  const Ran three = sh("ASMCONV --to-8080 --check --explain -j 3 in > three");
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(slurp(dir_ / "one"), slurp(dir_ / "three"));
  EXPECT_EQ(one.err, three.err);
}

}  // namespace
