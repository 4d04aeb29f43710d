#include "engine/pipeline.hpp"

#include "engine/keep_layout.hpp"
#include "engine/macro_names.hpp"
#include "engine/source_line.hpp"
#include "engine/statement.hpp"
#include "engine/statement_cache.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

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

}  // namespace

// Where a rewritten statement of the line being built stands in
// TranslatorState::rewritten, or that it goes out as typed.
struct Shown {
  bool rewritten;
  std::size_t from, to;
};

struct TranslatorState {
  StatementTranslator statements;
  SourceLine parsed;
  StatementResult statement;
  std::u16string rewritten;  // the rewritten statements of the line, one after another
  std::vector<Shown> shown;
  std::u16string laid;       // a statement laid out as typed (keep_layout)
  std::unique_ptr<LineCache> lines[2];  // by direction, made on first use
  std::string payload;
  std::u16string text;       // the line being translated, as UTF-16
  std::u16string translated;
};

namespace {

// True when the steps rewrite or let through `text` read as one statement.
bool steps_take(TranslatorState& state, const Policy& policy, const Options& options,
                     std::u16string_view text) {
  if (text.empty()) return false;
  state.statements.translate(policy, options, text, !is_separator(text.front()), state.statement);
  return state.statement.decision == Decision::rewrite || state.statement.decision == Decision::pass_through;
}

// The line's output, appended to the sink: labels, statements and comment.
template <typename Sink>
LineInfo translate(TranslatorState& state, const Policy& policy, std::u16string_view line, const Options& options,
                   Sink sink) {
  SourceLine& parsed = state.parsed;
  StatementResult& statement = state.statement;
  // In a comment, text after a "!" is a statement when the steps rewrite it
  // or let it through; text they would mark stays comment.
  struct Context {
    TranslatorState& state;
    const Policy& policy;
    const Options& options;
  } context{state, policy, options};
  const auto is_statement = [](const void* c, std::u16string_view candidate) {
    const auto& x = *static_cast<const Context*>(c);
    return steps_take(x.state, x.policy, x.options, candidate);
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
  std::u16string& rewritten = state.rewritten;
  std::vector<Shown>& shown = state.shown;
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
      state.statements.translate(policy, options, s.typed, s.needs_blank, statement);
      outcome = {statement.decision, statement.rule};
      if (statement.decision == Decision::rewrite) {
        std::u16string_view text = statement.text;
        std::u16string& laid = state.laid;
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

Translation translate_text(TranslatorState& state, const Policy& policy, std::u16string_view line,
                           const Options& options) {
  Translation t;
  t.text.reserve(line.size() + policy.marking.size() + 16);
  static_cast<LineInfo&>(t) = translate(state, policy, line, options, TextSink{t.text});
  return t;
}

Translator& this_thread() {
  thread_local Translator translator;
  return translator;
}

std::vector<std::u16string> convert_all(Direction direction, std::span<const std::u16string> lines) {
  std::vector<std::u16string> out;
  out.reserve(lines.size());
  for (const auto& line : lines) out.push_back(this_thread().translate(direction, line).text);
  return out;
}

}  // namespace

bool is_not_convertible(const Outcome& outcome) {
  switch (outcome.decision) {
    case Decision::index_register:
    case Decision::register_name:
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
    case Decision::register_name: return "register name";
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

Translator::Translator() : state_(std::make_unique<TranslatorState>()) {}
Translator::~Translator() = default;

Translation Translator::translate(Direction direction, std::u16string_view line, const Options& options) {
  return translate_text(*state_, policy_of(direction), line, options);
}

Translation Translator::translate_reference(Direction direction, std::u16string_view line, const Options& options) {
  return translate_text(*state_, policy_of(direction, true), line, options);
}

bool Translator::takes_statement(Direction direction, std::u16string_view text, const Options& options) {
  return steps_take(*state_, policy_of(direction), options, text);
}

LineInfo Translator::translate_line(Direction direction, std::u16string_view line, const Options& options,
                                    std::string& out) {
  return engine::translate(*state_, policy_of(direction), line, options, Utf8Sink{out});
}

LineInfo Translator::translate_utf8_line(Direction direction, std::string_view line, const Options& options,
                                         std::string& out) {
  TranslatorState& state = *state_;
  const std::size_t base = out.size();
  std::unique_ptr<LineCache>& slot = state.lines[direction == Direction::z80_to_8080 ? 0 : 1];
  if (!slot) slot = std::make_unique<LineCache>();
  LineCache& cache = *slot;
  std::string& payload = state.payload;
  // With macro names the line's decision depends on more than its text.
  const bool remember = remembering() && options.macros == nullptr && cache.wants(line);
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
  std::u16string& text = state.text;
  text.clear();
  LineInfo info;
  if (append_ascii(text, line) || (text.clear(), is_utf8(line))) {
    if (text.size() != line.size()) append_utf16(text, line);
    info = translate_line(direction, text, options, out);
  } else {
    // Not UTF-8: an 8-bit text (a cp1251 or KOI8-R comment). Each byte is read
    // as the character of the same number and written back as that byte, so
    // the line comes back byte for byte but for what the rules rewrote.
    for (const char b : line) text += static_cast<char16_t>(static_cast<unsigned char>(b));
    std::u16string& translated = state.translated;
    translated.clear();
    info = engine::translate(state, policy_of(direction), text, options, TextSink{translated});
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

Translation translate_z80_to_8080(std::u16string_view line, const Options& options) {
  return this_thread().translate(Direction::z80_to_8080, line, options);
}
bool takes_statement(Direction direction, std::u16string_view text, const Options& options) {
  return this_thread().takes_statement(direction, text, options);
}
Translation translate_8080_to_z80(std::u16string_view line, const Options& options) {
  return this_thread().translate(Direction::i8080_to_z80, line, options);
}
Translation translate_z80_to_8080_reference(std::u16string_view line, const Options& options) {
  return this_thread().translate_reference(Direction::z80_to_8080, line, options);
}
Translation translate_8080_to_z80_reference(std::u16string_view line, const Options& options) {
  return this_thread().translate_reference(Direction::i8080_to_z80, line, options);
}
LineInfo translate_line(Direction direction, std::u16string_view line, const Options& options, std::string& out) {
  return this_thread().translate_line(direction, line, options, out);
}
LineInfo translate_utf8_line(Direction direction, std::string_view line, const Options& options, std::string& out) {
  return this_thread().translate_utf8_line(direction, line, options, out);
}

std::u16string convert_z80_to_8080(std::u16string_view line) { return translate_z80_to_8080(line).text; }
std::u16string convert_8080_to_z80(std::u16string_view line) { return translate_8080_to_z80(line).text; }

std::vector<std::u16string> convert_z80_to_8080(std::span<const std::u16string> lines) {
  return convert_all(Direction::z80_to_8080, lines);
}
std::vector<std::u16string> convert_8080_to_z80(std::span<const std::u16string> lines) {
  return convert_all(Direction::i8080_to_z80, lines);
}

}  // namespace engine
