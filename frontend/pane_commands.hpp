// What the window's commands do to panes, without the window: translating one
// pane into the other, loading a file into a pane, and the per-line state the
// window keeps of a translation (how each line was decided).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/pipeline.hpp"
#include "frontend/pane.hpp"

namespace frontend {

using Translator = engine::Translation (*)(std::u16string_view line, const engine::Options& options);

// How a line of a translation was decided, packed into an int that is never
// negative (a text block's user state; -1 there means "none").
struct LineState {
  engine::Decision decision = engine::Decision::blank;
  int rule = 0;
  bool marked = false;
};
int encode_state(const engine::Outcome& outcome);
std::optional<LineState> decode_state(int state);
// "rule 21: rewrite", "rule 7: marking", "no rule: marked", "index register:
// marked", "too long: marked", "directive", "label only", "blank", "statements".
std::string describe_state(const LineState& state);

// Whether a line carries a translation's not-convertible marking: `marking`
// (engine/pipeline.hpp) at the start of the line or right after its labels,
// where the translator writes it. A line that does is marked whatever made it
// (a conversion, an undo, a file), so marks always agree with the text.
bool carries_marking(std::u16string_view line, std::u16string_view marking);

struct Converted {
  std::vector<std::u16string> lines;
  std::vector<int> states;           // encode_state of each line
  std::vector<std::size_t> marked;   // indices of the lines marked not convertible
};

// Translates lines in order: next_line() gives each line (nullopt after the
// last), sink(output line, state) takes each result. Returns how many lines
// came out marked.
template <typename NextLine, typename Sink>
std::size_t convert_each(NextLine next_line, Translator translate, const engine::Options& options, Sink sink) {
  std::size_t marked = 0;
  while (const std::optional<std::u16string_view> line = next_line()) {
    engine::Translation t = translate(*line, options);
    if (engine::is_not_convertible(t.outcome)) ++marked;
    sink(std::move(t.text), encode_state(t.outcome));
  }
  return marked;
}

// Translates every line in order.
Converted convert_lines(const std::vector<std::u16string>& lines, Translator translate,
                        const engine::Options& options = {});

// Empties target, translates every line of source in order and appends the
// results to target. Returns the indices of the target lines that came out
// marked not convertible.
std::vector<std::size_t> convert_pane(const Pane& source, Pane& target, Translator translate,
                                      const engine::Options& options = {});

// Replaces the pane's text by the lines of the file at path, read as
// read_text_file reads it (a file that does not look like text too). A file
// that cannot be read, or is refused, leaves the pane as it was: returns false.
bool load_file(const std::string& path, Pane& pane);

}  // namespace frontend
