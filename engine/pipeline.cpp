#include "engine/pipeline.hpp"

#include "engine/chain.hpp"
#include "engine/regex.hpp"
#include "engine/rules.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

struct Direction {
  const CompiledChain& chain;
  std::u16string_view marking;
  bool from_z80;  // the source is Z80 text: index registers are refused before the chain
};

const Direction& z80_to_8080() {
  static const CompiledChain chain = compile_chain(rules_z80_to_8080());
  static const Direction direction{chain, kZ80To8080Marking, true};
  return direction;
}

const Direction& i8080_to_z80() {
  static const CompiledChain chain = compile_chain(rules_8080_to_z80());
  static const Direction direction{chain, k8080ToZ80Marking, false};
  return direction;
}

bool only_blanks(std::u16string_view text) {
  for (char16_t c : text) {
    if (!is_blank(c)) return false;
  }
  return true;
}

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool is_word_char(char16_t c) {
  return is_ascii_letter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

// A labelled line is a directive when "equ" stands in its code field as a word,
// or when its first character that is not a blank is "=". Names that merely
// contain the letters ("sequence") do not count, nor a quoted '='.
bool is_directive(std::u16string_view code) {
  const auto first = code.find_first_not_of(u"\t ");
  if (first != std::u16string_view::npos && code[first] == u'=') return true;
  for (Pos p = find_text(code, u"equ", 1, kAnyCase); p > 0;
       p = find_text(code, u"equ", p + 1, kAnyCase)) {
    const std::size_t at = static_cast<std::size_t>(p) - 1;
    const bool word_before = at > 0 && is_word_char(code[at - 1]);
    const bool word_after = at + 3 < code.size() && is_word_char(code[at + 3]);
    if (!word_before && !word_after) return true;
  }
  return false;
}

struct Fields {
  std::u16string label;
  std::u16string code;
};

// Splits a line that starts with a letter into its label and its code field.
// The scan looks at the characters from the second to the one before the last:
// a tab or space ends the label and also starts the code field; a colon glued to
// the next word ("OPENFCB:XOR") ends the label after the colon (a "::" counts as
// one), and the code field is then one space and the rest. When the scan reaches
// the end, the whole text is the label.
Fields split_label(std::u16string_view code) {
  for (std::size_t k = 1; k + 1 < code.size(); ++k) {
    const char16_t c = code[k];
    if (is_blank(c)) {
      return {std::u16string(code.substr(0, k + 1)), std::u16string(code.substr(k))};
    }
    const char16_t next = code[k + 1];
    if (c == u':' && !is_blank(next) && next != u':') {
      return {std::u16string(code.substr(0, k + 1)), u" " + std::u16string(code.substr(k + 1))};
    }
  }
  return {std::u16string(code), {}};
}

// Z80 -> 8080: the blanks right after a comma go, so that "ld a, b" reads as the
// register load it is. Quoted text ('...' or "...", up to the same quote or the
// end) keeps its blanks, and a data line (db, dw, ds) is left as typed.
std::u16string squeeze_blanks_after_commas(std::u16string text) {
  if (is_data_line_z80(text)) return text;
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
  text.resize(out);
  return text;
}

bool is_index_register_form(std::u16string_view code) {
  static const Regex* const index_register = regex_compile(u"i[x|y]?[-|,|+]");
  std::string subject;
  append_lower_utf8(subject, code);
  return regex_find(*index_register, subject) != kNoMatch;
}

Translation translate(const Direction& direction, std::u16string_view line) {
  std::u16string_view code = line;
  std::u16string_view comment;
  if (const auto semicolon = line.find(u';'); semicolon != std::u16string_view::npos) {
    comment = line.substr(semicolon);
    code = line.substr(0, semicolon);
  }
  if (only_blanks(code)) return {std::u16string(line), {Decision::blank}};

  Fields fields{{}, std::u16string(code)};
  if (is_ascii_letter(code.front())) {
    fields = split_label(code);
    const auto unchanged = [&](Decision decision) {
      return Translation{fields.label + fields.code + std::u16string(comment), {decision}};
    };
    if (only_blanks(fields.code)) return unchanged(Decision::label_only);
    if (is_directive(fields.code)) return unchanged(Decision::directive);
  }

  Code field{std::move(fields.code)};
  if (direction.from_z80) field.text = squeeze_blanks_after_commas(std::move(field.text));
  Outcome outcome{Decision::no_rule};
  if (direction.from_z80 && is_index_register_form(field.text)) {
    outcome = {Decision::index_register};
  } else {
    const ChainOutcome chain = run_chain(direction.chain, field);
    switch (chain.verdict) {
      case Verdict::rewrite: outcome = {Decision::rewrite, chain.rule}; break;
      case Verdict::pass_through: outcome = {Decision::pass_through, chain.rule}; break;
      case Verdict::mark: outcome = {Decision::marked, chain.rule}; break;
      case Verdict::next: outcome = {Decision::no_rule}; break;
    }
  }
  std::u16string text = std::move(fields.label);
  if (is_not_convertible(outcome)) text += direction.marking;
  text += field.text;
  text += comment;
  return {std::move(text), outcome};
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
  return outcome.decision == Decision::index_register || outcome.decision == Decision::marked ||
         outcome.decision == Decision::no_rule;
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
  }
  return "?";
}

Translation translate_z80_to_8080(std::u16string_view line) { return translate(z80_to_8080(), line); }
Translation translate_8080_to_z80(std::u16string_view line) { return translate(i8080_to_z80(), line); }

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
