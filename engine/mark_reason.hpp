// Why a line was marked not convertible, in words a porting programmer reads,
// with a short stable code for scripts and the documentation.
//
// The reason follows from the line's outcome (the decision and, for a marking
// rule, its number) and, where the outcome alone does not say, from the first
// word of the statement: "jr" -> relative-jump, an unknown word ->
// macro-call. A line with several statements takes the reason of its first
// marked statement. Codes never change once published; texts may be reworded.
#pragma once

#include <string_view>

#include "engine/pipeline.hpp"

namespace engine {

struct MarkReason {
  std::string_view code;  // "relative-jump"; empty for a line that is not marked
  std::string_view text;  // "jr: relative jump; the 8080 has none (...)"
};

// The reason for a line translated in `direction` with this outcome;
// `statements` is the code field as typed (Translation::source_begin..end).
MarkReason mark_reason(Direction direction, const Outcome& outcome, std::u16string_view statements);

}  // namespace engine
