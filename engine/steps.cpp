#include "engine/steps.hpp"

#include "engine/dialect.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

// Index (from 0) of the first character of `text` at or after i that is not a blank.
std::size_t skip_blanks(std::u16string_view text, std::size_t i) {
  while (i < text.size() && is_blank(text[i])) ++i;
  return i;
}

}  // namespace

Action pass_through() {
  return [](Code&) { return Verdict::pass_through; };
}

Action mark() {
  return [](Code&) { return Verdict::mark; };
}

// replace_text's one pass, made in the code field itself: occurrences of old
// from position `from` on, at most `count` of them (-1: all).
void replace_in_place(std::u16string& text, std::u16string_view old_text, std::u16string_view new_text,
                      std::size_t from, int count) {
  for (std::size_t p = find_text(text, old_text, from, kAnyCase); p != kNone && count != 0;
       p = find_text(text, old_text, p + new_text.size(), kAnyCase)) {
    text.replace(p, old_text.size(), new_text);
    if (count > 0) --count;
  }
}

Step replace_first(std::u16string old_text, std::u16string new_text) {
  return [o = std::move(old_text), n = std::move(new_text)](Code& code) { replace_in_place(code.text, o, n, 0, 1); };
}

Step replace_every(std::u16string old_text, std::u16string new_text) {
  return [o = std::move(old_text), n = std::move(new_text)](Code& code) { replace_in_place(code.text, o, n, 0, -1); };
}

Step rename(std::u16string from, std::u16string to) {
  return [=](Code& code) { replace_in_place(code.text, from, to, code.mnemonic, 1); };
}

bool matches(const Regex* pattern, Code& code) {
  if (pattern == nullptr) return false;
  std::string& subject = code.scratch.subject;
  subject.clear();
  append_lower_utf8(subject, code.text);
  return regex_find(*pattern, subject, code.scratch.match) != kNone;
}

Operands operands(const Code& code) {
  const std::u16string_view t = code.text;
  Operands ops;
  std::size_t i = code.mnemonic;
  while (i < t.size() && !is_separator(t[i])) ++i;  // the mnemonic
  while (i < t.size() && is_separator(t[i])) ++i;
  if (i == t.size()) {
    ops.after = t.size();
    return ops;
  }
  std::size_t start = i;
  int depth = 0;
  const auto close = [&](std::size_t end) {
    std::size_t last = end;
    while (last > start && is_blank(t[last - 1])) --last;
    if (ops.count < Operands::kMost) ops.at[ops.count] = {start, last};
    ++ops.count;
    ops.after = last;
  };
  for (; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (is_quote(c) && opens_quote(t, i)) {
      const std::size_t end = quote_end(t, i);
      if (end == kNone) break;  // an unclosed quote runs to the end
      i = end - 1;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      if (depth > 0) --depth;
    } else if (c == u',' && depth == 0) {
      close(i);
      start = skip_blanks(t, i + 1);
      i = start - 1;
    }
  }
  close(t.size());
  return ops;
}

std::u16string_view text_of(const Code& code, Span span) {
  if (span.end <= span.start || span.start > code.text.size()) return {};
  return std::u16string_view(code.text).substr(span.start, span.size());
}

bool operand_is(const Code& code, const Operands& ops, int i, std::u16string_view word) {
  return i < ops.count && i < Operands::kMost && is_word(text_of(code, ops.at[i]), word);
}

Span enclosed(const Code& code, Span operand) {
  const std::u16string_view t = text_of(code, operand);
  if (t.size() < 2 || t.front() != u'(' || t.back() != u')') return {};
  int depth = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (is_quote(t[i]) && opens_quote(t, i)) {
      const std::size_t end = quote_end(t, i);
      if (end == kNone) return {};
      i = end - 1;
    } else if (t[i] == u'(') {
      ++depth;
    } else if (t[i] == u')' && --depth == 0 && i + 1 != t.size()) {
      return {};  // the first pair closes before the operand ends
    }
  }
  std::size_t first = 1, last = t.size() - 1;
  while (first < last && is_blank(t[first])) ++first;
  while (last > first && is_blank(t[last - 1])) --last;
  return {operand.start + first, operand.start + last};
}

void replace_span(Code& code, Span span, std::u16string_view text) {
  code.text.replace(span.start, span.size(), text);
}

bool inside_quotes(const Code& code, std::size_t target) {
  const std::u16string_view t = code.text;
  for (std::size_t i = 0; i < t.size() && i < target; ++i) {
    if (is_quote(t[i]) && opens_quote(t, i)) {
      const std::size_t end = quote_end(t, i);
      if (end == kNone) return false;  // an unclosed quote quotes nothing
      if (target < end) return true;
      i = end - 1;
    }
  }
  return false;
}

std::u16string lead_in(const std::u16string& code, std::u16string_view mnemonic) {
  const std::size_t at = find_text(code, mnemonic, 0, kAnyCase);
  return at == kNone ? std::u16string() : code.substr(0, at);
}

}  // namespace engine
