// Helpers for readable test tables: "⇥" in a literal stands for a tab.
#pragma once

#include <string>
#include <string_view>

#include "engine/utf.hpp"

namespace engine::testing {

inline std::u16string tabs(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) {
    if (c == u'⇥') c = u'\t';
  }
  return out;
}

// The text as UTF-8 with tabs shown as "⇥", for failure messages.
inline std::string show(std::u16string_view text) {
  std::u16string shown(text);
  for (auto& c : shown) {
    if (c == u'\t') c = u'⇥';
  }
  return utf16_to_utf8(shown);
}

}  // namespace engine::testing
