#include "engine/line_reader.hpp"

#include "engine/utf.hpp"

namespace engine {

ReadLines read_lines(std::string_view bytes) {
  ReadLines out;
  bool seen_end = false;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const char b = bytes[i];
    if (b != '\r' && b != '\n' && b != '\0') {
      ++i;
      continue;
    }
    out.lines.push_back(utf8_to_utf16(bytes.substr(start, i - start)));
    const bool crlf = b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
    if (!seen_end) out.first_end_crlf = crlf;
    seen_end = true;
    i += crlf ? 2 : 1;
    start = i;
  }
  if (start < bytes.size()) out.lines.push_back(utf8_to_utf16(bytes.substr(start)));
  out.ends_with_line_end = !bytes.empty() && start == bytes.size();
  return out;
}

}  // namespace engine
