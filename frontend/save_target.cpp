#include "frontend/save_target.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include "fileio/safe_file.hpp"

namespace frontend {

bool same_file(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  const std::optional<fileio::FileId> x = fileio::file_id(a), y = fileio::file_id(b);
  return x && y && *x == *y;
}

ReplaceConcern replace_concern(const std::string& target, const std::string& other_pane_file) {
  struct stat st {};
  // Nothing there, or no file (a folder): the write itself says what is wrong.
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ReplaceConcern::none;
  // The rule the command-line programs share: the other pane's file is kept.
  const std::optional<fileio::FileId> other =
      other_pane_file.empty() ? std::nullopt : fileio::file_id(other_pane_file);
  const fileio::TargetCheck check =
      fileio::check_target(target, other ? std::span<const fileio::FileId>(&*other, 1) : std::span<const fileio::FileId>());
  if (check.verdict == fileio::TargetCheck::kept) return ReplaceConcern::other_pane;
  // The mode bits as well: root may write a file of mode 0444, but the file
  // says it is not to be changed.
  if (check.verdict == fileio::TargetCheck::denied && st.st_uid != ::geteuid() && ::access(target.c_str(), W_OK) == 0) {
    return ReplaceConcern::other_owner;
  }
  if (check.verdict == fileio::TargetCheck::denied || (st.st_mode & 0222) == 0) return ReplaceConcern::read_only;
  if (st.st_uid != ::geteuid()) return ReplaceConcern::other_owner;
  return ReplaceConcern::none;
}

}  // namespace frontend
