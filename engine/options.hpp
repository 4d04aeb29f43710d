// What a user may choose about a translation. The defaults give the plain
// translation; every choice is off unless asked for.
#pragma once

namespace engine {

class MacroNames;

struct Options {
  // Z80 -> 8080: "jr e" becomes "jmp e" and "jr cc,e" the conditional jump.
  // Exact in behaviour, one byte longer each; a target written relative to
  // "$" is still marked, as its distance changes.
  bool jr_as_jump = false;

  // A backslash separates statements as "!" and ":" do ("ld a,b \ inc hl").
  // Off by default: it clashes with macro parameters such as "\1".
  bool backslash_separates = false;

  // A rewritten statement keeps the columns and case of the statement typed
  // (keep_layout.hpp), and a label keeps the blank after it as typed: a line
  // let through comes out byte for byte as its source. Off, a rewrite shows
  // the rule's compact text.
  bool keep_layout = false;

  // The macros the source defines (macro_names.hpp): a statement that calls
  // one goes out as typed. Must outlive the translations that use it; null or
  // empty for none.
  const MacroNames* macros = nullptr;

  bool operator==(const Options&) const = default;
};

}  // namespace engine
