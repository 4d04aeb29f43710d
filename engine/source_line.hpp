// The parts of a source line: its comment, its labels, its statements.
//
// Quoted text is '...' or "...", closed by the same quote later in the text; an
// apostrophe right after "af" (any case, as in "ex af,af'") opens no quote. A
// ";" or "!" inside quoted text is part of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

inline constexpr std::size_t kNone = std::u16string_view::npos;

// Where the comment starts: the first ";" outside quoted text. From an unclosed
// quote on, the first ";" starts the comment, quoted or not. kNone if no comment.
std::size_t comment_start(std::u16string_view line);

// The first "!" at or after `from` outside quoted text, or kNone: a break
// between DRI statements. `from` must not stand inside quoted text. An
// unclosed quote quotes nothing.
std::size_t next_statement_break(std::u16string_view code, std::size_t from);

bool only_blanks(std::u16string_view text);

struct LabelSplit {
  std::u16string label;
  std::u16string code;
};

// The label of a line that starts with a letter. The scan looks at the second to
// the next-to-last character: a tab or space ends the label and also starts the
// code field (so it is carried twice); a colon glued to the next word
// ("OPENFCB:XOR") ends the label after the colon ("::" counts as one colon) and
// the code field is one space and the rest. If the scan reaches the end, the
// whole text is the label and the code field is empty.
LabelSplit split_column1_label(std::u16string_view code);

// Length of the label at the start of an indented code field: tabs or spaces, a
// name (a letter, "_", ".", "?", "@" or "$", then also digits) and a colon ("::"
// counts as one). 0 if the code field does not start so.
std::size_t indented_label_length(std::u16string_view code);

// A labelled line's code field is a directive when "equ" stands in it as a word
// (no letter, digit or "_" right before or after it), or when its first
// character that is not a blank is "=".
bool is_labelled_directive(std::u16string_view code);

}  // namespace engine
