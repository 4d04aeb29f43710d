// Running a rule chain over one code field.
//
// The rules are tried in table order; the first whose pattern matches the
// lower-cased code field and whose action does not answer `next` decides. A
// chain is compiled once: every pattern is compiled, and each rule learns the
// literal mnemonic (if any) its pattern demands right after the leading
// separators, so that rules which cannot match are skipped without running their
// pattern. run_chain and run_chain_reference give identical results; the second
// tests every pattern in turn and serves as the reference in tests.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/regex.hpp"
#include "engine/rule.hpp"

namespace engine {

struct CompiledRule {
  const Rule* rule;
  const Regex* regex;    // nullptr: the pattern does not compile and never matches
  std::string mnemonic;  // literal after "^[\t, ]{1,}", empty if there is none
};

struct CompiledChain {
  std::vector<CompiledRule> rules;
};

CompiledChain compile_chain(std::span<const Rule> rules);

struct ChainOutcome {
  Verdict verdict;  // `next`: no rule decided
  int rule;         // the deciding rule's number, 0 if none
};

ChainOutcome run_chain(const CompiledChain& chain, Code& code);
ChainOutcome run_chain_reference(const CompiledChain& chain, Code& code);

}  // namespace engine
