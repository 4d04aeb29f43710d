// Which notation a source is written in, from the mnemonics only one of the
// two has.
//
// Each statement's first word is looked up: mov, mvi, lxi, jnz, inr, ... are
// 8080 only; ld, jr, djnz, ex, inc, ... are Z80 only; words both have (push,
// call, ret, nop, jp, cp, cpi, add, adc, sub, ...) and unknown words (macros,
// directives) count for neither. A notation wins when it has at least one
// word and more than twice the other's; a near tie, or a text with no telling
// word at all (an empty file, comments only), decides nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/dialect.hpp"

namespace engine {

struct NotationCount {
  std::size_t z80 = 0;    // statements whose first word only Z80 has
  std::size_t i8080 = 0;  // statements whose first word only the 8080 has

  // Counts the statements of one line.
  void add_line(std::u16string_view line);
  // The notation the counts point to, if they point clearly.
  std::optional<Notation> notation() const;
};

// The extension the programs give a file written in the notation, such as a
// translation of prog.z80 into 8080 mnemonics: prog.asm.
constexpr std::string_view file_extension(Notation notation) { return notation == Notation::z80 ? ".z80" : ".asm"; }

}  // namespace engine
