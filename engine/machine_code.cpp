#include "engine/machine_code.hpp"

#include "engine/dialect.hpp"
#include "engine/source_line.hpp"
#include "engine/text.hpp"

namespace engine {
namespace {

void append_decimal(std::u16string& out, std::uint32_t value) {
  char16_t digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out += digits[--n];
}

// True when the next word of an expression stands where an operand goes: at
// the start, or after an operator or an opening parenthesis ("%" and "#" are
// number prefixes there, an operator elsewhere).
bool operand_expected(const std::u16string& out) {
  return out.empty() || std::u16string_view(u"+-*/(,<>=&|^~!%").find(out.back()) != std::u16string_view::npos;
}

bool is_hex_digit(char16_t c) { return is_digit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// Index of the parenthesis that closes the one at `open`, skipping quoted
// text, or kNone.
std::size_t closing_parenthesis(std::u16string_view text, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (is_quote(c) && opens_quote(text, i)) {
      const std::size_t end = quote_end(text, i);
      if (end == kNone) return kNone;
      i = end - 1;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')' && --depth == 0) {
      return i;
    }
  }
  return kNone;
}

// Index past the name, number or quoted text that starts at i, or i.
std::size_t term_end(std::u16string_view t, std::size_t i) {
  if (i < t.size() && t[i] == u'\'') {
    const std::size_t close = t.find(u'\'', i + 1);
    return close == kNone ? i : close + 1;
  }
  while (i < t.size() && is_name_char(t[i])) ++i;
  return i;
}

// Longer expressions are not simplified: each step scans the text, and no
// expression a person writes is that long.
constexpr std::size_t kLongestSimplified = 512;

// Drops parentheses around a single term, redundant outer parentheses and a
// leading "0+" until none is left.
void simplify(std::u16string& out) {
  if (out.size() > kLongestSimplified) return;
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
      if (out[i] != u'(' || (i > 0 && is_name_char(out[i - 1]))) continue;
      const std::size_t end = term_end(out, i + 1);
      if (end > i + 1 && end < out.size() && out[end] == u')') {
        out.erase(end, 1);
        out.erase(i, 1);
        changed = true;
      }
    }
    if (out.size() > 2 && out[0] == u'0' && out[1] == u'+') {
      out.erase(0, 2);
      changed = true;
    }
    if (out.size() >= 2 && out.front() == u'(' && closing_parenthesis(out, 0) == out.size() - 1) {
      out.erase(out.size() - 1);
      out.erase(0, 1);
      changed = true;
    }
  }
}

constexpr std::u16string_view kHex = u"0123456789ABCDEF";

// parse_number, with the common case first: up to nine decimal digits and
// nothing else (no suffix, no prefix) is that decimal number.
std::optional<std::uint32_t> decimal_or_number(std::u16string_view word) {
  if (word.empty() || word.size() > 9) return parse_number(word);
  std::uint32_t value = 0;
  for (char16_t c : word) {
    if (!is_digit(c)) return parse_number(word);
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

std::u16string normalise_expression(std::u16string_view e, const EncodeOptions& options) {
  std::u16string out;
  out.reserve(e.size());
  for (std::size_t i = 0; i < e.size();) {
    const char16_t c = e[i];
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (is_quote(c) && opens_quote(e, i)) {
      const std::size_t end = quote_end(e, i);
      if (end == kNone) {  // an unclosed quote: the rest as typed
        out += e.substr(i);
        break;
      }
      const std::u16string_view content = e.substr(i + 1, end - i - 2);
      if (content.size() == 1) {
        append_decimal(out, content[0]);
      } else {
        out += u'\'';
        out += content;
        out += u'\'';
      }
      i = end;
      continue;
    }
    std::size_t end = i;
    const bool prefix = operand_expected(out) && i + 1 < e.size() &&
                        (((c == u'#' || c == u'%') && is_hex_digit(e[i + 1])) ||
                         (c == u'&' && (e[i + 1] == u'h' || e[i + 1] == u'H')));
    if (prefix) end = i + (c == u'&' ? 2 : 1);
    if (prefix || is_name_char(c)) {
      while (end < e.size() && is_name_char(e[end])) ++end;
      const std::u16string_view word = e.substr(i, end - i);
      if (!out.empty() && is_name_char(out.back())) out += u' ';  // "x and 0FFh": the words stay apart
      if (is_name_start(c) && c != u'$') {  // a name: no number starts so ("$FF" does)
        if (options.case_sensitive) {
          out += word;
        } else {
          for (char16_t w : word) {
            out += w >= u'A' && w <= u'Z' ? static_cast<char16_t>(w + 32) : w < 0x80 ? w : lower_char(w);
          }
        }
      } else if (const auto value = decimal_or_number(word)) {
        append_decimal(out, *value);
      } else if (options.case_sensitive && !is_digit(c)) {
        out += word;
      } else {
        out += lower_text(word);
      }
      i = end;
      continue;
    }
    out += c;
    ++i;
  }
  simplify(out);
  return out;
}

std::u16string restart_number(std::u16string_view address) {
  const std::u16string_view t = address;
  const auto single = [](std::u16string_view term) {
    return !term.empty() && (term_end(term, 0) == term.size() ||
                             (term.front() == u'(' && closing_parenthesis(term, 0) == term.size() - 1));
  };
  if (t.size() > 2 && t.ends_with(u"*8") && single(t.substr(0, t.size() - 2))) {
    std::u16string n(t.substr(0, t.size() - 2));
    simplify(n);
    return n;
  }
  std::u16string n = single(t) ? std::u16string(t) : u"(" + std::u16string(t) + u")";
  return n + u"/8";
}

bool is_expression(std::u16string_view text, bool z80_registers) {
  const Notation notation = z80_registers ? Notation::z80 : Notation::i8080;
  bool after_term = false;  // a name, number or quoted text was the last thing seen
  int depth = 0;            // of parentheses
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (is_quote(c) && opens_quote(text, i)) {
      const std::size_t end = quote_end(text, i);
      if (end == kNone || after_term) return false;
      i = end;
      after_term = true;
    } else if (is_name_char(c)) {
      std::size_t end = i;
      while (end < text.size() && is_name_char(text[end])) ++end;
      const std::u16string_view word = text.substr(i, end - i);
      i = end;
      // Registers and operator words are short and start with a letter.
      const bool reserved = word.size() <= 4 && !is_digit(word[0]);
      const bool operator_word = reserved && is_operator_word(word);
      if (after_term && operator_word) {
        after_term = false;
        continue;
      }
      if (after_term || (reserved && is_register(notation, word))) return false;  // "0r r" is two terms
      after_term = !operator_word;  // "not x", "high x"
    } else if (is_blank(c)) {
      ++i;
    } else if (std::u16string_view(u"()+-*/%&|^~!<>=#").find(c) != std::u16string_view::npos) {
      if (c == u'(' && (after_term || ++depth < 0)) return false;  // "x (y)" is two terms
      if (c == u')' && --depth < 0) return false;
      ++i;
      after_term = c == u')';
    } else {
      return false;
    }
  }
  return depth == 0;
}

bool enclosed_in_parentheses(std::u16string_view text) {
  return text.size() >= 2 && text.front() == u'(' && closing_parenthesis(text, 0) == text.size() - 1;
}

void split_statement(std::u16string_view s, StatementParts& parts) {
  parts.operands.clear();
  std::size_t i = 0;
  while (i < s.size() && is_separator(s[i])) ++i;
  const std::size_t start = i;
  while (i < s.size() && !is_separator(s[i])) ++i;
  parts.mnemonic = s.substr(start, i - start);
  while (i < s.size() && is_blank(s[i])) ++i;
  if (i < s.size() && s[i] == u',') ++i;
  const std::u16string_view rest = s.substr(i);
  if (only_blanks(rest)) return;
  const auto push = [&](std::size_t from, std::size_t to) {
    while (from < to && is_blank(rest[from])) ++from;
    while (to > from && is_blank(rest[to - 1])) --to;
    parts.operands.push_back(rest.substr(from, to - from));
  };
  std::size_t from = 0;
  int depth = 0;
  for (std::size_t k = 0; k < rest.size(); ++k) {
    const char16_t c = rest[k];
    if (is_quote(c) && opens_quote(rest, k)) {
      const std::size_t end = quote_end(rest, k);
      if (end == kNone) break;
      k = end - 1;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      --depth;
    } else if (c == u',' && depth <= 0) {
      push(from, k);
      from = k + 1;
    }
  }
  push(from, rest.size());
}

bool encode_data(const StatementParts& parts, MachineCode& code, std::string& why, const EncodeOptions& options) {
  const std::u16string_view m = parts.mnemonic;
  if (m.empty() || (m[0] != u'd' && m[0] != u'D')) return false;  // every data word starts with d
  OperandSize size;
  if (is_word(m, u"db") || is_word(m, u"defb") || is_word(m, u"defm")) {
    size = OperandSize::byte;
  } else if (is_word(m, u"dw") || is_word(m, u"defw")) {
    size = OperandSize::word;
  } else if (is_word(m, u"ds") || is_word(m, u"defs")) {
    size = OperandSize::count;
  } else {
    return false;
  }
  code.clear();
  code.data = true;
  if (parts.operands.empty()) {
    why = "no data items";
    return false;
  }
  if (size == OperandSize::count && parts.operands.size() > 2) {
    why = "ds takes a count and a fill byte at most";
    return false;
  }
  for (std::size_t i = 0; i < parts.operands.size(); ++i) {
    if (parts.operands[i].empty()) {
      why = "an empty data item";
      return false;
    }
    const OperandSize item = size == OperandSize::count && i == 1 ? OperandSize::byte : size;
    code.operands.push_back({normalise_expression(parts.operands[i], options), item, 0});
  }
  return true;
}

std::string to_string(const MachineCode& code) {
  static constexpr const char* kSizes[] = {"byte", "word", "displacement", "relative", "count", "restart"};
  std::string text = code.data ? "data" : "";
  std::size_t next = 0;
  const auto operands_at = [&](std::size_t at) {
    for (; next < code.operands.size() && code.operands[next].at == at; ++next) {
      const OperandSlot& o = code.operands[next];
      if (!text.empty()) text += ' ';
      text += '[';
      for (char16_t c : o.expression) text += c < 0x80 ? static_cast<char>(c) : '?';
      text += " : ";
      text += kSizes[static_cast<int>(o.size)];
      text += ']';
    }
  };
  for (std::size_t i = 0; i < code.bytes.size(); ++i) {
    operands_at(i);
    if (!text.empty()) text += ' ';
    text += static_cast<char>(kHex[code.bytes[i] >> 4]);
    text += static_cast<char>(kHex[code.bytes[i] & 15]);
  }
  operands_at(code.bytes.size());
  return text;
}

}  // namespace engine
