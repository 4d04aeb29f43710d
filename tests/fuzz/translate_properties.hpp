// What every translation must hold, whatever the line: checked by the fuzzers
// on arbitrary UTF-16 text (any code unit, lone surrogates included).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/pipeline.hpp"
#include "engine/utf.hpp"

namespace fuzz {

// Stops with the property that failed and the line, escaped, so a crash file
// explains itself.
inline void require(bool condition, const char* property, std::u16string_view line = {}) {
  if (condition) return;
  std::string shown;
  for (char16_t c : line) {
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
      shown += hex;
    }
  }
  std::fprintf(stderr, "property failed: %s\nline: \"%s\"\n", property, shown.c_str());
  std::abort();
}

// The input as UTF-16 code units (two bytes each), cut into lines at line feeds.
inline std::vector<std::u16string> utf16_lines(const uint8_t* data, size_t size) {
  std::vector<std::u16string> lines(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == u'\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(unit);
    }
  }
  return lines;
}

// A line let through is the line as it came, but for one blank: the separator
// after a label is carried twice, and a glued label gets a space after its colon.
inline bool same_but_one_blank(const std::u16string& in, const std::u16string& out) {
  if (out == in) return true;
  if (out.size() != in.size() + 1) return false;
  std::size_t i = 0;
  while (i < in.size() && in[i] == out[i]) ++i;
  return (out[i] == u' ' || out[i] == u'\t') && out.compare(i + 1, std::u16string::npos, in, i) == 0;
}

using Translate = engine::Translation (*)(std::u16string_view, const engine::Options&);
using ConvertAll = std::vector<std::u16string> (*)(std::span<const std::u16string>);

inline void check_translation(const uint8_t* data, size_t size, Translate fast, Translate reference,
                              ConvertAll convert_all, std::u16string_view marking) {
  const std::vector<std::u16string> lines = utf16_lines(data, size);
  const std::vector<std::u16string> all = convert_all(lines);
  require(all.size() == lines.size(), "n lines in, n lines out");
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const engine::Translation t = fast(lines[k], {});
    require(t.text == all[k], "line by line equals the list", lines[k]);
    const engine::Translation r = reference(lines[k], {});
    require(t.text == r.text && engine::describe(t.outcome) == engine::describe(r.outcome),
            "the shortcut chain equals the plain chain", lines[k]);
    require(t.text.find(u'\n') == std::u16string::npos, "no line break in a line", lines[k]);
    switch (t.outcome.decision) {
      case engine::Decision::blank:
      case engine::Decision::label_only:
      case engine::Decision::directive:
      case engine::Decision::pass_through:
        require(same_but_one_blank(lines[k], t.text), "a line let through comes out as it went in", lines[k]);
        break;
      default:
        break;
    }
    if (engine::is_not_convertible(t.outcome)) {
      require(t.text.find(marking) != std::u16string::npos, "a marked line carries the marking", lines[k]);
    }
  }
}

}  // namespace fuzz
