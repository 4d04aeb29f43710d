// Running a rule chain over one code field.
//
// The rules are tried in table order; the first whose pattern matches the
// lower-cased code field and whose action does not answer `next` decides.
//
// A chain is compiled once: every pattern is compiled, and each rule learns
// from its pattern what a code field must look like for the pattern to have a
// chance (its shape):
// - the literal first words it takes after the leading separators
//   ("^[\t, ]{1,}ld...", or each word of a group "^[\t, ]{1,}(adc|sbc)...");
// - whether the word must end there (a separator or the end follows) or only
//   starts there;
// - the literal operand text after the next separators ("...ld[\t, ]{1,}sp,"
//   demands "sp,"), and whether a word ends after it;
// - for an unanchored pattern "[\t, ]{1,}xra[\t, ]{1,}...", the word that must
//   stand somewhere in the code field between separators.
// These are necessary conditions of the pattern itself, so skipping a rule
// that fails them changes nothing. A pattern that is its shape and nothing
// more ("^[\t, ]{1,}jp[\t, ]{1,}", "^[\t, ]{1,}(org|end|...)([\t, ]|$)") is
// decided by the shape alone, without running the pattern.
//
// run_chain dispatches on the code field's whole first word (and the words
// after it, for the unanchored rules) to the few rules that can match;
// run_chain_reference tests every pattern in turn and serves as the reference
// in tests and fuzzers.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regex.hpp"
#include "engine/rule.hpp"
#include "engine/word_table.hpp"

namespace engine {

// The lower-cased UTF-8 form of a code field that patterns are matched against.
struct Subject {
  std::string bytes;
  bool ascii = true;
  std::size_t separators = 0;  // length of the run of tabs, commas and spaces it starts with
  std::size_t word_end = 0;    // where the first word after them ends
  std::size_t operand = 0;     // where the separators after that word end (word_end if none follow)
  std::string_view first_word() const { return std::string_view(bytes).substr(separators, word_end - separators); }
};

void build_subject(Subject& subject, std::u16string_view text);

struct CompiledRule {
  const Rule* rule;
  const Regex* regex;  // nullptr: the pattern does not compile and never matches
  enum class After { anything, word_end, separators };
  bool anchored = false;               // the pattern starts with "^[\t, ]{1,}"
  std::vector<std::string> mnemonics;  // first words it takes (anchored only); empty: no knowledge
  After after = After::anything;       // what must follow the first word
  std::string operand;                 // literal after those separators (After::separators)
  bool operand_word_end = false;       // a separator or the end follows the operand
  std::string word;                    // unanchored: a word the code field must hold between separators
  bool exact = false;                  // the pattern is its shape: no need to run it
};

struct CompiledChain {
  std::vector<CompiledRule> rules;
  using Lists = WordTable<std::vector<std::uint16_t>>;
  // Candidates by the code field's first word, in chain order; a first word
  // not in the table takes the list of its first letter ([0]: any other).
  Lists by_first_word;
  std::array<std::vector<std::uint16_t>, 128> by_first_letter;
  // Unanchored rules by the word they need, for the words after the first.
  Lists by_inner_word;
  bool has_inner_words = false;
  // Those words' first bytes and greatest length: most words of a code field
  // are ruled out without a lookup.
  std::array<bool, 256> inner_word_starts{};
  std::size_t longest_inner_word = 0;
};

CompiledChain compile_chain(std::span<const Rule> rules);

struct ChainOutcome {
  Verdict verdict;  // `next`: no rule decided
  int rule;         // the deciding rule's number, 0 if none
};

// subject must have been built from code.text; it follows changes of the text.
ChainOutcome run_chain(const CompiledChain& chain, Code& code, Subject& subject);
ChainOutcome run_chain(const CompiledChain& chain, Code& code);
ChainOutcome run_chain_reference(const CompiledChain& chain, Code& code);

}  // namespace engine
