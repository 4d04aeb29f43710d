// The two rule chains, as tables of rows in chain order.
//
// rules_z80_to_8080(): Z80 source -> 8080 mnemonics (rules_z80_to_8080.cpp).
// rules_8080_to_z80(): 8080 source -> Z80 mnemonics (rules_8080_to_z80.cpp).
// Each row is a rule number, its pattern as written, and its action; the tables
// live for the whole process.
#pragma once

#include <span>
#include <string_view>

#include "engine/rule.hpp"

namespace engine {

std::span<const Rule> rules_z80_to_8080();
std::span<const Rule> rules_8080_to_z80();

}  // namespace engine
