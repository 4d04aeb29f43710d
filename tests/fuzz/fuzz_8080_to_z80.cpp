// libFuzzer target: 8080 -> Z80 translation of arbitrary UTF-16 lines.
#include "translate_properties.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::check_translation(data, size, engine::translate_8080_to_z80, engine::translate_8080_to_z80_reference,
                          engine::convert_8080_to_z80, engine::k8080ToZ80Marking);
  return 0;
}
