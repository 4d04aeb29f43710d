// Writing a file so that a failure, a signal or a full disk loses nothing, and
// deciding whether a file may be replaced at all.
//
// The rule asmconv, tapegen and the window share (check_target): a write never
// replaces a file that is an input of the same run or that belongs to another
// document (the caller names those files), nor a file the user cannot write;
// and a replaced file keeps its owner, group and mode, or is not replaced.
// The command-line programs refuse such a write with a message, the window
// asks (or warns). Every failure leaves the old file, and no temporary file.
//
// A regular file, or a name that does not exist yet, is written under a
// temporary name in its folder (".NAME.XXXXXX", the name cut short so that any
// name of up to 255 bytes works) and renamed over the target only once all of
// it is written. A new file gets 0666 minus the umask. A symbolic link stays a
// link: the file it leads to is written, also when that file does not exist
// yet (a dangling link, as a shell redirect does); a link loop is refused.
//
// Anything else that exists is written straight into, never replaced and
// never truncated: a FIFO, a device, a terminal. /dev/stdout, /dev/stderr,
// /dev/fd/N and /proc/self/fd/N, also behind symbolic links, are the process's
// own descriptor N, so "-o /dev/stdout >> log" appends to log.
//
// With guard_signals(), every signal that ends a program by default and that a
// program can catch removes the temporary file of the write under way; see
// guard_signals below.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "fileio/status.hpp"

namespace fileio {

// A regular file's identity: its device and inode, the same under every name,
// symbolic link or hard link that leads to it.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// The regular file `path` leads to (symbolic links followed), or nothing: for
// a name that leads nowhere, and for anything that is not a regular file (a
// folder, a device, a FIFO, a terminal), which is never replaced.
std::optional<FileId> file_id(const std::string& path);
// The same for an open descriptor (standard input or output, say).
std::optional<FileId> file_id(int fd);

struct TargetCheck {
  enum Verdict {
    allowed,  // nothing there yet, a file this process may replace, or a device
              // or FIFO it may write into
    kept,     // the file is keep[which]: an input, another document's file
    denied,   // it may not or cannot be written: `status` says why
  };
  Verdict verdict = allowed;
  std::size_t which = 0;  // kept: the index in keep
  Status status;          // denied: why ("cannot write NAME: REASON")
};

// Whether a write to `path` may go ahead, by the rule above; nothing is
// created or changed. In this order:
//  - kept when path leads (through any name or link) to one of keep's files;
//  - denied when it is a folder, a link loop, or in a folder that does not
//    exist or that the user cannot write into ("Permission denied");
//  - denied when it is a regular file the user cannot write, by the kernel's
//    own test for the effective user (what a shell redirect would meet: mode,
//    ACLs, a read-only file system; root may write a file of mode 0444);
//  - denied when the user could write it but a replacement could not keep its
//    owner and group (a file of another user or of a group the user is not
//    in, unless the process is root): "its owner and group cannot be kept";
//  - allowed otherwise.
// SafeFile::open makes the same check, so a caller that asks first (for a
// message of its own, or a question) gets the same answer there.
TargetCheck check_target(const std::string& path, std::span<const FileId> keep = {});

class SafeFile {
 public:
  SafeFile() = default;
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;
  ~SafeFile();  // an uncommitted temporary file is removed

  // Refuses what check_target refuses (a kept file: "cannot write NAME: it is
  // a file this run must not replace"); a replacement whose owner, group or
  // mode came out different from the file's is refused too.
  Status open(const std::string& path, std::span<const FileId> keep = {});
  // Writes all of data. After a failure, later writes do nothing and commit
  // reports the first failure.
  bool write(std::string_view data);
  // Finishes the file (renames it into place); after a failure the target is
  // as it was.
  Status commit();

 private:
  void discard();

  int fd_ = -1;
  bool replaces_ = false;  // written under a temporary name
  std::string shown_, target_, temp_;
  int failed_ = 0;
};

// The whole file at once, as SafeFile does it.
Status write_file(const std::string& path, std::string_view data, std::span<const FileId> keep = {});

// Installs the signal handling: each signal whose default action ends the
// program and that can be caught (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1,
// SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF, SIGPIPE, the real-time
// signals, ...) removes the temporary file of the write under way. SIGPIPE
// then ends the program silently by SIGPIPE (the reader has gone); a crash
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS) goes on to the
// handling it had before (a core dump, a sanitizer's report); any other prints
// "PROGRAM: stopped by signal N" (with "; the output file is as it was" when a
// write was under way) and ends the program with status 128 + N. A signal the
// program was started with ignored (nohup) stays ignored. SIGXFSZ is ignored,
// so that a file-size limit is an ordinary write error. A normal exit() also
// removes the temporary file. `program` starts the message.
void guard_signals(const char* program);

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so that no
// file opened later takes a standard descriptor's number (and diagnostics
// never land in an output file). Call it first thing in main.
void open_standard_descriptors();

// Flushes stdio's standard output. Fails ("cannot write standard output:
// REASON") if it or any earlier write to it failed (a full disk, /dev/full, a
// closed pipe).
Status finish_standard_output();

// Writes all of data to a descriptor, going on after a short write or an
// interrupted one. A failure names the descriptor as `name` ("standard
// output").
Status write_all(int fd, std::string_view data, const std::string& name);

// The system's reason for errno, as strerror gives it.
std::string reason(int error);

}  // namespace fileio
