#include "engine/chain.hpp"

#include "engine/utf.hpp"

namespace engine {
namespace {

constexpr std::u16string_view kLeadingSeparators = u"^[\\t, ]{1,}";

bool is_separator(char16_t c) { return c == u'\t' || c == u',' || c == u' '; }

// True if the pattern has a "|" outside brackets and parentheses, which would
// make its leading literal only one of several alternatives.
bool has_top_level_alternation(std::u16string_view pattern) {
  int depth = 0;
  bool in_class = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'\\') {
      ++i;
    } else if (in_class) {
      in_class = c != u']';
    } else if (c == u'[') {
      in_class = true;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      --depth;
    } else if (c == u'|' && depth == 0) {
      return true;
    }
  }
  return false;
}

// The letters and digits a pattern demands right after its leading separators:
// "^[\t, ]{1,}ld[\t, ]{1,}sp," demands "ld". A letter followed by a quantifier is
// optional and ends the literal before it.
std::string literal_mnemonic(std::u16string_view pattern) {
  if (!pattern.starts_with(kLeadingSeparators) || has_top_level_alternation(pattern)) return {};
  std::string literal;
  std::size_t i = kLeadingSeparators.size();
  for (; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))) break;
    literal.push_back(static_cast<char>(c));
  }
  if (!literal.empty() && i < pattern.size() &&
      std::u16string_view(u"*+?{").find(pattern[i]) != std::u16string_view::npos) {
    literal.pop_back();
  }
  return literal;
}

// The lower-cased UTF-8 form of the code field that patterns are matched against.
struct Subject {
  std::string bytes;
  bool ascii = true;
  std::size_t separators = 0;  // length of the run of separators it starts with

  explicit Subject(const std::u16string& text) { build(text); }

  void build(const std::u16string& text) {
    bytes.clear();
    ascii = append_lower_utf8(bytes, text);
    separators = 0;
    while (separators < bytes.size() && is_separator(static_cast<unsigned char>(bytes[separators]))) ++separators;
  }
};

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

// Runs one rule whose pattern may match. Returns true if it decided.
bool try_rule(const CompiledRule& r, Subject& subject, Code& code, ChainOutcome& outcome) {
  if (r.regex == nullptr) return false;
  const std::size_t at = regex_find(*r.regex, subject.bytes);
  if (at == kNoMatch) return false;
  code.match = position_of(subject, code.text, at);
  code.mnemonic = code.match;
  while (code.mnemonic <= static_cast<Pos>(code.text.size()) &&
         is_separator(code.text[code.mnemonic - 1])) {
    ++code.mnemonic;
  }
  code.changed = false;
  const Verdict verdict = r.rule->action(code);
  if (verdict == Verdict::next) {
    if (code.changed) subject.build(code.text);
    return false;
  }
  outcome = {verdict, r.rule->number};
  return true;
}

}  // namespace

CompiledChain compile_chain(std::span<const Rule> rules) {
  CompiledChain chain;
  chain.rules.reserve(rules.size());
  for (const Rule& rule : rules) {
    chain.rules.push_back({&rule, regex_compile(rule.pattern), literal_mnemonic(rule.pattern)});
  }
  return chain;
}

ChainOutcome run_chain(const CompiledChain& chain, Code& code) {
  Subject subject(code.text);
  ChainOutcome outcome{Verdict::next, 0};
  for (const CompiledRule& r : chain.rules) {
    // A rule that demands a mnemonic right after the leading separators cannot
    // match a code field whose first word does not begin with it.
    if (!r.mnemonic.empty() &&
        (subject.separators == 0 ||
         std::string_view(subject.bytes).substr(subject.separators).compare(0, r.mnemonic.size(),
                                                                            r.mnemonic) != 0)) {
      continue;
    }
    if (try_rule(r, subject, code, outcome)) return outcome;
  }
  return outcome;
}

ChainOutcome run_chain_reference(const CompiledChain& chain, Code& code) {
  Subject subject(code.text);
  ChainOutcome outcome{Verdict::next, 0};
  for (const CompiledRule& r : chain.rules) {
    if (try_rule(r, subject, code, outcome)) return outcome;
  }
  return outcome;
}

}  // namespace engine
