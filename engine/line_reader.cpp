#include "engine/line_reader.hpp"

namespace engine {

ReadLines read_lines(std::string_view bytes) {
  ReadLines out;
  static_cast<LineEnds&>(out) = for_each_line(bytes, [&out](std::u16string_view line) { out.lines.emplace_back(line); });
  return out;
}

}  // namespace engine
