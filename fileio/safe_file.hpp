// Writing a file so that a failure, a signal or a full disk loses nothing.
//
// A regular file, or a name that does not exist yet, is written under a
// temporary name in its folder (".NAME.XXXXXX", the name cut short so that any
// name of up to 255 bytes works) and renamed over the target only once all of
// it is written. A replaced file keeps its permissions (and its owner, where
// the system allows); a new one gets 0666 minus the umask. A symbolic link to
// a file stays a link: the file it leads to is replaced.
//
// Anything else that exists is written straight into, never replaced and
// never truncated: a FIFO, a device, a terminal. /dev/stdout, /dev/stderr,
// /dev/fd/N and /proc/self/fd/N, also behind symbolic links, are the process's
// own descriptor N, so "-o /dev/stdout >> log" appends to log.
//
// With guard_signals(), SIGTERM, SIGINT and SIGHUP remove the temporary file
// of the write under way, print why the program stopped and end it with
// status 128 + the signal's number; SIGXFSZ is ignored, so that a file-size
// limit is an ordinary write error.
#pragma once

#include <string>
#include <string_view>

namespace fileio {

class SafeFile {
 public:
  SafeFile() = default;
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;
  ~SafeFile();  // an uncommitted temporary file is removed

  // Returns an error text ("cannot write NAME: reason"), or an empty one.
  std::string open(const std::string& path);
  // Writes all of data. After a failure, later writes do nothing and commit
  // reports the first failure.
  bool write(std::string_view data);
  // Finishes the file (renames it into place). Returns an error text, or an
  // empty one; after an error the target is as it was.
  std::string commit();

 private:
  void discard();

  int fd_ = -1;
  bool replaces_ = false;  // written under a temporary name
  std::string shown_, target_, temp_;
  int failed_ = 0;
};

// The whole file at once, as SafeFile does it. Returns an error text, or "".
std::string write_file(const std::string& path, std::string_view data);

// Installs the signal handling described above; `program` starts the message.
void guard_signals(const char* program);

// The system's reason for errno, as strerror gives it.
std::string reason(int error);

}  // namespace fileio
