// Writes a libFuzzer dictionary for a translation target: every literal of the
// direction's rule patterns and every word of the dialect table, as the UTF-16
// code units (little-endian) the targets read, so that short runs reach the
// rules. Usage: make_dictionary z80|8080 > FILE
#include <cstdio>
#include <set>
#include <string>
#include <string_view>

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/rules.hpp"

namespace {

void put(const std::string& word) {
  std::printf("\"");
  for (unsigned char c : word) std::printf("\\x%02X\\x00", c);
  std::printf("\"\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const bool z80 = std::string_view(argv[1]) == "z80";
  std::set<std::string> words = {"\t", " ", ",", ":", "::", ";", "!", "!=", "'", "\"", "(", ")", "$", "#",
                                 "=", "af'", "(hl)", "(ix+", "(iy-", "ixh", "iyl", "i,", "0+(", "38h", "$20",
                                 "0x20", "%101", "17o", ".z80", ".8080", "#include", ".db", "equ", "defl", "set",
                                 "macro", "jr", "djnz", "rst"};
  for (const engine::Rule& rule : z80 ? engine::rules_z80_to_8080() : engine::rules_8080_to_z80()) {
    const std::u16string_view pattern = rule.pattern;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
      std::size_t at = i;
      const std::string literal = engine::literal_at(pattern, at);
      if (literal.size() >= 2) words.insert(literal);
    }
  }
  for (const std::u16string_view w : engine::shared_directives()) words.insert(std::string(w.begin(), w.end()));
  for (const std::string& w : words) put(w);
  return 0;
}
