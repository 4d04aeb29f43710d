#include "engine/chain.hpp"

#include <algorithm>

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

bool is_separator_byte(char c) { return is_separator(static_cast<unsigned char>(c)); }

// True if the literal that literal_at just read was cut short by a quantifier
// on its last character (which is then optional and not part of it).
bool cut_short(std::u16string_view pattern, std::size_t i) {
  return i < pattern.size() && std::u16string_view(u"*+?{").find(pattern[i]) != kNone;
}

// The words of a group of plain literals "(w1|w2|...)" at i (i moves past the
// group), or nothing if the group holds anything else.
std::vector<std::string> literal_group(std::u16string_view pattern, std::size_t& i) {
  std::vector<std::string> words;
  if (i >= pattern.size() || pattern[i] != u'(') return {};
  std::size_t j = i + 1;
  for (;;) {
    const std::string word = literal_at(pattern, j);
    if (word.empty() || cut_short(pattern, j) || j >= pattern.size()) return {};
    words.push_back(word);
    if (pattern[j] == u')') break;
    if (pattern[j] != u'|') return {};
    ++j;
  }
  i = j + 1;
  return words;
}

void learn_shape(std::u16string_view pattern, CompiledRule& r) {
  if (has_top_level_alternatives(pattern)) return;
  if (pattern.starts_with(kLeadingSeparators)) {
    std::size_t i = kLeadingSeparators.size();
    r.anchored = true;
    bool whole = true;  // the mnemonic is read to its end
    if (i < pattern.size() && pattern[i] == u'(') {
      r.mnemonics = literal_group(pattern, i);
    } else {
      std::string m = literal_at(pattern, i);
      whole = !cut_short(pattern, i);
      if (!m.empty()) r.mnemonics.push_back(std::move(m));
    }
    // The leading run of separators is maximal only if the mnemonic cannot start with one.
    for (const std::string& m : r.mnemonics) {
      if (is_separator_byte(m[0])) r.mnemonics.clear();
    }
    if (r.mnemonics.empty()) return;
    if (!whole) return;  // a prefix of the first word, and nothing known after it
    std::u16string_view rest = pattern.substr(i);
    if (rest.empty()) {
      r.exact = true;
    } else if (rest.starts_with(kWordEnd)) {
      r.after = CompiledRule::After::word_end;
      r.exact = rest.size() == kWordEnd.size();
    } else if (rest.starts_with(kSeparatorRun)) {
      r.after = CompiledRule::After::separators;
      std::size_t j = i + kSeparatorRun.size();
      r.operand = literal_at(pattern, j);
      // The run of separators is maximal only if the operand cannot start with one.
      if (!r.operand.empty() && is_separator_byte(r.operand[0])) {
        r.operand.clear();
        return;
      }
      if (cut_short(pattern, j)) return;
      rest = pattern.substr(j);
      if (rest.empty()) {
        r.exact = true;
      } else if (!r.operand.empty() && rest == kWordEnd) {
        r.operand_word_end = true;
        r.exact = true;
      }
    } else if (rest.starts_with(kBlankRun)) {
      r.after = CompiledRule::After::separators;  // a blank is a separator: a weaker condition
    } else {
      r.after = CompiledRule::After::anything;
    }
    return;
  }
  if (pattern.starts_with(kSeparatorRun)) {
    // "[\t, ]{1,}xra[\t, ]{1,}...": the word stands between separators somewhere.
    std::size_t i = kSeparatorRun.size();
    std::string word = literal_at(pattern, i);
    const std::u16string_view rest = pattern.substr(i);
    if (!word.empty() && !is_separator_byte(word[0]) && !cut_short(pattern, i) &&
        (rest.starts_with(kSeparatorRun) || rest.starts_with(kWordEnd))) {
      r.word = std::move(word);
    }
  }
}

// "$" also matches before a line feed that ends the text.
bool ends_word(std::string_view b, std::size_t q) {
  return q == b.size() || is_separator_byte(b[q]) || (b[q] == '\n' && q + 1 == b.size());
}

// The pattern's necessary conditions on the subject (see chain.hpp). With an
// exact shape, also sufficient. `word_known`: the dispatch found the subject's
// first word among the rule's words (or starting with one, for a prefix).
bool may_match(const CompiledRule& r, const Subject& s, bool word_known) {
  if (!r.anchored || r.mnemonics.empty()) return true;
  const std::string_view b = s.bytes;
  const std::size_t q = s.separators;
  if (q == 0) return false;
  std::size_t end = 0;
  if (word_known) {
    if (r.after != CompiledRule::After::separators) return true;
    // The word is known whole: its operand starts where the subject says.
    if (s.operand == s.word_end || b.compare(s.operand, r.operand.size(), r.operand) != 0) return false;
    return !r.operand_word_end || ends_word(b, s.operand + r.operand.size());
  } else {
    for (const std::string& m : r.mnemonics) {
      if (b.compare(q, m.size(), m) != 0) continue;
      if (r.after == CompiledRule::After::anything || ends_word(b, q + m.size())) {
        end = q + m.size();
        break;
      }
    }
  }
  if (end == 0) return false;
  if (r.after != CompiledRule::After::separators) return true;
  if (end == b.size() || !is_separator_byte(b[end])) return false;
  while (end < b.size() && is_separator_byte(b[end])) ++end;
  if (b.compare(end, r.operand.size(), r.operand) != 0) return false;
  return !r.operand_word_end || ends_word(b, end + r.operand.size());
}

std::size_t utf8_length(std::u16string_view text, std::size_t& i) {
  const char16_t c = text[i];
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
    ++i;
    return 4;
  }
  return 3;
}

// Position in text of the character that starts at byte offset in subject.
std::size_t position_of(const Subject& subject, std::u16string_view text, std::size_t offset) {
  if (subject.ascii) return offset;
  std::size_t bytes = 0, i = 0;
  for (; i < text.size() && bytes < offset; ++i) bytes += utf8_length(text, i);
  return i;
}

// True when position p of text is where the first word of the code field
// starts (the subject counts bytes; text counts code units).
bool subject_starts_at(const Subject& subject, std::u16string_view text, std::size_t p) {
  if (subject.ascii) return p == subject.separators;
  std::size_t i = 0;
  while (i < text.size() && is_separator(text[i])) ++i;
  return p == i;
}

// Runs one rule. `shape_holds`: may_match said yes, so an exact shape needs no
// run of the pattern. Returns true if it decided; sets `changed` if its action
// changed the text and handed it on.
bool try_rule(const CompiledRule& r, bool shape_holds, Subject& subject, Code& code, ChainOutcome& outcome,
              bool& changed) {
  if (r.regex == nullptr) return false;
  std::size_t at = 0;  // an exact shape is anchored: its match starts the text
  if (!(shape_holds && r.exact)) {
    at = regex_find(*r.regex, subject.bytes, code.scratch.match);
    if (at == kNone) return false;
  }
  code.match = position_of(subject, code.text, at);
  code.mnemonic = code.match;
  while (code.mnemonic < code.text.size() && is_separator(code.text[code.mnemonic])) {
    ++code.mnemonic;
  }
  // A rule takes its mnemonic only as the statement's first word: "xpush b"
  // holds "push b", but it is a macro call, not a push.
  if (!subject_starts_at(subject, code.text, code.mnemonic)) {
    return false;
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

void add(std::vector<std::uint16_t>& list, std::size_t rule) {
  if (list.empty() || list.back() != rule) list.push_back(static_cast<std::uint16_t>(rule));
}

}  // namespace

void build_subject(Subject& subject, std::u16string_view text) {
  subject.bytes.clear();
  subject.ascii = append_lower_utf8(subject.bytes, text);
  const std::string_view b = subject.bytes;
  std::size_t q = 0;
  while (q < b.size() && is_separator_byte(b[q])) ++q;
  subject.separators = q;
  while (q < b.size() && !is_separator_byte(b[q])) ++q;
  subject.word_end = q;
  while (q < b.size() && is_separator_byte(b[q])) ++q;
  subject.operand = q;
}

CompiledChain compile_chain(std::span<const Rule> rules) {
  CompiledChain chain;
  chain.rules.reserve(rules.size());
  for (const Rule& rule : rules) {
    CompiledRule r;
    r.rule = &rule;
    r.regex = regex_compile(rule.pattern);
    learn_shape(rule.pattern, r);
    chain.rules.push_back(std::move(r));
  }
  // The words some rule takes whole: each gets its own list.
  std::vector<std::string> words;
  for (const CompiledRule& r : chain.rules) {
    if (r.anchored && r.after != CompiledRule::After::anything) {
      for (const std::string& m : r.mnemonics) words.push_back(m);
    }
    if (!r.word.empty()) words.push_back(r.word);
  }
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  for (std::size_t i = 0; i < chain.rules.size(); ++i) {
    const CompiledRule& r = chain.rules[i];
    const bool whole_word = r.anchored && !r.mnemonics.empty() && r.after != CompiledRule::After::anything;
    const bool prefix = r.anchored && !r.mnemonics.empty() && r.after == CompiledRule::After::anything;
    const bool unknown = r.mnemonics.empty() && r.word.empty();  // no knowledge: every list
    for (const std::string& word : words) {
      std::vector<std::uint16_t>& list = chain.by_first_word[std::string_view(word)];
      bool takes = unknown;
      if (whole_word) takes = std::find(r.mnemonics.begin(), r.mnemonics.end(), word) != r.mnemonics.end();
      if (prefix) {
        for (const std::string& m : r.mnemonics) takes = takes || word.starts_with(m);
      }
      if (!r.word.empty()) takes = word == r.word;
      if (takes) add(list, i);
    }
    for (std::size_t c = 0; c < chain.by_first_letter.size(); ++c) {
      bool takes = unknown;
      if (prefix) {
        for (const std::string& m : r.mnemonics) takes = takes || (c != 0 && static_cast<unsigned char>(m[0]) == c);
      }
      // A first word no list knows can still start with the letter of a prefix rule.
      if (takes) add(chain.by_first_letter[c], i);
    }
    if (!r.word.empty()) {
      add(chain.by_inner_word[std::string_view(r.word)], i);
      chain.inner_word_starts[static_cast<unsigned char>(r.word[0])] = true;
      chain.longest_inner_word = std::max(chain.longest_inner_word, r.word.size());
    }
    chain.has_inner_words = chain.has_inner_words || !r.word.empty();
  }
  return chain;
}

ChainOutcome run_chain(const CompiledChain& chain, Code& code, Subject& subject) {
  const std::string_view first = subject.first_word();
  const std::vector<std::uint16_t>* list = nullptr;
  if (subject.separators > 0) {
    list = chain.by_first_word.find(first);
  }
  const bool word_known = list != nullptr;
  if (list == nullptr) {
    const unsigned char c = subject.separators > 0 && !first.empty() ? first[0] : 0;
    list = &chain.by_first_letter[c < 128 ? c : 0];
  }
  // The unanchored rules whose word stands after the first word (or, with no
  // leading separator, anywhere) join the list, in chain order.
  std::vector<std::uint16_t>& merged = code.scratch.candidates;
  if (chain.has_inner_words) {
    const std::string_view b = subject.bytes;
    bool any = false;
    for (std::size_t q = subject.separators > 0 ? subject.word_end : 0; q < b.size();) {
      while (q < b.size() && is_separator_byte(b[q])) ++q;
      const std::size_t start = q;
      while (q < b.size() && !is_separator_byte(b[q])) ++q;
      if (q == start) continue;
      if (q - start > chain.longest_inner_word || !chain.inner_word_starts[static_cast<unsigned char>(b[start])]) continue;
      const std::vector<std::uint16_t>* inner = chain.by_inner_word.find(b.substr(start, q - start));
      if (inner == nullptr) continue;
      if (!any) merged.assign(list->begin(), list->end());
      any = true;
      merged.insert(merged.end(), inner->begin(), inner->end());
    }
    if (any) {
      std::sort(merged.begin(), merged.end());
      merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
      list = &merged;
    }
  }

  ChainOutcome outcome{Verdict::next, 0};
  for (std::size_t k = 0; k < list->size(); ++k) {
    const std::size_t index = (*list)[k];
    const CompiledRule& r = chain.rules[index];
    if (!may_match(r, subject, word_known && r.word.empty())) continue;
    bool changed = false;
    if (try_rule(r, true, subject, code, outcome, changed)) return outcome;
    if (changed) {
      // The text changed under the later rules: go on with all of them, in order.
      for (std::size_t i = index + 1; i < chain.rules.size(); ++i) {
        const bool holds = may_match(chain.rules[i], subject, false);
        if (holds && try_rule(chain.rules[i], true, subject, code, outcome, changed)) return outcome;
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
    if (try_rule(r, false, subject, code, outcome, changed)) return outcome;
  }
  return outcome;
}

}  // namespace engine
