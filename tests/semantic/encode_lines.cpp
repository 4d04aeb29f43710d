// Prints what the engine's encoders make of each line on standard input, one
// output line per input line: the MachineCode ("21 [4660 : word]"), or
// "! REASON" when the line does not encode. For encoders.js.
//
// Usage: encode_lines (z80 | 8080)
#include <iostream>
#include <string>

#include "engine/encode_8080.hpp"
#include "engine/encode_z80.hpp"
#include "engine/utf.hpp"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const bool z80 = std::string(argv[1]) == "z80";
  std::string line, why;
  engine::MachineCode code;
  while (std::getline(std::cin, line)) {
    std::u16string text;
    engine::append_utf16(text, line);
    const bool ok = z80 ? engine::encode_z80(text, code, why) : engine::encode_8080(text, code, why);
    std::cout << (ok ? engine::to_string(code) : "! " + why) << '\n';
  }
  return 0;
}
