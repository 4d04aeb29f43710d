#include "fileio/safe_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace fileio {
namespace {

namespace fs = std::filesystem;

// What the signal handler needs, kept where it may read it safely.
char g_temp[4096];
volatile std::sig_atomic_t g_have_temp = 0;
const char* g_program = "";

void put(const char* text) {
  const std::size_t n = std::strlen(text);
  (void)!::write(STDERR_FILENO, text, n);
}

void on_signal(int signal) {
  if (g_have_temp != 0) ::unlink(g_temp);
  char number[4] = {static_cast<char>('0' + signal / 10 % 10), static_cast<char>('0' + signal % 10), '\0', '\0'};
  put(g_program);
  put(": stopped by signal ");
  put(signal < 10 ? number + 1 : number);
  put(g_have_temp != 0 ? "; the output file is as it was\n" : "\n");
  ::_exit(128 + signal);
}

void remember_temp(const std::string& path) {
  g_have_temp = 0;
  if (path.size() >= sizeof g_temp) return;  // too long to remember: nothing is removed on a signal
  std::memcpy(g_temp, path.c_str(), path.size() + 1);
  g_have_temp = 1;
}

void forget_temp() { g_have_temp = 0; }

// The descriptor a path names when it is one of the process's own (also behind
// symbolic links), or -1.
int own_descriptor(const std::string& path) {
  const std::string self = "/proc/" + std::to_string(::getpid()) + "/fd/";
  fs::path p = path;
  for (int hop = 0; hop < 40; ++hop) {
    const std::string s = fs::absolute(p).lexically_normal().string();
    if (s == "/dev/stdin") return STDIN_FILENO;
    if (s == "/dev/stdout") return STDOUT_FILENO;
    if (s == "/dev/stderr") return STDERR_FILENO;
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), self}) {
      if (s.size() > prefix.size() && s.starts_with(prefix) &&
          s.find_first_not_of("0123456789", prefix.size()) == std::string::npos && s.size() - prefix.size() < 9) {
        return std::stoi(s.substr(prefix.size()));
      }
    }
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return -1;
    const fs::path to = fs::read_symlink(p, ec);
    if (ec) return -1;
    p = to.is_absolute() ? to : p.parent_path() / to;
  }
  return -1;
}

std::string cannot_write(const std::string& shown, int error) { return "cannot write " + shown + ": " + reason(error); }

}  // namespace

std::string reason(int error) { return std::strerror(error); }

SafeFile::~SafeFile() { discard(); }

void SafeFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (replaces_ && !temp_.empty()) {
    ::unlink(temp_.c_str());
    forget_temp();
  }
  temp_.clear();
}

std::string SafeFile::open(const std::string& path) {
  discard();
  shown_ = path;
  failed_ = 0;
  replaces_ = false;
  if (path.empty()) return "cannot write a file without a name";
  if (const int own = own_descriptor(path); own >= 0) {
    fd_ = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
    return fd_ < 0 ? cannot_write(shown_, errno) : std::string();
  }
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return cannot_write(shown_, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A FIFO, a device, a terminal: written straight into, never replaced.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    return fd_ < 0 ? cannot_write(shown_, errno) : std::string();
  }

  std::error_code ec;
  fs::path target = fs::weakly_canonical(fs::path(path), ec);
  if (ec) target = path;
  target_ = target.string();
  const std::string name = target.filename().string();
  temp_ = (target.parent_path() / ("." + name.substr(0, 200) + ".XXXXXX")).string();
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    temp_.clear();
    return cannot_write(shown_, error);
  }
  replaces_ = true;
  remember_temp(temp_);
  if (exists) {
    (void)!::fchown(fd_, st.st_uid, st.st_gid);  // keeps the owner where the system allows it
    ::fchmod(fd_, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  return {};
}

bool SafeFile::write(std::string_view data) {
  while (failed_ == 0 && !data.empty()) {
    const ssize_t n = ::write(fd_, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = n < 0 ? errno : EIO;
      break;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return failed_ == 0;
}

std::string SafeFile::commit() {
  if (fd_ < 0) return cannot_write(shown_, EBADF);
  if (failed_ == 0 && replaces_ && ::fsync(fd_) != 0) failed_ = errno;
  if (::close(fd_) != 0 && failed_ == 0) failed_ = errno;
  fd_ = -1;
  if (failed_ == 0 && replaces_ && ::rename(temp_.c_str(), target_.c_str()) != 0) failed_ = errno;
  if (failed_ != 0) {
    discard();
    return cannot_write(shown_, failed_);
  }
  if (replaces_) forget_temp();
  temp_.clear();
  replaces_ = false;
  return {};
}

std::string write_file(const std::string& path, std::string_view data) {
  SafeFile file;
  if (std::string error = file.open(path); !error.empty()) return error;
  file.write(data);
  return file.commit();
}

void guard_signals(const char* program) {
  g_program = program;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace fileio
