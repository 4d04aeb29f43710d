#include "engine/chain.hpp"

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

void learn_shape(std::u16string_view pattern, CompiledRule& r) {
  if (!pattern.starts_with(kLeadingSeparators) || has_top_level_alternatives(pattern)) return;
  std::size_t i = kLeadingSeparators.size();
  const std::size_t start = i;
  r.mnemonic = literal_at(pattern, i);
  // The leading run of separators is maximal only if the mnemonic cannot start with one.
  if (!r.mnemonic.empty() && is_separator(static_cast<char16_t>(r.mnemonic[0]))) r.mnemonic.clear();
  // A mnemonic cut short by a quantifier says nothing about what follows it.
  if (r.mnemonic.empty() || i - start != r.mnemonic.size()) return;
  const std::u16string_view rest = pattern.substr(i);
  if (rest.starts_with(kWordEnd)) {
    r.word_end = true;
  } else if (rest.starts_with(kSeparatorRun)) {
    r.separator_after = true;
    std::size_t j = i + kSeparatorRun.size();
    r.operand = literal_at(pattern, j);
    // The run of separators is maximal only if the operand cannot start with one.
    if (!r.operand.empty() && is_separator(static_cast<char16_t>(r.operand[0]))) r.operand.clear();
  } else if (rest.starts_with(kBlankRun)) {
    r.separator_after = true;
  }
}

// The pattern's necessary conditions on the subject (see chain.hpp).
bool may_match(const CompiledRule& r, const Subject& s) {
  if (r.mnemonic.empty()) return true;
  const std::string_view b = s.bytes;
  std::size_t q = s.separators;
  if (q == 0 || b.compare(q, r.mnemonic.size(), r.mnemonic) != 0) return false;
  q += r.mnemonic.size();
  // "$" also matches before a line feed that ends the text.
  if (r.word_end) {
    return q == b.size() || is_separator(static_cast<unsigned char>(b[q])) || (b[q] == '\n' && q + 1 == b.size());
  }
  if (!r.separator_after) return true;
  if (q == b.size() || !is_separator(static_cast<unsigned char>(b[q]))) return false;
  while (q < b.size() && is_separator(static_cast<unsigned char>(b[q]))) ++q;
  return b.compare(q, r.operand.size(), r.operand) == 0;
}

std::size_t utf8_length(std::u16string_view text, std::size_t& i) {
  const char16_t c = text[i];
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    ++i;
    return 4;
  }
  return 3;
}

// Position (from 1) in text of the character that starts at byte offset in subject.
Pos position_of(const Subject& subject, std::u16string_view text, std::size_t offset) {
  if (subject.ascii) return static_cast<Pos>(offset) + 1;
  std::size_t bytes = 0, i = 0;
  for (; i < text.size() && bytes < offset; ++i) bytes += utf8_length(text, i);
  return static_cast<Pos>(i) + 1;
}

// Runs one rule whose pattern may match. Returns true if it decided; sets
// `changed` if its action changed the text and handed it on.
bool try_rule(const CompiledRule& r, Subject& subject, Code& code, ChainOutcome& outcome, bool& changed) {
  if (r.regex == nullptr) return false;
  const std::size_t at = regex_find(*r.regex, subject.bytes);
  if (at == kNone) return false;
  code.match = position_of(subject, code.text, at);
  code.mnemonic = code.match;
  while (code.mnemonic <= static_cast<Pos>(code.text.size()) && is_separator(code.text[code.mnemonic - 1])) {
    ++code.mnemonic;
  }
  code.changed = false;
  const Verdict verdict = r.rule->action(code);
  if (verdict == Verdict::next) {
    if (code.changed) {
      build_subject(subject, code.text);
      changed = true;
    }
    return false;
  }
  outcome = {verdict, r.rule->number};
  return true;
}

}  // namespace

void build_subject(Subject& subject, std::u16string_view text) {
  subject.bytes.clear();
  subject.ascii = append_lower_utf8(subject.bytes, text);
  subject.separators = 0;
  while (subject.separators < subject.bytes.size() &&
         is_separator(static_cast<unsigned char>(subject.bytes[subject.separators]))) {
    ++subject.separators;
  }
}

CompiledChain compile_chain(std::span<const Rule> rules) {
  CompiledChain chain;
  chain.rules.reserve(rules.size());
  for (const Rule& rule : rules) {
    CompiledRule r{&rule, regex_compile(rule.pattern), {}, false, false, {}};
    learn_shape(rule.pattern, r);
    chain.rules.push_back(std::move(r));
  }
  for (std::size_t i = 0; i < chain.rules.size(); ++i) {
    const std::string& m = chain.rules[i].mnemonic;
    for (std::size_t c = 0; c < chain.candidates.size(); ++c) {
      if (m.empty() || (c != 0 && static_cast<unsigned char>(m[0]) == c)) chain.candidates[c].push_back(i);
    }
  }
  return chain;
}

ChainOutcome run_chain(const CompiledChain& chain, Code& code, Subject& subject) {
  const std::size_t first = subject.separators;
  const unsigned char key = first > 0 && first < subject.bytes.size() ? subject.bytes[first] : 0;
  const std::vector<std::size_t>& candidates = chain.candidates[key < 128 ? key : 0];
  ChainOutcome outcome{Verdict::next, 0};
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    const CompiledRule& r = chain.rules[candidates[k]];
    if (!may_match(r, subject)) continue;
    bool changed = false;
    if (try_rule(r, subject, code, outcome, changed)) return outcome;
    if (changed) {
      // The text changed under the later rules: go on with all of them, in order.
      for (std::size_t i = candidates[k] + 1; i < chain.rules.size(); ++i) {
        if (may_match(chain.rules[i], subject) && try_rule(chain.rules[i], subject, code, outcome, changed)) {
          return outcome;
        }
      }
      return outcome;
    }
  }
  return outcome;
}

ChainOutcome run_chain(const CompiledChain& chain, Code& code) {
  Subject subject;
  build_subject(subject, code.text);
  return run_chain(chain, code, subject);
}

ChainOutcome run_chain_reference(const CompiledChain& chain, Code& code) {
  Subject subject;
  build_subject(subject, code.text);
  ChainOutcome outcome{Verdict::next, 0};
  for (const CompiledRule& r : chain.rules) {
    bool changed = false;
    if (try_rule(r, subject, code, outcome, changed)) return outcome;
  }
  return outcome;
}

}  // namespace engine
