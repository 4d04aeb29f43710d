// Building blocks for the actions of rule rows, shared by both chains.
//
// Searches and replacements ignore case (A-Z equals a-z); inserted texts go in
// exactly as written (the tables write them in lower case); everything a step
// does not touch keeps its case, tabs and spaces. Positions are indices from 0,
// as in the text primitives.
//
// The operands of a statement are what follows its mnemonic and the tabs,
// commas and spaces after it, split at every comma that stands outside quotes
// and parentheses; each operand is taken without the blanks around it. An
// operand is a memory operand when one pair of parentheses wholly encloses it:
// "(buf)" and "( buf )" are, "(top-bot)/2" and "(n)+1" are expressions.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/regex.hpp"
#include "engine/rule.hpp"

namespace engine {

using Step = std::function<void(Code&)>;

Action pass_through();
Action mark();

// Applies the steps in order, each to the code field the step before left, and
// answers rewrite.
template <typename... Steps>
Action rewrite(Steps... steps) {
  return [all = std::vector<Step>{std::move(steps)...}](Code& code) {
    for (const Step& step : all) step(code);
    return Verdict::rewrite;
  };
}

// Replaces, in the code field itself, the occurrences of old_text (in any
// case) from index `from` on, at most `count` of them (-1: all), left to right;
// a replacement is not searched again.
void replace_in_place(std::u16string& text, std::u16string_view old_text, std::u16string_view new_text,
                      std::size_t from, int count);

// The first occurrence of old_text, searched from the start.
Step replace_first(std::u16string old_text, std::u16string new_text);
// Every occurrence of old_text, from the start.
Step replace_every(std::u16string old_text, std::u16string new_text);
// The instruction's own mnemonic (at code.mnemonic) `from` becomes `to`.
Step rename(std::u16string from, std::u16string to);

// A second test of a rule: true if the compiled pattern matches the lower-cased
// code field (as regex_test, without looking the pattern up).
bool matches(const Regex* pattern, Code& code);

// A piece of the code field: positions start .. end - 1.
struct Span {
  std::size_t start = 0, end = 0;
  std::size_t size() const { return end > start ? end - start : 0; }
};

struct Operands {
  static constexpr int kMost = 4;  // operands beyond these are not told apart
  std::array<Span, kMost> at{};
  int count = 0;
  std::size_t after = 0;  // position after the last operand (its trailing blanks follow)
};

// The operands of the statement whose mnemonic starts at code.mnemonic.
Operands operands(const Code& code);
std::u16string_view text_of(const Code& code, Span span);
// True if operand i exists and is `word` (lower case), ignoring case.
bool operand_is(const Code& code, const Operands& ops, int i, std::u16string_view word);
// The inside of a memory operand without its blanks, or an empty span when the
// operand is not wholly enclosed in one pair of parentheses.
Span enclosed(const Code& code, Span operand);
// Replaces the span by text.
void replace_span(Code& code, Span span, std::u16string_view text);
// True if position p stands inside quoted text of the code field.
bool inside_quotes(const Code& code, std::size_t p);

// The code field before the first occurrence of mnemonic: its leading separators.
std::u16string lead_in(const std::u16string& code, std::u16string_view mnemonic);

}  // namespace engine
