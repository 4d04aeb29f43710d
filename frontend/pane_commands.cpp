#include "frontend/pane_commands.hpp"

#include "engine/source_line.hpp"
#include "frontend/text_file.hpp"

namespace frontend {

int encode_state(const engine::Outcome& outcome) {
  const bool marked = engine::is_not_convertible(outcome);
  return (outcome.rule & 0xFF) << 8 | static_cast<int>(outcome.decision) << 1 | (marked ? 1 : 0);
}

std::optional<LineState> decode_state(int state) {
  if (state < 0) return std::nullopt;
  return LineState{static_cast<engine::Decision>((state >> 1) & 0x7F), state >> 8, (state & 1) != 0};
}

std::string describe_state(const LineState& s) {
  // The engine's names of the decisions, in the status bar's form.
  const std::string name(engine::decision_name(s.decision));
  switch (s.decision) {
    case engine::Decision::rewrite:
    case engine::Decision::pass_through:
    case engine::Decision::marked: return "rule " + std::to_string(s.rule) + ": " + name;
    case engine::Decision::no_rule:
    case engine::Decision::index_register:
    case engine::Decision::register_name:
    case engine::Decision::too_long: return name + ": marked";
    case engine::Decision::statements: return s.marked ? name + ": marked" : name;
    default: return name;
  }
}

bool carries_marking(std::u16string_view line, std::u16string_view marking) {
  const std::size_t at = engine::comment_start(line);
  if (at == std::u16string_view::npos || line.substr(at, marking.size()) != marking) return false;
  if (at == 0) return true;
  // Only labels stand before it, ended by a blank or a colon, as the
  // translator writes them.
  const char16_t last = line[at - 1];
  if (last != u'\t' && last != u' ' && last != u':') return false;
  engine::SourceLine labels;
  engine::parse_line(line.substr(0, at), engine::LineRules{}, labels);
  return labels.kind == engine::SourceLine::Kind::label_only;
}

Converted convert_lines(const std::vector<std::u16string>& lines, Translator translate,
                        const engine::Options& options) {
  Converted out;
  out.lines.reserve(lines.size());
  out.states.reserve(lines.size());
  std::size_t next = 0;
  convert_each(
      [&]() -> std::optional<std::u16string_view> {
        if (next == lines.size()) return std::nullopt;
        return lines[next++];
      },
      translate, options,
      [&](std::u16string&& text, int state) {
        if (decode_state(state)->marked) out.marked.push_back(out.lines.size());
        out.states.push_back(state);
        out.lines.push_back(std::move(text));
      });
  return out;
}

std::vector<std::size_t> convert_pane(const Pane& source, Pane& target, Translator translate,
                                      const engine::Options& options) {
  Converted out = convert_lines(source.all_lines(), translate, options);
  target.replace_lines(out.lines);
  return out.marked;
}

bool load_file(const std::string& path, Pane& pane) {
  ReadResult read = read_text_file(path, true);
  if (!read.status.ok()) return false;
  pane.replace_lines(read.file.lines);
  return true;
}

}  // namespace frontend
