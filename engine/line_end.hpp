// What ends a line of text, for every reader of lines (the engine's line
// reader, asmconv's stream, the window's files).
//
// A line feed, a carriage return and a zero byte each end a line; a carriage
// return followed by a line feed is one line end, not two. The bytes of a line
// end are not part of the line. A zero byte ends a line like a line feed and is
// written back as one; CR LF and a lone CR are written back as they came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace engine {

inline constexpr bool is_line_end(char c) { return c == '\n' || c == '\r' || c == '\0'; }

// Index of the first line-end byte at or after `from`, or text.size(); eight
// bytes at a time (a stream of a million lines spends much of its time here).
inline std::size_t find_line_end(std::string_view text, std::size_t from = 0) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  const auto has_zero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  std::size_t i = from;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t v;
    std::memcpy(&v, text.data() + i, 8);
    if (has_zero(v) | has_zero(v ^ (ones * '\n')) | has_zero(v ^ (ones * '\r'))) break;
  }
  for (; i < text.size(); ++i) {
    if (is_line_end(text[i])) return i;
  }
  return text.size();
}

// Whether the line end at text[at] is CR LF.
inline bool is_crlf(std::string_view text, std::size_t at) {
  return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n';
}

// The index just after the line end at text[at]. A CR that is the last byte of
// `text` counts alone: whoever reads a text in pieces must not end a line at
// such a CR before the next byte (or the end of the input) is known.
inline std::size_t after_line_end(std::string_view text, std::size_t at) { return at + (is_crlf(text, at) ? 2 : 1); }

// How the line end at text[at] is written: CR LF, a lone CR, or LF (for LF
// and for a zero byte).
inline std::string_view line_end_spelling(std::string_view text, std::size_t at) {
  return is_crlf(text, at) ? "\r\n" : text[at] == '\r' ? "\r" : "\n";
}

}  // namespace engine
