// The Z80 -> 8080 chain. Rows in chain order: number, pattern, action.
#include <vector>

#include "engine/rules.hpp"

namespace engine {

std::span<const Rule> rules_z80_to_8080() {
  static const std::vector<Rule> rules = {};
  return rules;
}

}  // namespace engine
