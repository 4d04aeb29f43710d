// The 8080 -> Z80 chain. Rows in chain order: number, pattern, action.
#include <vector>

#include "engine/rules.hpp"

namespace engine {

std::span<const Rule> rules_8080_to_z80() {
  static const std::vector<Rule> rules = {};
  return rules;
}

}  // namespace engine
