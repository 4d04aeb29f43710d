// What the window's commands do to panes, without the window: translating one
// pane into the other, and loading a dropped file into a pane.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/pipeline.hpp"
#include "frontend/pane.hpp"

namespace frontend {

using Translator = engine::Translation (*)(std::u16string_view line, const engine::Options& options);

// Empties target, translates every line of source in order and appends the
// results to target. Returns the indices of the target lines that came out
// marked not convertible.
std::vector<std::size_t> convert_pane(const Pane& source, Pane& target, Translator translate,
                                      const engine::Options& options = {});

// Replaces the pane's text by the lines of the file at path (read as UTF-8 with
// CR LF, LF, a lone CR or a zero byte ending a line; a final line end adds no
// line). A file that cannot be read leaves the pane as it was: returns false.
bool load_file(const std::string& path, Pane& pane);

}  // namespace frontend
