#include "engine/statement.hpp"

#include <atomic>

#include "engine/rules.hpp"
#include "engine/source_line.hpp"

namespace engine {
namespace {

std::atomic<bool> g_remember{true};

const CompiledChain& z80_chain() {
  static const CompiledChain chain = compile_chain(rules_z80_to_8080());
  return chain;
}

const CompiledChain& i8080_chain() {
  static const CompiledChain chain = compile_chain(rules_8080_to_z80());
  return chain;
}

const Policy& z80_to_8080_policy(bool reference) {
  static const Policy fast{Notation::z80, z80_chain(), marking(Direction::z80_to_8080), true, true, false, 0};
  static const Policy plain{Notation::z80, z80_chain(), marking(Direction::z80_to_8080), true, true, false, 0, true};
  return reference ? plain : fast;
}

const Policy& i8080_to_z80_policy(bool reference) {
  static const Policy fast{Notation::i8080, i8080_chain(), marking(Direction::i8080_to_z80), false, false, true, 1};
  static const Policy plain{Notation::i8080, i8080_chain(), marking(Direction::i8080_to_z80), false, false, true, 1, true};
  return reference ? plain : fast;
}

// Removes the blanks in front of every comma outside quotes, and with `after`
// those behind it, from index `from` on; also the blanks just inside
// parentheses, so that "( hl )" reads as the register operand "(hl)" that
// assemblers take it for. Returns whether anything went.
bool squeeze_blanks(std::u16string& text, std::size_t from, bool after) {
  // Most statements have no blank beside a comma or a parenthesis.
  bool any = false;
  for (std::size_t i = from + 1; i < text.size(); ++i) {
    const char16_t a = text[i - 1], b = text[i];
    any |= (is_blank(a) && (b == u',' || b == u')')) || (is_blank(b) && (a == u',' || a == u'('));
  }
  if (!any) return false;
  std::size_t out = from;
  std::size_t quote_until = 0;  // text before this index is quoted
  bool after_comma = false, after_paren = false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (i < quote_until) {
      text[out++] = c;
      continue;
    }
    if ((after_comma || after_paren) && is_blank(c)) continue;
    after_comma = after_paren = false;
    if (is_quote(c) && opens_quote(text, i)) {
      const std::size_t end = quote_end(text, i);
      quote_until = end == kNone ? text.size() : end;
    } else if (c == u',') {
      while (out > from && is_blank(text[out - 1])) --out;
      after_comma = after;
    } else if (c == u'(') {
      after_paren = true;
    } else if (c == u')') {
      while (out > from && is_blank(text[out - 1])) --out;
    }
    text[out++] = c;
  }
  const bool squeezed = out != text.size();
  text.resize(out);
  return squeezed;
}

// An index register ("ix", "iy", "ixh" ... as words of their own), or "i" as a
// word followed by one of "-,+|" (as in "ld i,a"), outside quoted text.
// Calls found(word, at, end) for each name of code[from..] outside quoted
// text, in order, until it returns true; returns whether one did.
template <typename Found>
bool any_name(std::u16string_view code, std::size_t from, Found found) {
  for (std::size_t i = from; i < code.size(); ++i) {
    const char16_t c = code[i];
    if (is_quote(c) && opens_quote(code, i)) {
      const std::size_t end = quote_end(code, i);
      if (end != kNone) i = end - 1;  // an unclosed quote quotes nothing
      continue;
    }
    if (!is_name_char(c) || (i > 0 && is_name_char(code[i - 1]))) continue;
    std::size_t end = i;
    while (end < code.size() && is_name_char(code[end])) ++end;
    if (found(code.substr(i, end - i), i, end)) return true;
    i = end - 1;
  }
  return false;
}

bool is_index_register_form(std::u16string_view code) {
  // Every index register starts with i: most statements hold no i at all.
  bool any_i = false;
  for (const char16_t c : code) any_i |= (c | 0x20) == u'i';
  if (!any_i) return false;
  return any_name(code, 0, [&](std::u16string_view word, std::size_t, std::size_t end) {
    if (word[0] != u'i' && word[0] != u'I') return false;  // every index register starts with i
    return is_index_register(word) ||
           (is_word(word, u"i") && end < code.size() && std::u16string_view(u"-,+|").find(code[end]) != kNone);
  });
}

// True if the operands (code from `operands`) hold a name the other notation
// reads as a register: "ld a,m" in Z80 source would become "mov a,m", a load
// from memory; "mvi a,r" in 8080 source would become "ld a,r", a read of the
// refresh register. Quoted text and numbers ("0deh", "#de") hold no name; the
// condition of a Z80 jump, call or return ("jp m,x", "ret m") is none either.
bool names_other_register(std::u16string_view code, std::size_t operands, Notation source) {
  if (!may_hold_other_register(source, code.substr(operands))) return false;
  std::size_t first = operands;  // the first operand
  while (first < code.size() && is_separator(code[first])) ++first;
  return any_name(code, operands, [&](std::u16string_view word, std::size_t at, std::size_t end) {
    const bool number = is_digit(word[0]) || (at > 0 && code[at - 1] == u'#');
    if (number || word.size() > 3 || !is_other_register(source, word)) return false;
    const bool condition = source == Notation::z80 && at == first && is_condition(word) &&
                           ((end < code.size() && code[end] == u',') || is_word(first_word(code), u"ret"));
    return !condition;
  });
}

Outcome outcome_of(const ChainOutcome& chain) {
  switch (chain.verdict) {
    case Verdict::rewrite: return {Decision::rewrite, chain.rule};
    case Verdict::pass_through: return {Decision::pass_through, chain.rule};
    case Verdict::mark: return {Decision::marked, chain.rule};
    case Verdict::next: break;
  }
  return {Decision::no_rule};
}

// Where the body of "#define NAME body" or "#define NAME(args) body" starts in
// the statement (its blanks included), or kNone when there is none.
std::size_t define_body(std::u16string_view typed) {
  std::size_t i = 0;
  while (i < typed.size() && is_separator(typed[i])) ++i;
  i += 7;  // "#define"
  while (i < typed.size() && is_blank(typed[i])) ++i;
  while (i < typed.size() && is_name_char(typed[i])) ++i;
  if (i < typed.size() && typed[i] == u'(') {
    const std::size_t close = typed.find(u')', i);
    if (close == kNone) return kNone;
    i = close + 1;
  }
  return i < typed.size() && is_blank(typed[i]) && !only_blanks(typed.substr(i)) ? i : kNone;
}

}  // namespace

// "#define NAME body" whose body is one statement of the source notation: the
// body is translated as a statement; anything else is a directive as typed.
void StatementTranslator::define(const Policy& policy, const Options& options, std::u16string_view typed,
                                 bool needs_blank, StatementResult& result) {
  result.decision = Decision::directive;
  const std::size_t at = define_body(typed);
  if (at == kNone || !is_mnemonic(policy.notation, first_word(typed.substr(at)))) return;
  StatementResult body;
  anew(policy, options, typed.substr(at), false, body);
  if (body.decision == Decision::pass_through) return;
  result.decision = body.decision;
  result.rule = body.rule;
  if (body.decision != Decision::rewrite) return;
  result.text = std::u16string(needs_blank ? u" " : u"") + std::u16string(typed.substr(0, at)) + body.text;
}

void StatementTranslator::anew(const Policy& policy, const Options& options, std::u16string_view typed,
                               bool needs_blank, StatementResult& result) {
  result.text.clear();
  result.decision = Decision::no_rule;
  result.rule = 0;
  const std::u16string_view word = first_word(typed);
  if (is_word(word, kDefineDirective)) {
    define(policy, options, typed, needs_blank, result);
    return;
  }
  if (is_foreign_directive(word, policy.notation) || is_definition(typed, policy.notation)) {
    result.decision = Decision::directive;
    return;
  }
  Code& code = code_;
  Subject& subject = subject_;
  code.text.clear();
  if (needs_blank) code.text += u' ';
  code.text += typed;
  code.options = options;
  const bool data = is_data_word(word);
  std::size_t operands_from = 0;
  while (operands_from < code.text.size() && is_separator(code.text[operands_from])) ++operands_from;
  while (operands_from < code.text.size() && !is_separator(code.text[operands_from])) ++operands_from;
  if (!data) {
    squeeze_blanks(code.text, operands_from, policy.squeeze_after_commas);
    if (policy.refuse_index_registers && is_index_register_form(code.text)) {
      result.decision = Decision::index_register;
      return;
    }
  }
  // Only in instructions and data: a directive's operands may be names of
  // another kind ("macro r": a parameter).
  if (names_other_register(code.text, operands_from, policy.notation) &&
      (data || is_mnemonic(policy.notation, word))) {
    result.decision = Decision::register_name;
    return;
  }
  build_subject(subject, code.text);
  const ChainOutcome chain =
      policy.reference ? run_chain_reference(policy.chain, code) : run_chain(policy.chain, code, subject);
  const Outcome outcome = outcome_of(chain);
  result.decision = outcome.decision;
  result.rule = outcome.rule;
  if (chain.verdict == Verdict::rewrite) result.text = code.text;
}

void StatementTranslator::translate(const Policy& policy, const Options& options, std::u16string_view typed,
                                    bool needs_blank, StatementResult& result) {
  if (typed.size() > kLongestStatement) {
    result.decision = Decision::too_long;
    result.rule = 0;
    result.text.clear();
    return;
  }
  if (policy.reference || !remembering()) {
    anew(policy, options, typed, needs_blank, result);
    return;
  }
  std::unique_ptr<StatementCache>& slot = caches_[policy.cache_slot];
  if (!slot) slot = std::make_unique<StatementCache>();
  StatementCache& cache = *slot;
  const StatementKey key{typed, needs_blank, options};
  if (!cache.wants(key)) {
    anew(policy, options, typed, needs_blank, result);
    return;
  }
  if (cache.find(key, result)) return;
  anew(policy, options, typed, needs_blank, result);
  cache.remember(key, result);
}

const Policy& policy_of(Direction direction, bool reference) {
  return direction == Direction::z80_to_8080 ? z80_to_8080_policy(reference) : i8080_to_z80_policy(reference);
}

Notation target(const Policy& policy) {
  return policy.notation == Notation::z80 ? Notation::i8080 : Notation::z80;
}

bool remembering() { return g_remember.load(std::memory_order_relaxed); }

void remember_translations(bool on) { g_remember.store(on); }

}  // namespace engine
