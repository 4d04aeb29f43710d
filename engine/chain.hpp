// Running a rule chain over one code field.
//
// The rules are tried in table order; the first whose pattern matches the
// lower-cased code field and whose action does not answer `next` decides.
//
// A chain is compiled once: every pattern is compiled, and each rule learns from
// its pattern what a code field must look like for the pattern to have a chance:
// the literal mnemonic right after the leading separators ("^[\t, ]{1,}ld..."),
// whether a separator or the end must follow it, and the literal operand text
// after the next separators ("...ld[\t, ]{1,}sp,hl" demands "sp,"...). These
// are necessary conditions of the pattern itself, so skipping a rule that fails
// them changes nothing. run_chain uses them; run_chain_reference tests every
// pattern in turn and serves as the reference in tests and fuzzers.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regex.hpp"
#include "engine/rule.hpp"

namespace engine {

// The lower-cased UTF-8 form of a code field that patterns are matched against.
struct Subject {
  std::string bytes;
  bool ascii = true;
  std::size_t separators = 0;  // length of the run of tabs, commas and spaces it starts with
};

void build_subject(Subject& subject, std::u16string_view text);

struct CompiledRule {
  const Rule* rule;
  const Regex* regex;         // nullptr: the pattern does not compile and never matches
  std::string mnemonic;       // literal after "^[\t, ]{1,}", empty if there is none
  bool word_end = false;      // a separator or the end must follow the mnemonic
  bool separator_after = false;  // at least one separator must follow the mnemonic
  std::string operand;        // literal after those separators, empty if none
};

struct CompiledChain {
  std::vector<CompiledRule> rules;
  // For each first letter of a code field's first word (ASCII, lower case): the
  // rules that can match, in chain order. [0] serves every other first character.
  std::array<std::vector<std::size_t>, 128> candidates;
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
