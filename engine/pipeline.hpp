// The line pipeline: one source line in, exactly one output line out.
//
// Per line, in order: the comment is split off at the first ";" outside quoted
// text; a blank line goes out as it came; a label that starts in column 1 is
// split off (a label alone, or followed by blanks only, goes out unchanged, and
// a labelled "equ" or "=" directive too), and then an indented label ("\tname:");
// what is left, the code field, is split into DRI statements at each "!" outside
// quoted text. Each statement goes through the direction's steps on its own: in
// the Z80 -> 8080 direction the blanks after commas are removed (outside quotes
// and data lines) and an index-register form is marked; then the direction's
// rule chain rewrites it, passes it through (as it was typed) or marks it. The
// output line is label + code field + comment. A marked code field gets the
// direction's prefix, "; cannot convert:" (Z80 -> 8080) or ";Cannot convert:"
// (8080 -> Z80); if one statement of several is marked, the whole code field is
// marked as typed.
//
// In the 8080 -> Z80 direction a "!" inside a comment ends the comment, as DRI's
// assemblers read it, when the text after it is a statement a rule of the chain
// decides ("dcr b ;count! jnz loop" holds two statements); Z80 comments are never
// looked into.
//
// Untouched text keeps its case, tabs and spaces; a label that ends at a tab or
// space carries that separator twice in the output (once ending the label, once
// starting the code field). No line influences another and nothing can fail.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

inline constexpr std::u16string_view kZ80To8080Marking = u"; cannot convert:";
inline constexpr std::u16string_view k8080ToZ80Marking = u";Cannot convert:";

// How a line was decided.
enum class Decision {
  blank,           // empty, blanks only, or a comment alone
  label_only,      // a label with nothing but blanks after it
  directive,       // a labelled "equ" or "=" line
  index_register,  // Z80 -> 8080: an index-register form, marked
  rewrite,         // rule `rule` rewrote the code field
  pass_through,    // rule `rule` let the code field through
  marked,          // rule `rule` marked the code field
  no_rule,         // no rule matched: marked
  statements,      // several DRI statements, decided one by one
};

struct Outcome {
  Decision decision;
  int rule = 0;                    // the deciding rule for rewrite, pass_through and marked
  std::vector<Outcome> statements = {};  // for `statements`: each one's outcome, in order
};

// True when the output line carries the not-convertible marking (for several
// statements: when one of them is not convertible).
bool is_not_convertible(const Outcome& outcome);

// "blank", "label only", "directive", "index register", "rule 21 rewrite",
// "rule 3 pass-through", "rule 7 marking", "no rule", and for several statements
// "statements: rule 17 rewrite ! rule 15 rewrite".
std::string describe(const Outcome& outcome);

struct Translation {
  std::u16string text;
  Outcome outcome;
};

Translation translate_z80_to_8080(std::u16string_view line);
Translation translate_8080_to_z80(std::u16string_view line);

// The same, testing every rule's pattern in turn, without the chain's shortcut:
// the reference that tests and fuzzers hold the fast path to.
Translation translate_z80_to_8080_reference(std::u16string_view line);
Translation translate_8080_to_z80_reference(std::u16string_view line);

std::u16string convert_z80_to_8080(std::u16string_view line);
std::u16string convert_8080_to_z80(std::u16string_view line);
std::vector<std::u16string> convert_z80_to_8080(std::span<const std::u16string> lines);
std::vector<std::u16string> convert_8080_to_z80(std::span<const std::u16string> lines);

}  // namespace engine
