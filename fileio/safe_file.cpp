#include "fileio/safe_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fileio {
namespace {

namespace fs = std::filesystem;

// What the signal handler needs, kept where it may read it safely.
char g_temp[4096];
volatile std::sig_atomic_t g_have_temp = 0;
const char* g_program = "";
struct sigaction g_before[NSIG];  // the handling a crash signal had before guard_signals

void put(const char* text) {
  const std::size_t n = std::strlen(text);
  (void)!::write(STDERR_FILENO, text, n);
}

void remove_temp() {
  if (g_have_temp != 0) ::unlink(g_temp);
  g_have_temp = 0;
}

bool is_crash(int signal) {
  for (const int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) {
    if (s == signal) return true;
  }
  return false;
}

void on_signal(int signal, siginfo_t* info, void*) {
  const bool had_temp = g_have_temp != 0;
  remove_temp();
  if (signal == SIGPIPE) {
    // The reader has gone: end as a program without this handling would.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(SIGPIPE);
    ::_exit(128 + SIGPIPE);
  }
  if (is_crash(signal)) {
    // The handling from before takes over: a fault comes back when the
    // instruction runs again, a sent signal is sent again.
    ::sigaction(signal, &g_before[signal], nullptr);
    if (info == nullptr || info->si_code <= 0) ::raise(signal);
    return;
  }
  char number[4] = {static_cast<char>('0' + signal / 10 % 10), static_cast<char>('0' + signal % 10), '\0', '\0'};
  put(g_program);
  put(": stopped by signal ");
  put(signal < 10 ? number + 1 : number);
  put(had_temp ? "; the output file is as it was\n" : "\n");
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

Status cannot_write(const std::string& shown, int error) { return Status(Status::Action::write, shown, error); }
Status cannot_write(const std::string& shown, Status::Refusal why) { return Status(Status::Action::write, shown, why); }

// The folder part of a path, with its last slash ("a/b" -> "a/"), or "".
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool in_group(gid_t group) {
  if (group == ::getegid()) return true;
  const int n = ::getgroups(0, nullptr);
  if (n <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(n));
  const int got = ::getgroups(n, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

// Where a write to a path goes, and what is there.
struct Target {
  Status status;         // not ok: the write cannot go ahead
  int own = -1;          // one of the process's descriptors
  std::string path;      // the name written: symbolic links of its last part followed
  bool exists = false;
  struct stat st {};     // of path, when it exists
  TargetCheck check;
};

// The rule of check_target, and what SafeFile::open needs to follow it.
Target examine(const std::string& shown, std::span<const FileId> keep) {
  Target t;
  const auto deny = [&](Status status) {
    t.check.verdict = TargetCheck::denied;
    t.check.status = status;
    t.status = std::move(status);
    return t;
  };
  if (shown.empty()) return deny(cannot_write(shown, ENOENT));
  if (const std::optional<FileId> id = file_id(shown)) {
    const auto found = std::find(keep.begin(), keep.end(), *id);
    if (found != keep.end()) {
      t.check.verdict = TargetCheck::kept;
      t.check.which = static_cast<std::size_t>(found - keep.begin());
      t.status = cannot_write(shown, Status::Refusal::kept);
      return t;
    }
  }
  t.own = own_descriptor(shown);
  if (t.own >= 0) return t;

  // The last part's symbolic links, followed as open() would follow them.
  std::string p = shown;
  for (int hop = 0;; ++hop) {
    if (hop == 40) return deny(cannot_write(shown, ELOOP));
    if (::lstat(p.c_str(), &t.st) != 0) {
      if (errno != ENOENT) return deny(cannot_write(shown, errno));
      break;
    }
    if (!S_ISLNK(t.st.st_mode)) {
      t.exists = true;
      break;
    }
    std::vector<char> to(static_cast<std::size_t>(std::max<off_t>(t.st.st_size, 255)) + 2);
    const ssize_t n = ::readlink(p.c_str(), to.data(), to.size());
    if (n < 0) return deny(cannot_write(shown, errno));
    if (static_cast<std::size_t>(n) >= to.size()) return deny(cannot_write(shown, ENAMETOOLONG));
    const std::string link(to.data(), static_cast<std::size_t>(n));
    p = link.starts_with('/') ? link : folder_of(p) + link;
  }
  t.path = p;
  if (t.exists && S_ISDIR(t.st.st_mode)) return deny(cannot_write(shown, EISDIR));
  if (t.exists && !S_ISREG(t.st.st_mode)) return t;  // written into

  // A regular file, or none yet: a new file is made in the folder.
  const std::string folder = folder_of(p).empty() ? std::string(".") : folder_of(p);
  struct stat folder_st {};
  if (::stat(folder.c_str(), &folder_st) != 0) return deny(cannot_write(shown, errno));
  if (!S_ISDIR(folder_st.st_mode)) return deny(cannot_write(shown, ENOTDIR));
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return deny(cannot_write(shown, errno));
  if (!t.exists) return t;
  if (::faccessat(AT_FDCWD, p.c_str(), W_OK, AT_EACCESS) != 0) return deny(cannot_write(shown, errno));
  if (::geteuid() != 0) {
    const bool group_given = (folder_st.st_mode & S_ISGID) != 0 && folder_st.st_gid == t.st.st_gid;
    if (t.st.st_uid != ::geteuid() || !(group_given || in_group(t.st.st_gid))) return deny(cannot_write(shown, Status::Refusal::owner));
  }
  return t;
}

void remove_temp_at_exit() { remove_temp(); }

}  // namespace

std::string reason(int error) { return std::strerror(error); }

std::optional<FileId> file_id(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

std::optional<FileId> file_id(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

TargetCheck check_target(const std::string& path, std::span<const FileId> keep) { return examine(path, keep).check; }

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

Status SafeFile::open(const std::string& path, std::span<const FileId> keep) {
  discard();
  shown_ = path;
  failed_ = 0;
  replaces_ = false;
  const Target t = examine(path, keep);
  if (!t.status.ok()) return t.status;
  if (t.own >= 0) {
    fd_ = ::fcntl(t.own, F_DUPFD_CLOEXEC, 0);
    return fd_ < 0 ? cannot_write(shown_, errno) : Status();
  }
  if (t.exists && !S_ISREG(t.st.st_mode)) {
    // A FIFO, a device, a terminal: written straight into, never replaced.
    fd_ = ::open(t.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    return fd_ < 0 ? cannot_write(shown_, errno) : Status();
  }

  target_ = fs::absolute(t.path).string();  // the same file if the working folder changes
  const std::string name = target_.substr(target_.rfind('/') + 1);
  temp_ = folder_of(target_) + "." + name.substr(0, 200) + ".XXXXXX";
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    temp_.clear();
    return cannot_write(shown_, error);
  }
  replaces_ = true;
  remember_temp(temp_);
  struct stat made {};
  if (t.exists) {
    // The owner, the group and the mode are kept, or the file is not replaced.
    if (::fstat(fd_, &made) == 0 && (made.st_uid != t.st.st_uid || made.st_gid != t.st.st_gid)) {
      (void)!::fchown(fd_, t.st.st_uid, t.st.st_gid);
    }
    ::fchmod(fd_, t.st.st_mode & 07777);
    if (::fstat(fd_, &made) != 0 || made.st_uid != t.st.st_uid || made.st_gid != t.st.st_gid) {
      discard();
      return cannot_write(shown_, Status::Refusal::owner);
    }
    if ((made.st_mode & 07777) != (t.st.st_mode & 07777)) {
      discard();
      return cannot_write(shown_, Status::Refusal::mode);
    }
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

Status SafeFile::commit() {
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

Status write_file(const std::string& path, std::string_view data, std::span<const FileId> keep) {
  SafeFile file;
  if (Status status = file.open(path, keep); !status.ok()) return status;
  file.write(data);
  return file.commit();
}

void guard_signals(const char* program) {
  g_program = program;
  std::vector<int> signals = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU,
                              SIGVTALRM, SIGPROF, SIGPIPE, SIGIO,   SIGSEGV, SIGBUS,  SIGFPE,  SIGILL,
                              SIGABRT, SIGTRAP,   SIGSYS};
#ifdef SIGPWR
  signals.push_back(SIGPWR);
#endif
#ifdef SIGSTKFLT
  signals.push_back(SIGSTKFLT);
#endif
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) signals.push_back(s);
  struct sigaction action {};
  action.sa_sigaction = on_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;  // on a stack of its own, where a sanitizer set one up
  sigemptyset(&action.sa_mask);
  for (const int s : signals) {
    struct sigaction before {};
    if (::sigaction(s, nullptr, &before) != 0) continue;
    if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler == SIG_IGN) continue;  // nohup: stays ignored
    g_before[s] = before;
    ::sigaction(s, &action, nullptr);
  }
  std::signal(SIGXFSZ, SIG_IGN);
  static bool registered = false;
  if (!registered) registered = std::atexit(remove_temp_at_exit) == 0;
}

void open_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);  // the lowest free number: fd
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
}

Status finish_standard_output() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) return Status(Status::Action::write, "standard output", errno);
  return {};
}

Status write_all(int fd, std::string_view data, const std::string& name) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status(Status::Action::write, name, n < 0 ? errno : EIO);
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace fileio
