// Names in a source that the other notation reserves.
//
// A Z80 program may call a label DAD or CMA; once translated, an 8080
// assembler reads those as mnemonics (likewise EX, JR or IX in an 8080
// program, and HL or BC, which are Z80 registers). The translation is kept;
// the user is told to rename the name.
//
// reserved_names lists each such word of a line: its labels and the names in
// its operands (not a statement's mnemonic, not quoted text, not the comment,
// not the source notation's own registers and conditions), in the order they
// stand, as views of the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/dialect.hpp"

namespace engine {

std::vector<std::u16string_view> reserved_names(std::u16string_view line, Notation source);

// "DAD is a mnemonic in 8080 notation; rename it" (or "a register").
std::string reserved_name_warning(std::u16string_view name, Notation source);

}  // namespace engine
