// What the status bar says of the caret's line, without the window: how the
// line was decided, or why it is marked or unproven, and a warning for a name
// the other notation reserves (a label DAD in Z80 source).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/dialect.hpp"
#include "engine/pipeline.hpp"
#include "frontend/pane_commands.hpp"

namespace frontend {

// How the window proves translated lines: as converted, except that a
// relative jump proves against an absolute jump to the same target
// (engine/verify.hpp). A conversion without that choice marks every relative
// jump, so its verdicts are the same; and replacing a marked "jr" by "jmp" is
// the hand fix the user makes, shown proven when the target agrees.
engine::Options verdict_options(engine::Options options);

// One line of a pane, as the window knows it.
struct LineFacts {
  engine::Notation notation = engine::Notation::z80;  // the pane's
  std::u16string_view text;                  // the line
  std::u16string_view beside;                // the other pane's line of the same number ("" past its end)
  bool unproven = false;                     // its verdict says so (a converted pane's line)
  bool marked = false;                       // it carries the marking
  std::optional<LineState> state;            // how a conversion decided it, if one wrote it
  bool jr_as_jump = false;                   // the window's relative-jump choice
};

struct LineStatus {
  enum class Kind { decision, comment, marked, unproven };
  Kind kind = Kind::decision;
  // decision: describe_state's text; marked: "REASON [CODE]", or "" when no
  // reason is known; unproven: why (engine::verify_line); comment: "".
  std::string detail;
  std::string warning;  // engine::reserved_name_warning for the first reserved name, or ""
};

// An unproven line is proven again against the line beside it; a marked line
// is its source (the line without the marking) converted again; any other
// line tells how a conversion decided it, or how converting this pane would.
// A line holding only a comment is a comment, not a blank line.
LineStatus line_status(const LineFacts& line);

}  // namespace frontend
