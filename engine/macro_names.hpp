// The names of the macros a source defines, learnt from its own lines.
//
// A call of such a macro ("xpush b") is no instruction the engine could
// translate: what it expands to is translated where the macro is defined. The
// pipeline lets a statement whose first word is one of these names through as
// typed (Options::macros). Definitions are read in these forms (any case,
// labels with or without a colon, in column 1 or indented):
//   NAME MACRO args      NAME: MACRO args      MACRO NAME args
//   .MACRO NAME args     #DEFINE NAME body     #DEFINE NAME(args) body
// Names compare without regard to case.
//
// Not thread-safe while it learns: learn between translations, and read it
// from any number of threads while none learns.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace engine {

class MacroNames {
 public:
  // Learns the macro a line of UTF-8 text (or 8-bit text) defines, if any.
  void learn_line(std::string_view line);
  void learn_line(std::u16string_view line);
  // Learns from every line of a text (lines end at CR, LF or a zero byte).
  void learn_text(std::string_view text);

  bool contains(std::u16string_view word) const;
  bool empty() const { return names_.empty(); }
  std::size_t size() const { return names_.size(); }

 private:
  std::unordered_set<std::string> names_;  // lower case
};

}  // namespace engine
