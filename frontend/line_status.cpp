#include "frontend/line_status.hpp"

#include "engine/mark_reason.hpp"
#include "engine/reserved_names.hpp"
#include "engine/source_line.hpp"
#include "engine/verify.hpp"

namespace frontend {
namespace {

LineStatus describe(const LineFacts& f) {
  using Kind = LineStatus::Kind;
  const bool z80 = f.notation == engine::Notation::z80;
  // The conversion that writes this pane, and the one that converts it.
  const engine::Direction into = z80 ? engine::Direction::i8080_to_z80 : engine::Direction::z80_to_8080;
  if (f.unproven) return {Kind::unproven, engine::verify_line(into, f.beside, f.text, verdict_options({})).reason, {}};
  engine::Options options;
  options.jr_as_jump = f.jr_as_jump;
  if (f.marked) {
    std::u16string source(f.text);
    const std::u16string_view marking = engine::marking(into);
    if (const std::size_t at = source.find(marking); at != std::u16string::npos) source.erase(at, marking.size());
    // A conversion marked it: whatever the option was then, it is marked now.
    if (!z80 && f.state) options.jr_as_jump = false;
    const engine::Translation t =
        z80 ? engine::translate_8080_to_z80(source, options) : engine::translate_z80_to_8080(source, options);
    const engine::MarkReason reason =
        engine::mark_reason(into, t.outcome, std::u16string_view(source).substr(t.source_begin, t.source_end - t.source_begin));
    if (reason.code.empty()) return {Kind::marked, {}, {}};
    return {Kind::marked, std::string(reason.text) + " [" + std::string(reason.code) + "]", {}};
  }
  std::optional<LineState> state = f.state;
  if (!state) {
    const engine::Translation t =
        z80 ? engine::translate_z80_to_8080(f.text, options) : engine::translate_8080_to_z80(f.text, options);
    state = decode_state(encode_state(t.outcome));
  }
  if (state->decision == engine::Decision::blank && !engine::only_blanks(f.text)) return {Kind::comment, {}, {}};
  return {Kind::decision, describe_state(*state), {}};
}

}  // namespace

engine::Options verdict_options(engine::Options options) {
  options.jr_as_jump = true;
  return options;
}

LineStatus line_status(const LineFacts& line) {
  LineStatus status = describe(line);
  const std::vector<std::u16string_view> names = engine::reserved_names(line.text, line.notation);
  if (!names.empty()) status.warning = engine::reserved_name_warning(names.front(), line.notation);
  return status;
}

}  // namespace frontend
