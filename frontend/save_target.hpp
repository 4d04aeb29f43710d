// Whether the window may write a pane's text over a file without asking.
//
// A save never replaces, without a question, a file that the other pane shows
// (the source a translation came from, say), one the user may not write, or
// one that belongs to another user. Files are the same when they are the same
// device and inode, whatever names lead to them (links, "./", symbolic links).
// A target that does not exist yet needs no question.
#pragma once

#include <string>

namespace frontend {

enum class ReplaceConcern { none, other_pane, read_only, other_owner };

// What to ask before `target` is replaced; other_pane_file is the file the
// other pane shows (empty: none).
ReplaceConcern replace_concern(const std::string& target, const std::string& other_pane_file);

// Both names lead to one existing file.
bool same_file(const std::string& a, const std::string& b);

}  // namespace frontend
