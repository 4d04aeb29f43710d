// The parts of a source line: its labels, its statements and its comment.
//
// parse_line cuts one line, without translating anything:
// - The comment starts at the first ";" outside quoted text (from an unclosed
//   quote on, at the first ";" whatever follows). A line of blanks and a comment
//   alone is `blank`.
// - A line that starts with a name character (dialect.hpp) has a label in
//   column 1. Its scan looks at the second to the next-to-last character: a tab
//   or space ends the label and also starts the code field (so it stands twice
//   in the output); a colon glued to the next word ("OPENFCB:XOR") ends the
//   label after the colon ("::" counts as one). If the scan reaches the end,
//   the whole text is the label (`label_only`). Exceptions: a word that opens a
//   directive in column 1 ("MACRO name", "IF x", ".Z80") is no label, unless a
//   defining word follows it ("list equ 5").
// - A labelled line whose code field holds "equ" as a word, starts with "=", or
//   starts with a defining word ("x defl 5"; in Z80 notation "set" only when no
//   comma follows, as "set 3,a" is the bit instruction) is a `directive`.
// - An indented label ("\tnext:", "  x::") after that is split off too; blanks
//   alone after the labels make the line `label_only`.
// - What is left is cut into statements at every separator (dialect.hpp:
//   "!", ":", and "\" on request) outside quoted text. A statement that does
//   not start with a blank (after a glued colon or a separator) needs one in
//   front for the rules.
// - With `statements_in_comment` (8080 notation), a "!" inside the comment ends
//   the comment when `is_statement` says the text after it (up to the next "!")
//   is a statement: what follows that "!" is read like the rest of a line.
//
// Every piece is a view of the line as typed.
#pragma once

#include <string_view>
#include <vector>

#include "engine/dialect.hpp"

namespace engine {

struct Statement {
  std::u16string_view typed;    // the statement as typed
  bool needs_blank = false;     // the rules see it with one blank in front
  std::u16string_view comment;  // a comment that a further statement ends, written after this one
  char16_t separator = 0;       // the character in front of it that ended the statement before ("!", ":")
};

struct SourceLine {
  enum class Kind { blank, label_only, directive, code };
  Kind kind = Kind::code;
  std::u16string_view label;    // the column-1 label with the blank that ends it
  bool label_is_mnemonic = false;  // the label is a word that could start a statement ("RET Z")
  std::u16string_view inner;    // an indented label after it
  std::vector<Statement> statements;  // `code`: one or more; otherwise the text after the labels
  std::u16string_view comment;  // the comment after the last statement
};

struct LineRules {
  Notation notation = Notation::z80;
  std::u16string_view separators = kStatementSeparators;  // between statements
  bool statements_in_comment = false;
  // Only asked with statements_in_comment: is_statement(context, text).
  bool (*is_statement)(const void* context, std::u16string_view text) = nullptr;
  const void* context = nullptr;
};

// Fills `line` (its vector is reused) with the parts of `text`.
void parse_line(std::u16string_view text, const LineRules& rules, SourceLine& line);

// Where the comment starts: the first ";" outside quoted text, or kNone.
std::size_t comment_start(std::u16string_view line);

// The first of the separators at or after `from` that separates statements
// (outside quotes, dialect.hpp's separates_statements), or kNone.
std::size_t next_statement_break(std::u16string_view code, std::size_t from,
                                 std::u16string_view separators = kStatementSeparators);

// Tabs and spaces, or CP/M's end-of-file padding (^Z), alone: nothing to translate.
inline constexpr char16_t kEndOfFilePadding = u'\x1a';
bool only_blanks(std::u16string_view text);

// The first word of a statement, after its leading separators.
std::u16string_view first_word(std::u16string_view statement);

// A statement that defines a name: "NAME EQU value", "NAME = value", "NAME
// DEFL value", "NAME SET value" (Z80: not "SET b,r").
bool is_definition(std::u16string_view statement, Notation notation);

}  // namespace engine
