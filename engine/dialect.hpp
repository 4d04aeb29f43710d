// What the engine knows of assembler dialects, in one place: the characters
// that separate words and make names, the directive words, the words that
// define a name, the data words, the spellings of numbers, and the register and
// condition names of both processors.
//
// Words compare without regard to ASCII case. Every list here is read by the
// line pipeline, the rule tables or the tests; nothing else in the engine spells
// a directive word or a number form.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "engine/text.hpp"

namespace engine {

// A tab, a comma or a space: what the rule patterns call "[\t, ]", the run of
// characters that stands between a statement's words.
constexpr bool is_separator(char16_t c) { return c == u'\t' || c == u',' || c == u' '; }

// A name (a label, a defined symbol) starts with a letter or one of "_ . $ @ ?"
// and goes on with those, letters and digits. The word characters (letters,
// digits, "_") are the name characters that mean nothing else: "$" is also the
// location counter and a number prefix, and ".", "@", "?" begin words of some
// assemblers, so a keyword next to one of those still stands alone ("equ$+2").
constexpr bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
constexpr bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool is_word_char(char16_t c) { return is_ascii_letter(c) || is_digit(c) || c == u'_'; }
constexpr bool is_name_start(char16_t c) {
  return (is_word_char(c) && !is_digit(c)) || c == u'.' || c == u'$' || c == u'@' || c == u'?';
}
constexpr bool is_name_char(char16_t c) { return is_word_char(c) || is_name_start(c); }

// True when text equals word (given in lower case), ignoring ASCII case.
bool is_word(std::u16string_view text, std::u16string_view word);
bool is_one_of(std::u16string_view text, std::span<const std::u16string_view> words);

enum class Notation { z80, i8080 };

// Directive words both notations share: they pass through where no rule of the
// chain took the statement (the last rows of both chains are built from this
// list). `set` is a directive only in 8080 notation; in Z80 notation it is the
// bit instruction.
std::span<const std::u16string_view> shared_directives();
inline constexpr std::u16string_view kSetDirective = u"set";

// Directive words that may also stand in column 1 without being taken for a
// label ("MACRO name", "IF x", "ORG 100h").
bool is_column1_directive(std::u16string_view word);

// Words that define the name in front of them: "NAME EQU value" (also DEFL,
// SET, "=", ":=", ".equ" ...).
bool is_defining_word(std::u16string_view word);
inline constexpr std::u16string_view kEquDirective = u"equ";
// True if text starts with one of the defining words written as an operator
// ("=", ":=", "=="): those need no blank before the value ("x =5").
bool starts_with_assignment(std::u16string_view text);

// Data directives: their operands are data, never instructions, and keep every
// blank as typed.
bool is_data_word(std::u16string_view word);

// The processors' switch of the Microsoft assembler: ".z80" and ".8080".
inline constexpr std::u16string_view kZ80Switch = u".z80";
inline constexpr std::u16string_view k8080Switch = u".8080";

// A statement whose first word starts with "." or "#" is a directive of some
// assembler: it passes through as typed. The processor switch of the source's
// own notation is the exception: the chain rewrites it.
bool is_foreign_directive(std::u16string_view first_word, Notation source);

// TASM's "#define NAME body": the body may be a statement to translate.
inline constexpr std::u16string_view kDefineDirective = u"#define";

// Dot directives that may stand in column 1 without being a label.
bool is_column1_dot_directive(std::u16string_view word);

// Characters that separate statements on one line, outside quotes and
// comments: DRI's "!" (not the "!=" operator) and ":" (not "::" or ":="). A
// backslash separates them too where the user asks for it; it clashes with
// macro parameters such as "\1".
inline constexpr std::u16string_view kStatementSeparators = u"!:";
inline constexpr std::u16string_view kStatementSeparatorsWithBackslash = u"!:\\";
inline constexpr std::u16string_view kCommentStatementSeparators = u"!";
// True if the separator character at i of text separates statements.
bool separates_statements(std::u16string_view text, std::size_t i);

// Quoted text is '...' or "...", closed by the same quote later in the text.
// An apostrophe right after "af" (any case, as in "ex af,af'") opens no quote.
constexpr bool is_quote(char16_t c) { return c == u'\'' || c == u'"'; }
bool opens_quote(std::u16string_view text, std::size_t i);
// Index just past the quote that opens at i (opens_quote(text, i) holds), or
// kNone when the text ends before the quote is closed.
std::size_t quote_end(std::u16string_view text, std::size_t i);

// The value of a number in one of the usual spellings, or nothing:
//   decimal 56, 56d; hexadecimal 38h, 0038H, $38, 0x38, #38, &h38;
//   binary 00111000b, %00111000, 0b00111000; octal 70o, 70q.
std::optional<std::uint32_t> parse_number(std::u16string_view text);

// True if the expression holds a name, not only numbers and operators.
bool holds_name(std::u16string_view expression);

// Operators written as words in expressions: and or xor not mod shl shr high
// low eq ne lt le gt ge.
bool is_operator_word(std::u16string_view word);

// Register and condition names in the order of their codes in an opcode
// (an empty name: no register has that code). The pair tables of the two
// notations name the same pair at the same index.
inline constexpr std::u16string_view k8080ByteRegisters[] = {u"b", u"c", u"d", u"e", u"h", u"l", u"m", u"a"};
inline constexpr std::u16string_view k8080Pairs[] = {u"b", u"d", u"h", u"sp"};
inline constexpr std::u16string_view k8080StackPairs[] = {u"b", u"d", u"h", u"psw"};
inline constexpr std::u16string_view kZ80ByteRegisters[] = {u"b", u"c", u"d", u"e", u"h", u"l", u"", u"a"};
inline constexpr std::u16string_view kZ80Pairs[] = {u"bc", u"de", u"hl", u"sp"};
inline constexpr std::u16string_view kZ80StackPairs[] = {u"bc", u"de", u"hl", u"af"};
inline constexpr std::u16string_view kConditionCodes[] = {u"nz", u"z", u"nc", u"c", u"po", u"pe", u"p", u"m"};

// A register name of one notation beside the same register's name in the other.
struct Rename {
  std::u16string_view from, to;
};
// Each name of `from` paired with the name at the same index of `to`.
template <std::size_t N>
constexpr std::array<Rename, N> renames(const std::u16string_view (&from)[N], const std::u16string_view (&to)[N]) {
  std::array<Rename, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = {from[i], to[i]};
  return out;
}

// Register names, lower case, as the notation writes them.
bool is_register(Notation notation, std::u16string_view word);
// A one-letter 8-bit register of the notation, in any case: a b c d e h l, and
// the 8080's memory operand m.
bool is_byte_register(Notation notation, std::u16string_view word);
// Condition names of jumps, calls and returns: nz z nc c po pe p m.
bool is_condition(std::u16string_view word);
// The index registers and their halves: ix iy ixh ixl iyh iyl.
bool is_index_register(std::u16string_view word);
// A name in `source` notation that the other notation reads as a register, in
// any case: "m" and "psw" in Z80 source; "bc", "de", "hl", "af", "ix", "iy",
// their halves, "i" and "r" in 8080 source. A translation cannot keep it.
bool is_other_register(Notation source, std::u16string_view word);
// False when text cannot hold such a name: it holds no letter that one of
// them starts with, in any case. A quick test before looking at the names one
// by one.
bool may_hold_other_register(Notation source, std::u16string_view text);

// The mnemonics of each processor in its own notation ("mov", "ldir"), and
// whether operands follow them.
enum class Arity { none, some, optional };
std::optional<Arity> mnemonic_arity(Notation notation, std::u16string_view word);
bool is_mnemonic(Notation notation, std::u16string_view word);

// Every mnemonic of either processor, and every word the two notations rename
// (defb -> db, halt -> hlt, .z80 -> .8080): the words a translation may replace.
bool is_vocabulary_word(std::u16string_view word);

}  // namespace engine
