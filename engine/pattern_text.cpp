#include "engine/pattern_text.hpp"

#include "engine/text.hpp"

namespace engine {

bool has_top_level_alternatives(std::u16string_view pattern) {
  if (pattern.find(u"(?") != kNone) return true;
  int depth = 0;
  bool in_class = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'\\') {
      ++i;
    } else if (in_class) {
      in_class = c != u']';
    } else if (c == u'[') {
      in_class = true;
    } else if (c == u'(') {
      ++depth;
    } else if (c == u')') {
      --depth;
    } else if (c == u'|' && depth == 0) {
      return true;
    }
  }
  return false;
}

std::string literal_at(std::u16string_view pattern, std::size_t& i) {
  std::string literal;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
        std::u16string_view(u",':;=_-!\"#%&/<>@~").find(c) != kNone) {
      literal.push_back(static_cast<char>(c));
      ++i;
    } else if (c == u'\\' && i + 1 < pattern.size() &&
               std::u16string_view(u"(),.").find(pattern[i + 1]) != kNone) {
      literal.push_back(static_cast<char>(pattern[i + 1]));
      i += 2;
    } else if (pattern.substr(i, 4) == u"\\x2C") {
      literal.push_back(',');
      i += 4;
    } else {
      break;
    }
  }
  const bool optional_last = i < pattern.size() && std::u16string_view(u"*+?{").find(pattern[i]) != kNone;
  if (!literal.empty() && optional_last) literal.pop_back();
  return literal;
}

}  // namespace engine
