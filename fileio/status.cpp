#include "fileio/status.hpp"

#include <cerrno>
#include <cstring>

namespace fileio {

Status::Status(Action action, std::string path, int error)
    : failed_(true), action_(action), error_(error != 0 ? error : EIO), path_(std::move(path)) {}

Status::Status(Action action, std::string path, Refusal refusal)
    : failed_(true), action_(action), refusal_(refusal), path_(std::move(path)) {}

std::string Status::reason() const {
  switch (refusal_) {
    case Refusal::none: return failed_ ? std::strerror(error_) : "";
    case Refusal::kept: return "it is a file this run must not replace";
    case Refusal::owner: return "its owner and group cannot be kept";
    case Refusal::mode: return "its mode cannot be kept";
    case Refusal::not_regular: return "it is not a regular file";
    case Refusal::too_large: return "it is too large";
    case Refusal::not_text: return "it does not look like text";
  }
  return {};
}

std::string Status::message() const {
  if (!failed_) return {};
  const char* doing = action_ == Action::read ? "cannot read " : "cannot write ";
  if (path_.empty()) return std::string(doing) + "a file without a name";
  return doing + path_ + ": " + reason();
}

}  // namespace fileio
