// What a user may choose about a translation. The defaults give the plain
// translation; every choice is off unless asked for.
#pragma once

namespace engine {

struct Options {
  // Z80 -> 8080: "jr e" becomes "jmp e" and "jr cc,e" the conditional jump.
  // Exact in behaviour, one byte longer each; a target written relative to
  // "$" is still marked, as its distance changes.
  bool jr_as_jump = false;

  // A backslash separates statements as "!" and ":" do ("ld a,b \ inc hl").
  // Off by default: it clashes with macro parameters such as "\1".
  bool backslash_separates = false;

  bool operator==(const Options&) const = default;
};

}  // namespace engine
