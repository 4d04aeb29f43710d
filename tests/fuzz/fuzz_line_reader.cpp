// libFuzzer target: bytes -> lines. Every line end gives exactly one line, no
// line holds a line-end byte, and valid UTF-8 comes back unchanged.
#include <cstdlib>
#include <string_view>

#include "engine/line_reader.hpp"
#include "engine/utf.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const engine::ReadLines read = engine::read_lines(bytes);
  std::size_t ends = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n') ++i;
    if (bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\0') ++ends;
  }
  const bool open_last = size > 0 && !read.ends_with_line_end;
  if (read.lines.size() != ends + (open_last ? 1 : 0)) std::abort();
  std::string again;
  for (const auto& line : read.lines) {
    if (line.find_first_of(u"\r\n", 0) != std::u16string::npos || line.find(u'\0') != std::u16string::npos) {
      std::abort();
    }
    again += engine::utf16_to_utf8(line);
  }
  // Decoding and encoding again is stable.
  if (engine::utf16_to_utf8(engine::utf8_to_utf16(again)) != again) std::abort();
  return 0;
}
