#include "engine/source_line.hpp"

#include <array>
#include <cstdint>

#include "engine/text.hpp"

namespace engine {
namespace {

// The first `wanted` or quote character at or after i, or kNone.
std::size_t find_or_quote(std::u16string_view text, std::size_t i, char16_t wanted) {
  for (; i < text.size(); ++i) {
    if (text[i] == wanted || is_quote(text[i])) return i;
  }
  return kNone;
}

// A set of ASCII characters, one bit each: separators, quotes and the
// comment sign are all ASCII.
struct AsciiSet {
  std::array<std::uint64_t, 2> bits{};
  constexpr void add(char16_t c) {
    if (c < 128) bits[c >> 6] |= std::uint64_t{1} << (c & 63);
  }
  constexpr void add(std::u16string_view chars) {
    for (const char16_t c : chars) add(c);
  }
  constexpr bool has(char16_t c) const { return c < 128 && (bits[c >> 6] >> (c & 63)) & 1; }
};

constexpr AsciiSet kQuotes = [] {
  AsciiSet quotes;
  for (char16_t q = 0; q < 128; ++q) {
    if (is_quote(q)) quotes.add(q);
  }
  return quotes;
}();

// The first of the `wanted` characters or a quote at or after i, or kNone.
std::size_t find_any_or_quote(std::u16string_view text, std::size_t i, std::u16string_view wanted) {
  AsciiSet set = kQuotes;
  set.add(wanted);
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (set.has(c)) return i;
    if (c >= 128 && (wanted.find(c) != std::u16string_view::npos || is_quote(c))) return i;
  }
  return kNone;
}

bool is_statement_word(std::u16string_view word, Notation notation);

// Length of the label at the start of an indented code field: blanks, a name
// and a colon ("::" counts as one). 0 if the code field does not start so, or
// if the name is a mnemonic of the notation: "\txchg:shld x" is two statements.
std::size_t indented_label_length(std::u16string_view code, Notation notation) {
  std::size_t i = 0;
  while (i < code.size() && is_blank(code[i])) ++i;
  if (i == 0 || i == code.size() || !is_name_start(code[i])) return 0;
  const std::size_t name = i;
  ++i;
  while (i < code.size() && is_name_char(code[i])) ++i;
  if (i == code.size() || code[i] != u':') return 0;
  if (is_mnemonic(notation, code.substr(name, i - name))) return 0;
  ++i;
  if (i < code.size() && code[i] == u':') ++i;
  return i;
}

// The word after the first word of text (both separated by blanks), or empty.
std::u16string_view second_word(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_separator(text[i])) ++i;
  while (i < text.size() && !is_separator(text[i])) ++i;
  return first_word(text.substr(i));
}

// True if a comma stands in text outside quotes: "set 3,a" is an instruction.
bool has_comma(std::u16string_view text) {
  const std::size_t comma = find_or_quote(text, 0, u',');
  if (comma == kNone) return false;
  if (text[comma] == u',') return true;
  const std::size_t end = opens_quote(text, comma) ? quote_end(text, comma) : comma + 1;
  return end != kNone && has_comma(text.substr(end));
}

// The defining word at the start of text (after blanks) defines a name: "set"
// is the bit instruction in Z80 notation when a comma follows it.
bool starts_with_defining_word(std::u16string_view text, Notation notation) {
  const std::u16string_view word = first_word(text);
  if (!is_defining_word(word)) return false;
  return !(notation == Notation::z80 && is_word(word, kSetDirective) && has_comma(text));
}

// A labelled line's code field is a directive when "equ" stands in it as a word
// (no word character right before or after it), when it starts (after blanks)
// with "=" or ":=", or when it starts with a defining word.
bool is_labelled_directive(std::u16string_view code, Notation notation) {
  const auto first = code.find_first_not_of(u"\t ");
  if (first != kNone && starts_with_assignment(code.substr(first))) return true;
  if (starts_with_defining_word(code, notation)) return true;
  for (std::size_t at = find_text(code, kEquDirective, 0, kAnyCase); at != kNone;
       at = find_text(code, kEquDirective, at + 1, kAnyCase)) {
    const std::size_t end = at + kEquDirective.size();
    const bool word_before = at > 0 && is_word_char(code[at - 1]);
    const bool word_after = end < code.size() && is_word_char(code[end]);
    if (!word_before && !word_after) return true;
  }
  return false;
}

// A word that starts a statement of the notation: a mnemonic, a data word or
// a directive both notations share.
bool is_statement_word(std::u16string_view word, Notation notation) {
  return is_mnemonic(notation, word) || is_data_word(word) || is_one_of(word, shared_directives());
}

// A word in column 1 that starts a statement rather than naming a label: a
// directive word ("MACRO name", "IF x", ".Z80"), or a mnemonic or data word
// followed by what fits it (nothing after "XCHG", operands after "MOV", either
// after "RET"), as listings typed from print and disassemblers write them. A
// word glued to a colon, or followed by a defining word or by another
// statement word ("CALL ret", "DAD DB 5"), is a label.
bool is_column1_statement(std::u16string_view text, Notation notation) {
  std::size_t end = 0;
  while (end < text.size() && !is_blank(text[end])) ++end;
  const std::u16string_view word = text.substr(0, end);
  if (word.find(u':') != kNone) return false;
  const std::u16string_view next = second_word(text);
  if (starts_with_defining_word(text.substr(end), notation) || starts_with_assignment(next)) return false;
  if (is_column1_directive(word) || is_column1_dot_directive(word)) return true;
  if (!is_mnemonic(notation, word) && !is_data_word(word)) return false;
  const Arity arity = mnemonic_arity(notation, word).value_or(Arity::some);
  if (next.empty()) return arity != Arity::some;
  return arity != Arity::none && !is_statement_word(next, notation);
}

// Splits code into statements at each separator and appends them to
// line.statements; the first one follows `separator`.
void split_statements(std::u16string_view code, bool needs_blank, char16_t separator,
                      std::u16string_view separators, SourceLine& line) {
  std::size_t start = 0;
  for (std::size_t b = next_statement_break(code, 0, separators); b != kNone;
       b = next_statement_break(code, b + 1, separators)) {
    line.statements.push_back({code.substr(start, b - start), needs_blank, {}, separator});
    separator = code[b];
    start = b + 1;
    needs_blank = start == code.size() || !is_separator(code[start]);
  }
  line.statements.push_back({code.substr(start), needs_blank, {}, separator});
}

// With DRI's reading of comments: the "!" of the comment that starts a
// statement, or kNone. Each "!" is looked at once.
std::size_t statement_in_comment(std::u16string_view comment, const LineRules& rules) {
  for (std::size_t b = next_statement_break(comment, 0, kCommentStatementSeparators); b != kNone;) {
    const std::size_t next = next_statement_break(comment, b + 1, kCommentStatementSeparators);
    std::u16string_view candidate = comment.substr(b + 1, (next == kNone ? comment.size() : next) - b - 1);
    candidate = candidate.substr(0, comment_start(candidate));
    if (!only_blanks(candidate) && rules.is_statement(rules.context, candidate)) return b;
    b = next;
  }
  return kNone;
}

}  // namespace

std::size_t comment_start(std::u16string_view line) {
  std::size_t i = find_or_quote(line, 0, u';');
  while (i != kNone) {
    if (line[i] == u';') return i;
    if (opens_quote(line, i)) {
      const std::size_t end = quote_end(line, i);
      if (end == kNone) return line.find(u';', i);
      i = find_or_quote(line, end, u';');
    } else {
      i = find_or_quote(line, i + 1, u';');
    }
  }
  return kNone;
}

std::size_t next_statement_break(std::u16string_view code, std::size_t from, std::u16string_view separators) {
  std::size_t i = find_any_or_quote(code, from, separators);
  while (i != kNone) {
    if (!is_quote(code[i])) {
      if (separates_statements(code, i)) return i;
      i = find_any_or_quote(code, i + 1, separators);
      continue;
    }
    // An unclosed quote quotes nothing.
    const std::size_t end = opens_quote(code, i) ? quote_end(code, i) : kNone;
    i = find_any_or_quote(code, end == kNone ? i + 1 : end, separators);
  }
  return kNone;
}

bool only_blanks(std::u16string_view text) {
  for (char16_t c : text) {
    if (!is_blank(c) && c != kEndOfFilePadding) return false;
  }
  return true;
}

std::u16string_view first_word(std::u16string_view statement) {
  std::size_t i = 0;
  while (i < statement.size() && is_separator(statement[i])) ++i;
  std::size_t end = i;
  while (end < statement.size() && !is_separator(statement[end])) ++end;
  return statement.substr(i, end - i);
}

bool is_definition(std::u16string_view statement, Notation notation) {
  std::size_t i = 0;
  while (i < statement.size() && is_separator(statement[i])) ++i;
  const std::size_t name = i;
  if (i == statement.size() || !is_name_start(statement[i])) return false;
  while (i < statement.size() && is_name_char(statement[i])) ++i;
  if (is_vocabulary_word(statement.substr(name, i - name))) return false;
  const std::size_t after_name = i;
  while (i < statement.size() && is_blank(statement[i])) ++i;
  const std::u16string_view rest = statement.substr(i);
  if (starts_with_assignment(rest)) return true;
  return i > after_name && starts_with_defining_word(rest, notation);
}

namespace {

// Most lines are indented and hold one statement and no comment: no ";", no
// quote, no statement separator (nor the ":" of an indented label). Such a
// line is one statement as it stands; answers false for any other.
bool parse_plain_line(std::u16string_view text, const LineRules& rules, SourceLine& line) {
  if (text.empty() || !is_separator(text.front())) return false;
  AsciiSet stops = kQuotes;
  stops.add(u";:");  // a comment, an indented label
  stops.add(rules.separators);
  for (const char16_t c : text) {
    if (stops.has(c)) return false;
  }
  if (only_blanks(text)) return false;
  line.statements.push_back({text, false, {}, 0});
  return true;
}

}  // namespace

void parse_line(std::u16string_view text, const LineRules& rules, SourceLine& line) {
  line.kind = SourceLine::Kind::code;
  line.label = line.inner = line.comment = {};
  line.label_is_mnemonic = false;
  line.statements.clear();
  if (parse_plain_line(text, rules, line)) return;
  const std::size_t semicolon = comment_start(text);
  std::u16string_view code = text.substr(0, semicolon);
  std::u16string_view comment = semicolon == kNone ? std::u16string_view() : text.substr(semicolon);
  line.comment = comment;
  if (only_blanks(code)) {
    line.kind = SourceLine::Kind::blank;
    line.statements.push_back({code, false, {}});
    return;
  }

  bool needs_blank = !is_separator(code.front());
  if (is_name_start(code.front()) && !is_column1_statement(code, rules.notation)) {
    std::size_t k = 1;
    for (; k + 1 < code.size(); ++k) {
      if (is_blank(code[k])) break;
      if (code[k] == u':' && !is_blank(code[k + 1]) && code[k + 1] != u':') break;
    }
    if (k + 1 >= code.size()) {
      line.kind = SourceLine::Kind::label_only;
      line.label = code;
      line.statements.push_back({{}, false, {}});
      return;
    }
    line.label = code.substr(0, k + 1);
    line.label_is_mnemonic = is_blank(code[k]) && is_statement_word(code.substr(0, k), rules.notation);
    needs_blank = !is_blank(code[k]);
    code = code.substr(needs_blank ? k + 1 : k);
    if (only_blanks(code) || is_labelled_directive(code, rules.notation)) {
      line.kind = only_blanks(code) ? SourceLine::Kind::label_only : SourceLine::Kind::directive;
      line.statements.push_back({code, false, {}});
      return;
    }
  }
  if (const std::size_t n = indented_label_length(code, rules.notation); n > 0) {
    line.inner = code.substr(0, n);
    code = code.substr(n);
    if (only_blanks(code)) {
      line.kind = SourceLine::Kind::label_only;
      line.statements.push_back({code, false, {}});
      return;
    }
    needs_blank = !is_separator(code.front());
  }

  for (char16_t separator = 0;; separator = kCommentStatementSeparators[0]) {
    split_statements(code, needs_blank, separator, rules.separators, line);
    if (!rules.statements_in_comment) break;
    const std::size_t found = statement_in_comment(comment, rules);
    if (found == kNone) break;
    line.statements.back().comment = comment.substr(0, found);
    const std::u16string_view rest = comment.substr(found + 1);
    const std::size_t cut = comment_start(rest);
    code = rest.substr(0, cut);
    comment = cut == kNone ? std::u16string_view() : rest.substr(cut);
    needs_blank = code.empty() || !is_separator(code.front());
  }
  line.comment = comment;
}

}  // namespace engine
