// libFuzzer target: Z80 -> 8080 translation of arbitrary UTF-16 lines.
#include "translate_properties.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::check_translation(data, size, engine::translate_z80_to_8080, engine::translate_z80_to_8080_reference,
                          engine::convert_z80_to_8080, engine::kZ80To8080Marking);
  return 0;
}
