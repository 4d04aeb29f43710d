#include "engine/source_line.hpp"

#include "engine/text.hpp"

namespace engine {
namespace {

bool is_ascii_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool opens_quote(std::u16string_view text, std::size_t i) {
  const char16_t c = text[i];
  if (c == u'"') return true;
  if (c != u'\'') return false;
  return !(i >= 2 && lower_char(text[i - 2]) == u'a' && lower_char(text[i - 1]) == u'f');
}

// Index just past the quoted text that starts at i, or kNone if it is not closed.
std::size_t quote_end(std::u16string_view text, std::size_t i) {
  const std::size_t close = text.find(text[i], i + 1);
  return close == kNone ? kNone : close + 1;
}

bool is_name_start(char16_t c) {
  return is_ascii_letter(c) || c == u'_' || c == u'.' || c == u'?' || c == u'@' || c == u'$';
}

}  // namespace

// The first of the two characters `a` and `b` or a quote at or after i.
std::size_t find_or_quote(std::u16string_view text, std::size_t i, char16_t a, char16_t b) {
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == a || c == b || c == u'\'' || c == u'"') return i;
  }
  return kNone;
}

std::size_t comment_start(std::u16string_view line) {
  std::size_t i = find_or_quote(line, 0, u';', u';');
  while (i != kNone) {
    if (line[i] == u';') return i;
    if (opens_quote(line, i)) {
      const std::size_t end = quote_end(line, i);
      if (end == kNone) return line.find(u';', i);
      i = find_or_quote(line, end, u';', u';');
    } else {
      i = find_or_quote(line, i + 1, u';', u';');
    }
  }
  return kNone;
}

std::size_t next_statement_break(std::u16string_view code, std::size_t from) {
  std::size_t i = find_or_quote(code, from, u'!', u'!');
  while (i != kNone) {
    if (code[i] == u'!') return i;
    const std::size_t end = opens_quote(code, i) ? quote_end(code, i) : kNone;
    i = find_or_quote(code, end == kNone ? i + 1 : end, u'!', u'!');
  }
  return kNone;
}

bool only_blanks(std::u16string_view text) {
  for (char16_t c : text) {
    if (!is_blank(c)) return false;
  }
  return true;
}

LabelSplit split_column1_label(std::u16string_view code) {
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

std::size_t indented_label_length(std::u16string_view code) {
  std::size_t i = 0;
  while (i < code.size() && is_blank(code[i])) ++i;
  if (i == 0 || i == code.size() || !is_name_start(code[i])) return 0;
  ++i;
  while (i < code.size() && (is_name_start(code[i]) || is_digit(code[i]))) ++i;
  if (i == code.size() || code[i] != u':') return 0;
  ++i;
  if (i < code.size() && code[i] == u':') ++i;
  return i;
}

bool is_labelled_directive(std::u16string_view code) {
  const auto first = code.find_first_not_of(u"\t ");
  if (first != kNone && code[first] == u'=') return true;
  const auto word_char = [](char16_t c) { return is_ascii_letter(c) || is_digit(c) || c == u'_'; };
  for (Pos p = find_text(code, u"equ", 1, kAnyCase); p > 0; p = find_text(code, u"equ", p + 1, kAnyCase)) {
    const auto at = static_cast<std::size_t>(p) - 1;
    const bool word_before = at > 0 && word_char(code[at - 1]);
    const bool word_after = at + 3 < code.size() && word_char(code[at + 3]);
    if (!word_before && !word_after) return true;
  }
  return false;
}

}  // namespace engine
