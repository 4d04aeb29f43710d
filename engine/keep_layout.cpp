#include "engine/keep_layout.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace engine {
namespace {

constexpr std::size_t kTabWidth = 8;

// A statement's pieces: blanks, mnemonic, separator, operands, blanks.
struct Parts {
  std::u16string_view lead, mnemonic, separator, operands, trail;
};

Parts split(std::u16string_view s) {
  Parts p;
  std::size_t i = 0;
  while (i < s.size() && is_separator(s[i])) ++i;
  p.lead = s.substr(0, i);
  const std::size_t m = i;
  while (i < s.size() && !is_separator(s[i])) ++i;
  p.mnemonic = s.substr(m, i - m);
  const std::size_t sep = i;
  while (i < s.size() && is_separator(s[i])) ++i;
  std::size_t end = s.size();
  while (end > i && is_blank(s[end - 1])) --end;
  if (end == i) {  // no operands: what follows the mnemonic is trailing
    p.trail = s.substr(sep);
    return p;
  }
  p.separator = s.substr(sep, i - sep);
  p.operands = s.substr(i, end - i);
  p.trail = s.substr(end);
  return p;
}

bool only_spaces_and_tabs(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return is_blank(c); });
}

bool is_lower(char16_t c) { return c >= u'a' && c <= u'z'; }

char16_t fold(char16_t c, bool upper) {
  if (upper && is_lower(c)) return static_cast<char16_t>(c - 32);
  if (!upper && c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  return c;
}

void append_folded(std::u16string& out, std::u16string_view word, bool upper) {
  for (const char16_t c : word) out += fold(c, upper);
}

// Calls f(index, quoted) for each code unit; quoted text is '...' or "...".
template <typename F>
void each_unit(std::u16string_view s, F f) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((s[i] == u'\'' || s[i] == u'"') && opens_quote(s, i)) {
      const std::size_t end = quote_end(s, i);
      const std::size_t stop = end == kNone ? s.size() : end;
      for (; i < stop; ++i) f(i, true);
      --i;
      continue;
    }
    f(i, false);
  }
}

bool has_lower_outside_quotes(std::u16string_view s) {
  bool found = false;
  each_unit(s, [&](std::size_t i, bool quoted) { found = found || (!quoted && is_lower(s[i])); });
  return found;
}

bool has_statement_break(std::u16string_view s) {
  bool found = false;
  each_unit(s, [&](std::size_t i, bool quoted) {
    found = found || (!quoted && (s[i] == u'!' || s[i] == u':') && separates_statements(s, i));
  });
  return found;
}

// True if a blank follows a comma outside quotes.
bool blank_after_comma(std::u16string_view s) {
  bool found = false;
  each_unit(s, [&](std::size_t i, bool quoted) {
    found = found || (!quoted && s[i] == u',' && i + 1 < s.size() && is_blank(s[i + 1]));
  });
  return found;
}

// s without the blanks that follow a comma outside quotes.
std::u16string without_blanks_after_commas(std::u16string_view s) {
  std::u16string out;
  bool after_comma = false;
  each_unit(s, [&](std::size_t i, bool quoted) {
    if (after_comma && !quoted && is_blank(s[i])) return;
    after_comma = !quoted && s[i] == u',';
    out += s[i];
  });
  return out;
}

// True if `word` stands in s as a whole word, in any case.
bool holds_word(std::u16string_view s, std::u16string_view word) {
  for (std::size_t i = 0; i < s.size();) {
    if (!is_name_char(s[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < s.size() && (is_name_char(s[end]) || s[end] == u'\'')) ++end;
    if (end - i == word.size() &&
        std::equal(word.begin(), word.end(), s.begin() + i, [](char16_t a, char16_t b) { return fold(a, false) == fold(b, false); })) {
      return true;
    }
    i = end;
  }
  return false;
}

std::u16string lower_ascii(std::u16string_view s) {
  std::u16string out;
  append_folded(out, s, false);
  return out;
}

// A Z80 jump, call or return with `count` operands whose first may be a condition.
bool takes_condition(std::u16string_view mnemonic, std::size_t count) {
  if (count == 1) return is_word(mnemonic, u"ret");
  return is_word(mnemonic, u"jp") || is_word(mnemonic, u"call") || is_word(mnemonic, u"jr");
}

// The operands with each register word (and a Z80 jump's condition) folded.
void append_operands(std::u16string& out, std::u16string_view operands, std::u16string_view typed_operands,
                     std::u16string_view mnemonic, Notation target, bool upper) {
  const Notation source = target == Notation::z80 ? Notation::i8080 : Notation::z80;
  // A word the rule wrote is a register; one the user typed is one only if it
  // is a register in the source notation too.
  const auto is_register_here = [&](std::u16string_view word) {
    const std::u16string lower = lower_ascii(word);
    return is_register(target, lower) && (is_register(source, lower) || !holds_word(typed_operands, lower));
  };
  const auto is_condition_here = [&](std::u16string_view word) {
    const std::u16string lower = lower_ascii(word);
    return is_condition(lower) && !holds_word(typed_operands, lower);
  };
  // Operands split at commas outside quotes and parentheses.
  std::size_t depth = 0, start = 0, index = 0;
  std::vector<std::pair<std::size_t, std::size_t>> pieces;
  each_unit(operands, [&](std::size_t i, bool quoted) {
    if (quoted) return;
    if (operands[i] == u'(') ++depth;
    if (operands[i] == u')' && depth > 0) --depth;
    if (operands[i] == u',' && depth == 0) {
      pieces.emplace_back(start, i);
      start = i + 1;
    }
  });
  pieces.emplace_back(start, operands.size());
  std::size_t written = 0;
  for (const auto& [from, to] : pieces) {
    std::size_t b = from, e = to;
    while (b < e && is_blank(operands[b])) ++b;
    while (e > b && is_blank(operands[e - 1])) --e;
    std::u16string_view word = operands.substr(b, e - b);
    if (word.size() > 2 && word.front() == u'(' && word.back() == u')') {
      word = word.substr(1, word.size() - 2);
      ++b;
    }
    const bool condition = index == 0 && target == Notation::z80 && takes_condition(mnemonic, pieces.size()) &&
                           is_condition_here(word);
    if (condition || is_register_here(word)) {
      out += operands.substr(written, b - written);
      append_folded(out, word, upper);
      written = b + word.size();
    }
    ++index;
  }
  out += operands.substr(written);
}

// The blanks that bring the operand from column `at` to column `want`.
std::u16string separator_to(std::size_t at, std::size_t want, std::u16string_view typed) {
  if (at >= want) return std::u16string(1, typed.front());
  std::u16string sep;
  if (typed.find(u'\t') != std::u16string_view::npos) {
    while ((at / kTabWidth + 1) * kTabWidth <= want) {
      sep += u'\t';
      at = (at / kTabWidth + 1) * kTabWidth;
    }
  }
  sep.append(want - at, u' ');
  return sep;
}

}  // namespace

std::size_t column_after(std::size_t from, std::u16string_view text) {
  for (const char16_t c : text) from = c == u'\t' ? (from / kTabWidth + 1) * kTabWidth : from + 1;
  return from;
}

bool keep_layout(std::u16string_view typed, std::size_t column, std::u16string_view rewritten, Notation target,
                 std::u16string& out) {
  const Parts was = split(typed);
  const Parts now = split(rewritten);
  // Only blanks are replaced: a comma among them stays where the rule left it.
  if (was.mnemonic.empty() || now.mnemonic.empty() || !only_spaces_and_tabs(was.lead) ||
      !only_spaces_and_tabs(was.trail) || !only_spaces_and_tabs(now.lead) || !only_spaces_and_tabs(now.trail) ||
      is_word(was.mnemonic, kDefineDirective) || has_statement_break(rewritten)) {
    return false;
  }
  const bool upper = !has_lower_outside_quotes(typed);
  const bool vocabulary = is_vocabulary_word(lower_ascii(now.mnemonic));
  out.clear();
  out += was.lead;
  if (vocabulary) {
    append_folded(out, now.mnemonic, upper);
  } else {
    out += now.mnemonic;
  }
  if (!now.operands.empty()) {
    if (was.operands.empty() && was.lead.find(u'\t') != std::u16string_view::npos &&
        only_spaces_and_tabs(now.separator)) {
      out += u'\t';  // a source indented with tabs separates with them
    } else if (was.operands.empty() || !only_spaces_and_tabs(was.separator) || !only_spaces_and_tabs(now.separator)) {
      out += now.separator;
    } else {
      const std::size_t mnemonic_at = column_after(column, was.lead);
      const std::size_t want = column_after(mnemonic_at + was.mnemonic.size(), was.separator);
      out += separator_to(mnemonic_at + now.mnemonic.size(), want, was.separator);
    }
    // A rule that moves the typed separator behind a comma it adds ("jnz x"
    // -> "jp nz,\tx") leaves blanks the source did not have there.
    if (is_data_word(now.mnemonic)) {
      out += now.operands;  // data: every word a name or number, kept as typed
    } else if (blank_after_comma(was.operands)) {
      append_operands(out, now.operands, was.operands, now.mnemonic, target, upper);
    } else {
      append_operands(out, without_blanks_after_commas(now.operands), was.operands, now.mnemonic, target, upper);
    }
  }
  out += was.trail;
  return true;
}

}  // namespace engine
