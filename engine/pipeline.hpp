// The line pipeline: one source line in, exactly one output line out.
//
// A line is first cut into its parts (source_line.hpp): comment, column-1
// label, indented label, DRI statements. A blank line, a label alone and a
// labelled definition ("x equ 5") go out as they came. Each statement then
// goes through the direction's steps on its own (statement.hpp): a directive
// or definition passes as typed, an index-register form is marked (Z80 ->
// 8080), the rest goes through the direction's rule chain.
// A statement that is let through or marked goes out exactly as typed; only a
// rewritten one shows the rule's text. The output line is the labels, the
// statements joined with "!" as they were, and the comment. A marked line
// gets the direction's prefix, "; cannot convert:" (Z80 -> 8080) or
// ";Cannot convert:" (8080 -> Z80), in front of its statements as typed; if
// one statement of several is marked, all of them are shown as typed.
//
// Untouched text keeps its case, tabs and spaces; a label that ends at a tab or
// space carries that separator twice in the output (once ending the label, once
// starting the code field). No line influences another and nothing can fail.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/options.hpp"

namespace engine {

inline constexpr std::u16string_view kZ80To8080Marking = u"; cannot convert:";
inline constexpr std::u16string_view k8080ToZ80Marking = u";Cannot convert:";

// How a line was decided.
enum class Decision {
  blank,           // empty, blanks only, or a comment alone
  label_only,      // a label with nothing but blanks after it
  directive,       // a definition, or a directive of another assembler
  index_register,  // Z80 -> 8080: an index-register form, marked
  rewrite,         // rule `rule` rewrote the code field
  pass_through,    // rule `rule` let the code field through
  marked,          // rule `rule` marked the code field
  no_rule,         // no rule matched: marked
  too_long,        // a statement longer than any assembler reads: marked as typed
  macro_call,      // a call of a macro the source defines: as typed
  statements,      // several DRI statements, decided one by one
  register_name,   // a name the target notation reads as a register ("ld a,m" in Z80 source): marked
};

// Statements longer than this (in code units) are not run through the rules.
inline constexpr std::size_t kLongestStatement = 1 << 16;

struct Outcome {
  Decision decision;
  int rule = 0;                    // the deciding rule for rewrite, pass_through and marked
  std::vector<Outcome> statements = {};  // for `statements`: each one's outcome, in order
};

// What is known of a translated line's meaning (verify.hpp computes it, only
// when asked): its statements assemble alike on both sides (`proven`), it was
// carried over as typed and holds no instruction (`passed`: a comment, blank,
// directive, definition or macro call), it is `marked`, or it is `unproven`:
// rewritten, and the two sides differ or one of them does not encode
// (`reason` says which and how).
enum class Proof : std::uint8_t { proven, passed, marked, unproven };
struct LineProof {
  Proof proof = Proof::passed;
  std::string reason;  // for `unproven`
};

// True when the output line carries the not-convertible marking (for several
// statements: when one of them is not convertible).
bool is_not_convertible(const Outcome& outcome);

// A decision's name, the one wording of every place that reports outcomes:
// "blank", "label only", "directive", "index register", "rewrite",
// "pass-through", "marking", "no rule", "too long", "macro call", "statements",
// "register name".
std::string_view decision_name(Decision decision);

// "blank", "label only", "directive", "index register", "rule 21 rewrite",
// "rule 3 pass-through", "rule 7 marking", "no rule", "too long", "register
// name", and for
// several statements "statements: rule 17 rewrite ! rule 15 rewrite".
std::string describe(const Outcome& outcome);

enum class Direction { z80_to_8080, i8080_to_z80 };

// The marking of a line that has no equivalent in the direction's target.
inline std::u16string_view marking(Direction direction) {
  return direction == Direction::z80_to_8080 ? kZ80To8080Marking : k8080ToZ80Marking;
}

// How a line was translated and where its statements stand: in the source
// line (after the labels, before the comment) and in the output (after the
// labels and the marking, before the comment). Indices from 0, end exclusive;
// in the output, of the units or bytes of the text written to (including what
// it held before).
struct LineInfo {
  Outcome outcome;
  std::size_t source_begin = 0, source_end = 0;
  std::size_t out_begin = 0, out_end = 0;
};

// A line translated into a text of its own.
struct Translation : LineInfo {
  std::u16string text;
};

// What a thread needs to translate: scratch for the steps and the memory of
// recent statements and lines (statement_cache.hpp). One Translator serves
// one thread at a time; a program that translates on several threads gives
// each its own (asmconv's workers do). The macro names in the options given
// to a call must outlive that call.
struct TranslatorState;  // pipeline.cpp

class Translator {
 public:
  Translator();
  ~Translator();
  Translator(const Translator&) = delete;
  Translator& operator=(const Translator&) = delete;

  Translation translate(Direction direction, std::u16string_view line, const Options& options = {});
  // The same, testing every rule's pattern in turn, without the chain's
  // shortcut and without remembering statements: the reference that tests and
  // fuzzers hold the fast path to.
  Translation translate_reference(Direction direction, std::u16string_view line, const Options& options = {});
  // Appends the translation of line to out as UTF-8, without building the
  // whole output line as a text first (for long lines).
  LineInfo translate_line(Direction direction, std::u16string_view line, const Options& options, std::string& out);
  // The same for a line given as UTF-8; the source positions of the result
  // count bytes of `line`. A line that is not well-formed UTF-8 is an 8-bit
  // text: each byte is read as one character and written back as the same
  // byte, so that comments in cp1251, KOI8-R or any code page come back
  // unchanged. Lines seen lately are remembered whole.
  LineInfo translate_utf8_line(Direction direction, std::string_view line, const Options& options, std::string& out);
  // True when the direction's steps rewrite or let through `text` read as one
  // statement: what makes the text after a "!" in an 8080 comment a statement.
  bool takes_statement(Direction direction, std::u16string_view text, const Options& options = {});

 private:
  std::unique_ptr<TranslatorState> state_;
};

// The functions below translate with the calling thread's own Translator,
// made on its first call and kept until the thread ends.
Translation translate_z80_to_8080(std::u16string_view line, const Options& options = {});
Translation translate_8080_to_z80(std::u16string_view line, const Options& options = {});
Translation translate_z80_to_8080_reference(std::u16string_view line, const Options& options = {});
Translation translate_8080_to_z80_reference(std::u16string_view line, const Options& options = {});
LineInfo translate_line(Direction direction, std::u16string_view line, const Options& options, std::string& out);
LineInfo translate_utf8_line(Direction direction, std::string_view line, const Options& options, std::string& out);
bool takes_statement(Direction direction, std::u16string_view text, const Options& options = {});

// Whether translations of recent statements and lines are remembered
// (statement_cache.hpp); on by default. Off, everything is translated anew:
// for measuring what the memory gains. Process-wide; set it before translating.
void remember_translations(bool on);

std::u16string convert_z80_to_8080(std::u16string_view line);
std::u16string convert_8080_to_z80(std::u16string_view line);
std::vector<std::u16string> convert_z80_to_8080(std::span<const std::u16string> lines);
std::vector<std::u16string> convert_8080_to_z80(std::span<const std::u16string> lines);

}  // namespace engine
