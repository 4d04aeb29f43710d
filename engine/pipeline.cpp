#include "engine/pipeline.hpp"

#include <functional>

#include "engine/chain.hpp"
#include "engine/regex.hpp"
#include "engine/rules.hpp"
#include "engine/source_line.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

using ChainRunner = ChainOutcome (*)(const CompiledChain&, Code&, Subject&);

ChainOutcome run_plain_chain(const CompiledChain& chain, Code& code, Subject&) {
  return run_chain_reference(chain, code);
}

struct Direction {
  const CompiledChain& chain;
  std::u16string_view marking;
  bool from_z80;  // Z80 source: blanks squeezed, index registers refused, comments left alone
  ChainRunner run = static_cast<ChainRunner>(run_chain);
  bool remember = true;  // keep statement results for statements seen again
};

const CompiledChain& z80_chain() {
  static const CompiledChain chain = compile_chain(rules_z80_to_8080());
  return chain;
}

const CompiledChain& i8080_chain() {
  static const CompiledChain chain = compile_chain(rules_8080_to_z80());
  return chain;
}

const Direction& z80_to_8080() {
  static const Direction direction{z80_chain(), kZ80To8080Marking, true};
  return direction;
}

const Direction& i8080_to_z80() {
  static const Direction direction{i8080_chain(), k8080ToZ80Marking, false};
  return direction;
}

// Z80 -> 8080: the blanks right after a comma go, so that "ld a, b" reads as the
// register load it is. Quoted text ('...' or "...", up to the same quote or the
// end) keeps its blanks. Returns whether anything went.
bool squeeze_blanks_after_commas(std::u16string& text) {
  std::size_t out = 0;
  char16_t quote = 0;
  bool after_comma = false;
  for (const char16_t c : text) {
    if (after_comma && is_blank(c)) continue;
    after_comma = false;
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if (c == u',') {
      after_comma = true;
    }
    text[out++] = c;
  }
  const bool squeezed = out != text.size();
  text.resize(out);
  return squeezed;
}

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool is_name_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'.' || c == u'$' || c == u'?' || c == u'@';
}

// An index register with a displacement or as the first operand ("ix+", "iy-",
// "ix,", and "i," too), or "ix" / "iy" standing as a word of its own. `lowered`
// is the lower-cased UTF-8 form of `code`.
bool is_index_register_form(std::u16string_view code, std::string_view lowered) {
  static const Regex* const index_register = regex_compile(u"i[x|y]?[-|,|+]");
  if (regex_find(*index_register, lowered) != kNoMatch) return true;
  for (std::size_t i = 0; i + 1 < code.size(); ++i) {
    if (lower_char(code[i]) != u'i') continue;
    const char16_t x = lower_char(code[i + 1]);
    if ((x == u'x' || x == u'y') && (i == 0 || !is_name_char(code[i - 1])) &&
        (i + 2 == code.size() || !is_name_char(code[i + 2]))) {
      return true;
    }
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

struct Statement {
  std::u16string text;  // as the steps left it; without the marking
  Outcome outcome;
};

// One statement (or the whole code field) through the direction's steps from the
// index-register test on. The blanks squeezed out for the rules' sake come back
// when a rule lets the statement through: what passes goes out as it was typed.
Statement translate_statement_anew(const Direction& direction, std::u16string text) {
  thread_local Subject subject;
  Code field{text};
  build_subject(subject, field.text);
  if (direction.from_z80) {
    if (!is_data_line_z80(subject.bytes) && squeeze_blanks_after_commas(field.text)) {
      build_subject(subject, field.text);
    }
    if (is_index_register_form(field.text, subject.bytes)) {
      return {std::move(field.text), {Decision::index_register}};
    }
  }
  const ChainOutcome chain = direction.run(direction.chain, field, subject);
  if (chain.verdict == Verdict::pass_through) return {std::move(text), outcome_of(chain)};
  return {std::move(field.text), outcome_of(chain)};
}

// A statement's translation depends on its text alone, and sources repeat
// their statements ("\tinc\thl", "\tret") many times: each thread keeps the
// results of recent statements in a fixed table, one slot per hash value, per
// direction. A statement seen again in its slot is not translated again; any
// other simply takes the slot. The result stays valid until the next call on
// the same thread.
const Statement& translate_statement(const Direction& direction, std::u16string_view text) {
  constexpr std::size_t kLongest = 200;  // longer statements are not kept
  constexpr std::size_t kSlots = 1 << 14;
  struct Slot {
    bool used = false;
    std::u16string text;
    Statement result;
  };
  thread_local Statement fresh;
  if (!direction.remember || text.size() > kLongest) {
    fresh = translate_statement_anew(direction, std::u16string(text));
    return fresh;
  }
  thread_local std::vector<Slot> slots[2] = {std::vector<Slot>(kSlots), std::vector<Slot>(kSlots)};
  Slot& slot = slots[direction.from_z80 ? 0 : 1][std::hash<std::u16string_view>{}(text) & (kSlots - 1)];
  if (slot.used && slot.text == text) return slot.result;
  slot.result = translate_statement_anew(direction, std::u16string(text));
  slot.text.assign(text);
  slot.used = true;
  return slot.result;
}

// A statement after a "!" begins with a blank, as the chain's patterns expect.
std::u16string as_statement(std::u16string_view text) {
  if (!text.empty() && is_blank(text.front())) return std::u16string(text);
  return u" " + std::u16string(text);
}

// A piece of the line after its labels: a statement and the comment after it.
// The pieces, joined with "!", give that part of the line back.
struct Piece {
  std::u16string_view code, comment;
};

// The statements of the code field, the last with the comment. In the 8080 ->
// Z80 direction a "!" in the comment ends it when the text after it (up to the
// next "!") is a statement a rule of the chain decides; what follows that "!" is
// then read like the rest of a line.
std::vector<Piece> split_pieces(const Direction& direction, std::u16string_view code,
                                std::u16string_view comment) {
  std::vector<Piece> pieces;
  for (;;) {
    std::size_t start = 0;
    for (std::size_t b = next_statement_break(code, 0); b != kNone; b = next_statement_break(code, b + 1)) {
      pieces.push_back({code.substr(start, b - start), {}});
      start = b + 1;
    }
    pieces.push_back({code.substr(start), comment});
    if (direction.from_z80) return pieces;

    // Each "!" of the comment is looked at once; the scan stops at the first
    // one that starts a statement.
    std::size_t found = kNone;
    for (std::size_t b = next_statement_break(comment, 0); b != kNone && found == kNone;) {
      const std::size_t next = next_statement_break(comment, b + 1);
      std::u16string_view candidate = comment.substr(b + 1, (next == kNone ? comment.size() : next) - b - 1);
      candidate = candidate.substr(0, comment_start(candidate));
      if (!only_blanks(candidate)) {
        const Decision d = translate_statement(direction, as_statement(candidate)).outcome.decision;
        if (d == Decision::rewrite || d == Decision::pass_through || d == Decision::marked) found = b;
      }
      b = next;
    }
    if (found == kNone) return pieces;
    const std::u16string_view rest = comment.substr(found + 1);
    pieces.back().comment = comment.substr(0, found);
    const std::size_t semicolon = comment_start(rest);
    code = rest.substr(0, semicolon);
    comment = semicolon == kNone ? std::u16string_view() : rest.substr(semicolon);
  }
}

Translation translate(const Direction& direction, std::u16string_view line) {
  const std::size_t semicolon = comment_start(line);
  std::u16string_view code = line.substr(0, semicolon);
  const std::u16string_view comment = semicolon == kNone ? std::u16string_view() : line.substr(semicolon);
  if (only_blanks(code)) return {std::u16string(line), {Decision::blank}};

  std::u16string label;
  std::u16string owned;  // the code field, when a label had to be cut from it
  std::u16string_view code_field = code;
  const auto unchanged = [&](Decision decision) {
    return Translation{label + std::u16string(code_field) + std::u16string(comment), {decision}};
  };
  if (is_ascii_letter(code.front())) {
    LabelSplit split = split_column1_label(code);
    label = std::move(split.label);
    owned = std::move(split.code);
    code_field = owned;
    if (only_blanks(code_field)) return unchanged(Decision::label_only);
    if (is_labelled_directive(code_field)) return unchanged(Decision::directive);
  }
  if (const std::size_t n = indented_label_length(code_field); n > 0) {
    label += code_field.substr(0, n);
    std::u16string rest(code_field.substr(n));
    owned = std::move(rest);
    code_field = owned;
    if (only_blanks(code_field)) return unchanged(Decision::label_only);
    if (!is_blank(code_field.front())) {
      owned.insert(0, u" ");
      code_field = owned;
    }
  }

  // The common line: one statement, and no "!" in its comment that could start another.
  const bool one_statement = next_statement_break(code_field, 0) == kNone &&
                             (direction.from_z80 || next_statement_break(comment, 0) == kNone);
  const std::vector<Piece> pieces =
      one_statement ? std::vector<Piece>{} : split_pieces(direction, code_field, comment);
  if (pieces.size() <= 1) {
    const Statement& s = translate_statement(direction, code_field);
    std::u16string text;
    text.reserve(label.size() + direction.marking.size() + s.text.size() + comment.size());
    text += label;
    if (is_not_convertible(s.outcome)) text += direction.marking;
    text += s.text;
    text += comment;
    return {std::move(text), s.outcome};
  }

  // Several statements: each on its own, blank ones untouched.
  Outcome outcome{Decision::statements};
  std::u16string translated, typed;  // the pieces joined with "!", before the last comment
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) {
      translated += u'!';
      typed += u'!';
    }
    typed += pieces[i].code;
    if (only_blanks(pieces[i].code)) {
      translated += pieces[i].code;
      outcome.statements.push_back({Decision::blank});
    } else {
      const Statement& s = translate_statement(direction, as_statement(pieces[i].code));
      translated += s.text;
      outcome.statements.push_back(s.outcome);
    }
    if (i + 1 < pieces.size()) {
      translated += pieces[i].comment;
      typed += pieces[i].comment;
    }
  }
  const std::u16string last_comment(pieces.back().comment);
  // If one of them has no equivalent, the whole code field is marked as it was typed.
  const bool marked = is_not_convertible(outcome);
  return {label + (marked ? std::u16string(direction.marking) + typed : translated) + last_comment,
          std::move(outcome)};
}

std::vector<std::u16string> convert_all(const Direction& direction,
                                        std::span<const std::u16string> lines) {
  std::vector<std::u16string> out;
  out.reserve(lines.size());
  for (const auto& line : lines) out.push_back(translate(direction, line).text);
  return out;
}

}  // namespace

bool is_not_convertible(const Outcome& outcome) {
  switch (outcome.decision) {
    case Decision::index_register:
    case Decision::marked:
    case Decision::no_rule:
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

std::string describe(const Outcome& outcome) {
  const std::string rule = "rule " + std::to_string(outcome.rule);
  switch (outcome.decision) {
    case Decision::blank: return "blank";
    case Decision::label_only: return "label only";
    case Decision::directive: return "directive";
    case Decision::index_register: return "index register";
    case Decision::rewrite: return rule + " rewrite";
    case Decision::pass_through: return rule + " pass-through";
    case Decision::marked: return rule + " marking";
    case Decision::no_rule: return "no rule";
    case Decision::statements: {
      std::string text = "statements:";
      for (std::size_t i = 0; i < outcome.statements.size(); ++i) {
        text += (i == 0 ? " " : " ! ") + describe(outcome.statements[i]);
      }
      return text;
    }
  }
  return "?";
}

Translation translate_z80_to_8080(std::u16string_view line) { return translate(z80_to_8080(), line); }
Translation translate_8080_to_z80(std::u16string_view line) { return translate(i8080_to_z80(), line); }

Translation translate_z80_to_8080_reference(std::u16string_view line) {
  static const Direction direction{z80_chain(), kZ80To8080Marking, true, run_plain_chain, false};
  return translate(direction, line);
}
Translation translate_8080_to_z80_reference(std::u16string_view line) {
  static const Direction direction{i8080_chain(), k8080ToZ80Marking, false, run_plain_chain, false};
  return translate(direction, line);
}

std::u16string convert_z80_to_8080(std::u16string_view line) {
  return translate_z80_to_8080(line).text;
}
std::u16string convert_8080_to_z80(std::u16string_view line) {
  return translate_8080_to_z80(line).text;
}

std::vector<std::u16string> convert_z80_to_8080(std::span<const std::u16string> lines) {
  return convert_all(z80_to_8080(), lines);
}
std::vector<std::u16string> convert_8080_to_z80(std::span<const std::u16string> lines) {
  return convert_all(i8080_to_z80(), lines);
}

}  // namespace engine
