#include "frontend/save_target.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace frontend {

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (a.empty() || b.empty() || ::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

ReplaceConcern replace_concern(const std::string& target, const std::string& other_pane_file) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return ReplaceConcern::none;
  if (same_file(target, other_pane_file)) return ReplaceConcern::other_pane;
  // The mode bits as well as access(): root may write a file of mode 0444,
  // but the file says it is not to be changed.
  if (::access(target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0) return ReplaceConcern::read_only;
  if (st.st_uid != ::geteuid()) return ReplaceConcern::other_owner;
  return ReplaceConcern::none;
}

}  // namespace frontend
