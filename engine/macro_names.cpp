#include "engine/macro_names.hpp"

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/dialect.hpp"

namespace engine {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool same_word(std::string_view a, std::string_view lower_word) {
  if (a.size() != lower_word.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower_word[i]) return false;
  }
  return true;
}

bool is_name_byte(char c) { return c < 0 || is_name_char(static_cast<unsigned char>(c)); }

// The leading name of text (letters, digits, "_.$@?"), or empty.
std::string_view name_at(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && is_name_byte(text[end])) ++end;
  return text.substr(0, end);
}

// True when text holds "macro" or "#define" in any case: only such lines can define one.
bool may_define(std::string_view text) {
  for (std::size_t i = 0; i + 5 <= text.size(); ++i) {
    const char c = lower(text[i]);
    if (c == 'm' && same_word(text.substr(i, 5), "macro")) return true;
    if (c == 'd' && i > 0 && text[i - 1] == '#' && i + 6 <= text.size() && same_word(text.substr(i, 6), "define")) return true;
  }
  return false;
}

}  // namespace

void MacroNames::learn_line(std::string_view line) {
  if (!may_define(line)) return;
  line = line.substr(0, line.find(';'));
  // The words, split at blanks; a colon ends a label word.
  std::vector<std::string_view> words;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > i) words.push_back(line.substr(i, end - i));
    i = end;
  }
  if (words.size() < 2) return;
  const auto add = [&](std::string_view name) {
    if (name.empty() || !is_name_start(static_cast<unsigned char>(name[0]))) return;
    std::string key(name);
    for (char& c : key) c = lower(c);
    names_.insert(std::move(key));
  };
  std::string_view first = words[0];
  if (first.ends_with("::")) first.remove_suffix(2);
  if (first.ends_with(':')) first.remove_suffix(1);
  if (same_word(first, "macro") || same_word(first, ".macro") || same_word(first, "#define")) {
    add(name_at(words[1]));
  } else if (same_word(words[1], "macro") && name_at(first).size() == first.size()) {
    add(first);
  }
}

void MacroNames::learn_line(std::u16string_view line) {
  std::string bytes;
  for (const char16_t c : line) bytes += c < 0x80 ? static_cast<char>(c) : '\x80';  // only ASCII names count
  learn_line(std::string_view(bytes));
}

void MacroNames::learn_text(std::string_view text) {
  // Only a line holding "macro" or "#define" can define one: look for their
  // letters first, and cut out the line around a find.
  const auto is_end = [](char c) { return c == '\n' || c == '\r' || c == '\0'; };
  // Eight bytes at a time while none of them is "#", "m" or "M".
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  const auto has_byte = [](std::uint64_t v, char b) {
    const std::uint64_t x = v ^ (kOnes * static_cast<unsigned char>(b));
    return ((x - kOnes) & ~x & kHighs) != 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    while (i + 8 <= text.size()) {
      std::uint64_t v;
      std::memcpy(&v, text.data() + i, 8);
      if (has_byte(v, '#') || has_byte(v | (kOnes * 0x20), 'm')) break;
      i += 8;
    }
    if (i >= text.size()) break;
    const char c = text[i];
    if (c == '#') {
      if (!same_word(text.substr(i + 1, 6), "define")) continue;
    } else if ((c | 0x20) != 'm' || !same_word(text.substr(i, 5), "macro")) {
      continue;
    }
    std::size_t start = i, end = i;
    while (start > 0 && !is_end(text[start - 1])) --start;
    while (end < text.size() && !is_end(text[end])) ++end;
    learn_line(text.substr(start, end - start));
    i = end;
  }
}

bool MacroNames::contains(std::u16string_view word) const {
  if (names_.empty() || word.empty()) return false;
  std::string key;
  key.reserve(word.size());
  for (const char16_t c : word) {
    if (c >= 0x80) return false;
    key += lower(static_cast<char>(c));
  }
  return names_.count(key) != 0;
}

}  // namespace engine
