// Bytes of a text file -> lines.
//
// Lines end as engine/line_end.hpp says (CR LF, LF, a lone CR, a zero byte).
// A line end after the last line adds no empty line, so an empty file has no
// lines and "a\n" has one. Each line is decoded as UTF-8 without byte-order-mark
// handling (a mark stays as the first character); ill-formed bytes become U+FFFD.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/line_end.hpp"
#include "engine/utf.hpp"

namespace engine {

struct LineEnds {
  bool first_end_crlf = false;      // the first line end was CR LF
  bool ends_with_line_end = false;  // the last line was ended by a line end
};

struct ReadLines : LineEnds {
  std::vector<std::u16string> lines;
};

ReadLines read_lines(std::string_view bytes);

// Calls each_line(line) for every line in order, decoding into one buffer that
// is reused (the view is valid during the call only).
template <typename EachLine>
LineEnds for_each_line(std::string_view bytes, EachLine&& each_line) {
  LineEnds ends;
  bool seen_end = false;
  std::u16string buffer;
  std::size_t start = 0;
  for (std::size_t i = find_line_end(bytes); i < bytes.size(); i = find_line_end(bytes, start)) {
    buffer.clear();
    append_utf16(buffer, bytes.substr(start, i - start));
    each_line(std::u16string_view(buffer));
    if (!seen_end) ends.first_end_crlf = is_crlf(bytes, i);
    seen_end = true;
    start = after_line_end(bytes, i);
  }
  if (start < bytes.size()) {
    buffer.clear();
    append_utf16(buffer, bytes.substr(start));
    each_line(std::u16string_view(buffer));
  }
  ends.ends_with_line_end = !bytes.empty() && start == bytes.size();
  return ends;
}

}  // namespace engine
