// Helpers for readable test tables: "⇥" in a literal stands for a tab.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>

#include "engine/pipeline.hpp"
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

// An expected line with its "§" (if any) replaced by the direction's marking.
inline std::u16string marked(std::u16string_view expected, std::u16string_view marking) {
  std::u16string out = tabs(expected);
  if (const auto at = out.find(u'§'); at != std::u16string::npos) out.replace(at, 1, marking);
  return out;
}

// A whole line, what it must become, and the rule that must decide it (0: no
// rule, the line is marked at the end of the chain).
struct RuleCase {
  std::u16string_view in, out;
  int rule;
};

inline void check_rules(Translation (*translate)(std::u16string_view, const Options&),
                        std::span<const RuleCase> cases) {
  for (const auto& c : cases) {
    const Translation t = translate(tabs(c.in), {});
    EXPECT_EQ(show(t.text), show(tabs(c.out))) << show(tabs(c.in));
    EXPECT_EQ(t.outcome.rule, c.rule) << show(tabs(c.in)) << ": " << describe(t.outcome);
  }
}

}  // namespace engine::testing
