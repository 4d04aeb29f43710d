#include "engine/reserved_names.hpp"

#include "engine/source_line.hpp"
#include "engine/utf.hpp"

namespace engine {
namespace {

Notation other(Notation n) { return n == Notation::z80 ? Notation::i8080 : Notation::z80; }

bool is_reserved(std::u16string_view word, Notation source) {
  const Notation target = other(source);
  if (is_register(source, word) || is_condition(word) || is_mnemonic(source, word)) return false;
  return is_mnemonic(target, word) || is_register(target, word);
}

// Appends the reserved words of text (outside quotes), skipping its first
// word when `skip_first` (the statement's mnemonic).
void scan(std::u16string_view text, bool skip_first, Notation source, std::vector<std::u16string_view>& out) {
  bool first = skip_first;
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (is_quote(c) && opens_quote(text, i)) {
      const std::size_t end = quote_end(text, i);
      i = end == kNone ? text.size() : end;
      continue;
    }
    if (!is_name_char(c)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && is_name_char(text[end])) ++end;
    const std::u16string_view word = text.substr(i, end - i);
    if (!first && is_name_start(c) && is_reserved(word, source)) out.push_back(word);
    first = false;
    i = end;
  }
}

}  // namespace

std::vector<std::u16string_view> reserved_names(std::u16string_view line, Notation source) {
  std::vector<std::u16string_view> out;
  SourceLine parsed;
  parse_line(line, LineRules{source}, parsed);
  scan(parsed.label, false, source, out);
  scan(parsed.inner, false, source, out);
  for (const Statement& s : parsed.statements) {
    const bool code = parsed.kind == SourceLine::Kind::code;
    scan(s.typed, code, source, out);
  }
  return out;
}

std::string reserved_name_warning(std::u16string_view name, Notation source) {
  const Notation target = other(source);
  const char* what = is_mnemonic(target, name) ? "a mnemonic" : "a register";
  return utf16_to_utf8(name) + " is " + what + " in " + (target == Notation::z80 ? "Z80" : "8080") +
         " notation; rename it";
}

}  // namespace engine
