// Bytes of a text file -> lines.
//
// A carriage return followed by a line feed, a line feed, a lone carriage return
// and a zero byte each end a line; the bytes that end a line are not part of it.
// A line end after the last line adds no empty line, so an empty file has no
// lines and "a\n" has one. Each line is decoded as UTF-8 without byte-order-mark
// handling (a mark stays as the first character); ill-formed bytes become U+FFFD.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct ReadLines {
  std::vector<std::u16string> lines;
  bool first_end_crlf = false;     // the first line end was CR LF
  bool ends_with_line_end = false;  // the last line was ended by a line end
};

ReadLines read_lines(std::string_view bytes);

}  // namespace engine
