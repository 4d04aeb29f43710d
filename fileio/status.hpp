// The outcome of a file operation, the one error type of the file layer
// (this library, the window's file reading and tapegen's input): success, or
// what failed, in three parts: what was being done (reading or writing), the
// file's name as the user gave it, and why, which is the system's errno or one
// of the few refusals of the file layer's own.
//
// message() is the line the command-line programs print: "cannot read NAME:
// REASON" or "cannot write NAME: REASON", REASON being strerror's text for an
// errno; a write to an empty name reads "cannot write a file without a name".
// Callers with sentences of their own (the window) build them from the parts.
//
// A small value: copy it, compare it, keep it.
#pragma once

#include <cstdint>
#include <string>

namespace fileio {

class Status {
 public:
  enum class Action : std::uint8_t { read, write };
  // Why, when it is not the system's errno.
  enum class Refusal : std::uint8_t {
    none,         // errno says why
    kept,         // a file this run must not replace (an input, another document's file)
    owner,        // a replacement could not keep the file's owner and group
    mode,         // a replacement could not keep the file's mode
    not_regular,  // a device, a FIFO or a socket where a file is to be read whole
    too_large,    // more bytes than the reader takes
    not_text,     // bytes that do not look like text
  };

  Status() = default;  // success
  // errno must not be 0 (EIO stands in for a failure that set none).
  Status(Action action, std::string path, int error);
  Status(Action action, std::string path, Refusal refusal);

  bool ok() const { return !failed_; }
  Action action() const { return action_; }
  const std::string& path() const { return path_; }
  int error() const { return error_; }           // the errno; 0 for a refusal or success
  Refusal refusal() const { return refusal_; }   // none for an errno or success
  // The reason alone: strerror's text, or the refusal's ("it is a file this run
  // must not replace").
  std::string reason() const;
  // "cannot write NAME: REASON"; "" for success.
  std::string message() const;

  bool operator==(const Status&) const = default;

 private:
  bool failed_ = false;
  Action action_ = Action::read;
  Refusal refusal_ = Refusal::none;
  int error_ = 0;
  std::string path_;
};

}  // namespace fileio
