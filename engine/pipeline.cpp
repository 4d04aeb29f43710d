#include "engine/pipeline.hpp"

#include <atomic>

#include "engine/chain.hpp"
#include "engine/dialect.hpp"
#include "engine/keep_layout.hpp"
#include "engine/macro_names.hpp"
#include "engine/rules.hpp"
#include "engine/source_line.hpp"
#include "engine/statement_cache.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

// What sets the two directions apart.
struct Policy {
  Notation notation;                 // of the source
  const CompiledChain& chain;
  std::u16string_view marking;
  bool squeeze_after_commas;         // the blanks after commas go too, not only those before
  bool refuse_index_registers;       // index-register forms are marked before the chain
  bool statements_in_comment;        // a "!" in a comment may start a statement (DRI)
  int cache_slot;                    // which statement memory is this direction's
  bool reference = false;            // plain chain, nothing remembered
};

const CompiledChain& z80_chain() {
  static const CompiledChain chain = compile_chain(rules_z80_to_8080());
  return chain;
}

const CompiledChain& i8080_chain() {
  static const CompiledChain chain = compile_chain(rules_8080_to_z80());
  return chain;
}

const Policy& z80_to_8080(bool reference) {
  static const Policy fast{Notation::z80, z80_chain(), kZ80To8080Marking, true, true, false, 0};
  static const Policy plain{Notation::z80, z80_chain(), kZ80To8080Marking, true, true, false, 0, true};
  return reference ? plain : fast;
}

const Policy& i8080_to_z80(bool reference) {
  static const Policy fast{Notation::i8080, i8080_chain(), k8080ToZ80Marking, false, false, true, 1};
  static const Policy plain{Notation::i8080, i8080_chain(), k8080ToZ80Marking, false, false, true, 1, true};
  return reference ? plain : fast;
}

Notation target(const Policy& policy) {
  return policy.notation == Notation::z80 ? Notation::i8080 : Notation::z80;
}

// Removes the blanks in front of every comma outside quotes, and with `after`
// those behind it, from index `from` on; also the blanks just inside
// parentheses, so that "( hl )" reads as the register operand "(hl)" that
// assemblers take it for. Returns whether anything went.
bool squeeze_blanks(std::u16string& text, std::size_t from, bool after) {
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
bool is_index_register_form(std::u16string_view code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char16_t c = code[i];
    if (is_quote(c) && opens_quote(code, i)) {
      const std::size_t end = quote_end(code, i);
      if (end != kNone) i = end - 1;  // an unclosed quote quotes nothing
      continue;
    }
    if (!is_name_char(c) || (i > 0 && is_name_char(code[i - 1]))) continue;
    std::size_t end = i;
    while (end < code.size() && is_name_char(code[end])) ++end;
    const std::u16string_view word = code.substr(i, end - i);
    if (c != u'i' && c != u'I') {  // every index register starts with i
      i = end - 1;
      continue;
    }
    if (is_index_register(word)) return true;
    if (is_word(word, u"i") && end < code.size() && std::u16string_view(u"-,+|").find(code[end]) != kNone) return true;
    i = end - 1;
  }
  return false;
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

void translate_statement_anew(const Policy& policy, const Options& options, std::u16string_view typed,
                              bool needs_blank, StatementResult& result);

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

// "#define NAME body" whose body is one statement of the source notation: the
// body is translated as a statement; anything else is a directive as typed.
void translate_define(const Policy& policy, const Options& options, std::u16string_view typed, bool needs_blank,
                      StatementResult& result) {
  result.decision = Decision::directive;
  const std::size_t at = define_body(typed);
  if (at == kNone || !is_mnemonic(policy.notation, first_word(typed.substr(at)))) return;
  StatementResult body;
  translate_statement_anew(policy, options, typed.substr(at), false, body);
  if (body.decision == Decision::pass_through) return;
  result.decision = body.decision;
  result.rule = body.rule;
  if (body.decision != Decision::rewrite) return;
  result.text = std::u16string(needs_blank ? u" " : u"") + std::u16string(typed.substr(0, at)) + body.text;
}

// One statement through the direction's steps. `result.text` is set only for a
// rewrite: a statement let through or marked goes out as typed.
void translate_statement_anew(const Policy& policy, const Options& options, std::u16string_view typed,
                              bool needs_blank, StatementResult& result) {
  result.text.clear();
  result.decision = Decision::no_rule;
  result.rule = 0;
  const std::u16string_view word = first_word(typed);
  if (is_word(word, kDefineDirective)) {
    translate_define(policy, options, typed, needs_blank, result);
    return;
  }
  if (is_foreign_directive(word, policy.notation) || is_definition(typed, policy.notation)) {
    result.decision = Decision::directive;
    return;
  }
  thread_local Code code;
  thread_local Subject subject;
  code.text.clear();
  if (needs_blank) code.text += u' ';
  code.text += typed;
  code.options = options;
  const bool data = is_data_word(word);
  if (!data) {
    std::size_t operands_from = 0;
    while (operands_from < code.text.size() && is_separator(code.text[operands_from])) ++operands_from;
    while (operands_from < code.text.size() && !is_separator(code.text[operands_from])) ++operands_from;
    squeeze_blanks(code.text, operands_from, policy.squeeze_after_commas);
    if (policy.refuse_index_registers && is_index_register_form(code.text)) {
      result.decision = Decision::index_register;
      return;
    }
  }
  build_subject(subject, code.text);
  const ChainOutcome chain =
      policy.reference ? run_chain_reference(policy.chain, code) : run_chain(policy.chain, code, subject);
  const Outcome outcome = outcome_of(chain);
  result.decision = outcome.decision;
  result.rule = outcome.rule;
  if (chain.verdict == Verdict::rewrite) result.text = code.text;
}

std::atomic<bool> g_remember{true};

void translate_statement(const Policy& policy, const Options& options, std::u16string_view typed,
                         bool needs_blank, StatementResult& result) {
  if (typed.size() > kLongestStatement) {
    result.decision = Decision::too_long;
    result.rule = 0;
    result.text.clear();
    return;
  }
  if (policy.reference || !g_remember.load(std::memory_order_relaxed)) {
    translate_statement_anew(policy, options, typed, needs_blank, result);
    return;
  }
  thread_local StatementCache caches[2];
  StatementCache& cache = caches[policy.cache_slot];
  const StatementKey key{typed, needs_blank, options};
  if (!cache.wants(key)) {
    translate_statement_anew(policy, options, typed, needs_blank, result);
    return;
  }
  if (cache.find(key, result)) return;
  translate_statement_anew(policy, options, typed, needs_blank, result);
  cache.remember(key, result);
}

// Where a translation goes: a text of code units, or UTF-8 bytes.
struct TextSink {
  std::u16string& out;
  void append(std::u16string_view s) { out += s; }
  std::size_t size() const { return out.size(); }
};
struct Utf8Sink {
  std::string& out;
  void append(std::u16string_view s) { append_utf8(out, s); }
  std::size_t size() const { return out.size(); }
};

// The line's output, appended to the sink: labels, statements and comment.
template <typename Sink>
LineInfo translate(const Policy& policy, std::u16string_view line, const Options& options, Sink sink) {
  thread_local SourceLine parsed;
  thread_local StatementResult statement;
  // In a comment, text after a "!" is a statement when a rule of the chain
  // takes it. (The 8080 chain, the only one that reads comments so, has no
  // marking rule: what a rule takes, it rewrites or lets through.)
  struct Context {
    const Policy& policy;
    const Options& options;
    StatementResult& statement;
  } context{policy, options, statement};
  const auto is_statement = [](const void* c, std::u16string_view candidate) {
    const auto& x = *static_cast<const Context*>(c);
    translate_statement(x.policy, x.options, candidate, !is_separator(candidate.front()), x.statement);
    return x.statement.decision == Decision::rewrite || x.statement.decision == Decision::pass_through;
  };
  const LineRules rules{policy.notation,
                        options.backslash_separates ? kStatementSeparatorsWithBackslash : kStatementSeparators,
                        policy.statements_in_comment, is_statement, &context};
  parse_line(line, rules, parsed);

  LineInfo info;
  const auto offset = [&](std::u16string_view piece) { return static_cast<std::size_t>(piece.data() - line.data()); };
  // A label that ends at a blank shares it with what follows; with
  // keep_layout it is written once, as typed (not on a marked line, where the
  // marking stands between them, nor on a label-only line).
  const auto labels = [&](bool marked = false) {
    std::u16string_view label = parsed.label;
    const std::u16string_view next = parsed.inner.empty() ? parsed.statements.front().typed : parsed.inner;
    if (options.keep_layout && !marked && parsed.kind != SourceLine::Kind::label_only && !label.empty() &&
        is_blank(label.back()) && next.data() == label.data() + label.size() - 1) {
      label.remove_suffix(1);
    }
    sink.append(label);
    sink.append(parsed.inner);
  };
  const Statement& first = parsed.statements.front();
  const Statement& last = parsed.statements.back();
  info.source_begin = first.typed.data() != nullptr ? offset(first.typed) : line.size();
  info.source_end = last.typed.data() != nullptr ? offset(last.typed) + last.typed.size() : info.source_begin;
  if (parsed.kind != SourceLine::Kind::code) {
    labels();
    info.outcome.decision = parsed.kind == SourceLine::Kind::blank        ? Decision::blank
                            : parsed.kind == SourceLine::Kind::label_only ? Decision::label_only
                                                                          : Decision::directive;
    info.out_begin = sink.size();
    sink.append(first.typed);
    info.out_end = sink.size();
    sink.append(parsed.comment);
    return info;
  }

  // Each statement on its own; blank ones stay as they are. The rewritten
  // texts are kept one after another in one buffer; a statement that goes out
  // as typed is taken from the line itself.
  struct Shown {
    bool rewritten;
    std::size_t from, to;  // in `rewritten`
  };
  thread_local std::u16string rewritten;
  thread_local std::vector<Shown> shown;
  rewritten.clear();
  shown.clear();
  const bool several = parsed.statements.size() > 1;
  for (std::size_t i = 0; i < parsed.statements.size(); ++i) {
    const Statement& s = parsed.statements[i];
    Outcome outcome{Decision::blank};
    Shown piece{false, 0, 0};
    if (options.macros != nullptr && options.macros->contains(first_word(s.typed))) {
      outcome = {Decision::macro_call};
    } else if (!only_blanks(s.typed)) {
      translate_statement(policy, options, s.typed, s.needs_blank, statement);
      outcome = {statement.decision, statement.rule};
      if (statement.decision == Decision::rewrite) {
        std::u16string_view text = statement.text;
        thread_local std::u16string laid;
        if (options.keep_layout &&
            keep_layout(s.typed, column_after(0, line.substr(0, offset(s.typed))), text, target(policy), laid)) {
          text = laid;
        }
        // A statement in column 1 stays there: the blanks before its mnemonic
        // go. After ":" or a backslash the blank the rules needed goes again too, so
        // the separator keeps its blanks as typed (DRI's "!" is followed by one).
        const bool column1 = i == 0 && parsed.label.empty() && parsed.inner.empty() && s.needs_blank;
        while (column1 && !text.empty() && is_blank(text.front())) text.remove_prefix(1);
        if (s.needs_blank && s.separator != 0 && s.separator != u'!' && text.starts_with(u' ')) text.remove_prefix(1);
        piece = {true, rewritten.size(), rewritten.size() + text.size()};
        rewritten += text;
      }
    }
    shown.push_back(piece);
    if (several) {
      info.outcome.decision = Decision::statements;
      info.outcome.statements.push_back(std::move(outcome));
    } else {
      info.outcome = std::move(outcome);
    }
  }

  // If one of them has no equivalent, the statements go out as they were typed.
  // A marking never stands between a mnemonic and its operands: behind a
  // label that is itself a mnemonic ("RET Z" read as label RET), it goes first.
  // The line then goes out as typed: the label without the blank it shares
  // with the code field, and the statement counts from the label on.
  const bool marked = is_not_convertible(info.outcome);
  if (marked && parsed.label_is_mnemonic) {
    sink.append(policy.marking);
    info.out_begin = sink.size();
    info.source_begin = 0;
    sink.append(parsed.label.substr(0, parsed.label.size() - 1));
    sink.append(parsed.inner);
  } else {
    labels(marked);
    if (marked) sink.append(policy.marking);
    info.out_begin = sink.size();
  }
  for (std::size_t i = 0; i < parsed.statements.size(); ++i) {
    if (i > 0) sink.append(std::u16string_view(&parsed.statements[i].separator, 1));
    if (marked || !shown[i].rewritten) {
      sink.append(parsed.statements[i].typed);
    } else {
      sink.append(std::u16string_view(rewritten).substr(shown[i].from, shown[i].to - shown[i].from));
    }
    sink.append(parsed.statements[i].comment);
  }
  info.out_end = sink.size();
  sink.append(parsed.comment);
  return info;
}

Translation translate_text(const Policy& policy, std::u16string_view line, const Options& options) {
  Translation t;
  t.text.reserve(line.size() + policy.marking.size() + 16);
  LineInfo info = translate(policy, line, options, TextSink{t.text});
  t.outcome = std::move(info.outcome);
  t.source_begin = info.source_begin;
  t.source_end = info.source_end;
  t.text_begin = info.out_begin;
  t.text_end = info.out_end;
  return t;
}

std::vector<std::u16string> convert_all(const Policy& policy, std::span<const std::u16string> lines) {
  std::vector<std::u16string> out;
  out.reserve(lines.size());
  for (const auto& line : lines) out.push_back(translate_text(policy, line, {}).text);
  return out;
}

}  // namespace

bool is_not_convertible(const Outcome& outcome) {
  switch (outcome.decision) {
    case Decision::index_register:
    case Decision::marked:
    case Decision::no_rule:
    case Decision::too_long:
      return true;
    case Decision::statements:
      for (const Outcome& s : outcome.statements) {
        if (is_not_convertible(s)) return true;
      }
      return false;
    default:
      return false;
  }
}

std::string_view decision_name(Decision decision) {
  switch (decision) {
    case Decision::blank: return "blank";
    case Decision::label_only: return "label only";
    case Decision::directive: return "directive";
    case Decision::index_register: return "index register";
    case Decision::rewrite: return "rewrite";
    case Decision::pass_through: return "pass-through";
    case Decision::marked: return "marking";
    case Decision::no_rule: return "no rule";
    case Decision::too_long: return "too long";
    case Decision::macro_call: return "macro call";
    case Decision::statements: return "statements";
  }
  return "?";
}

std::string describe(const Outcome& outcome) {
  const std::string name(decision_name(outcome.decision));
  switch (outcome.decision) {
    case Decision::rewrite:
    case Decision::pass_through:
    case Decision::marked: return "rule " + std::to_string(outcome.rule) + " " + name;
    case Decision::statements: {
      std::string text = name + ":";
      for (std::size_t i = 0; i < outcome.statements.size(); ++i) {
        text += (i == 0 ? " " : " ! ") + describe(outcome.statements[i]);
      }
      return text;
    }
    default: return name;
  }
}

Translation translate_z80_to_8080(std::u16string_view line, const Options& options) {
  return translate_text(z80_to_8080(false), line, options);
}
Translation translate_8080_to_z80(std::u16string_view line, const Options& options) {
  return translate_text(i8080_to_z80(false), line, options);
}
Translation translate_z80_to_8080_reference(std::u16string_view line, const Options& options) {
  return translate_text(z80_to_8080(true), line, options);
}
Translation translate_8080_to_z80_reference(std::u16string_view line, const Options& options) {
  return translate_text(i8080_to_z80(true), line, options);
}

void remember_translations(bool on) { g_remember.store(on); }

LineInfo translate_line(Direction direction, std::u16string_view line, const Options& options, std::string& out) {
  const Policy& policy = direction == Direction::z80_to_8080 ? z80_to_8080(false) : i8080_to_z80(false);
  return translate(policy, line, options, Utf8Sink{out});
}

LineInfo translate_utf8_line(Direction direction, std::string_view line, const Options& options, std::string& out) {
  const std::size_t base = out.size();
  thread_local LineCache caches[2];
  thread_local std::string payload;
  LineCache& cache = caches[direction == Direction::z80_to_8080 ? 0 : 1];
  // With macro names the line's decision depends on more than its text.
  const bool remember = g_remember.load(std::memory_order_relaxed) && options.macros == nullptr && cache.wants(line);
  LineRecord record{};
  if (remember && cache.find(line, options, payload, record)) {
    out += payload;
    LineInfo info;
    info.outcome = {static_cast<Decision>(record.decision), record.rule};
    info.source_begin = record.source_begin;
    info.source_end = record.source_end;
    info.out_begin = base + record.out_begin;
    info.out_end = base + record.out_end;
    return info;
  }
  thread_local std::u16string text;
  text.clear();
  LineInfo info;
  if (is_utf8(line)) {
    append_utf16(text, line);
    info = translate_line(direction, text, options, out);
  } else {
    // Not UTF-8: an 8-bit text (a cp1251 or KOI8-R comment). Each byte is read
    // as the character of the same number and written back as that byte, so
    // the line comes back byte for byte but for what the rules rewrote.
    for (const char b : line) text += static_cast<char16_t>(static_cast<unsigned char>(b));
    thread_local std::u16string translated;
    translated.clear();
    const Policy& policy = direction == Direction::z80_to_8080 ? z80_to_8080(false) : i8080_to_z80(false);
    info = translate(policy, text, options, TextSink{translated});
    for (const char16_t c : translated) out += static_cast<char>(c <= 0xFF ? c : u'?');
    info.out_begin += base;
    info.out_end += base;
  }
  // Source positions in bytes: a line of ASCII counts the same either way.
  const auto bytes_before = [&](std::size_t units) {
    if (text.size() == line.size()) return units;
    std::string prefix;
    append_utf8(prefix, std::u16string_view(text).substr(0, units));
    return prefix.size();
  };
  info.source_begin = bytes_before(info.source_begin);
  info.source_end = bytes_before(info.source_end);
  if (remember && info.outcome.decision != Decision::statements) {
    record = {static_cast<std::uint8_t>(info.outcome.decision), static_cast<std::uint8_t>(info.outcome.rule),
              static_cast<std::uint32_t>(info.source_begin), static_cast<std::uint32_t>(info.source_end),
              static_cast<std::uint32_t>(info.out_begin - base), static_cast<std::uint32_t>(info.out_end - base)};
    cache.remember(line, options, std::string_view(out).substr(base), record);
  }
  if (text.capacity() > (1u << 20)) std::u16string().swap(text);  // a long line's room is given back
  return info;
}

std::u16string convert_z80_to_8080(std::u16string_view line) { return translate_z80_to_8080(line).text; }
std::u16string convert_8080_to_z80(std::u16string_view line) { return translate_8080_to_z80(line).text; }

std::vector<std::u16string> convert_z80_to_8080(std::span<const std::u16string> lines) {
  return convert_all(z80_to_8080(false), lines);
}
std::vector<std::u16string> convert_8080_to_z80(std::span<const std::u16string> lines) {
  return convert_all(i8080_to_z80(false), lines);
}

}  // namespace engine
