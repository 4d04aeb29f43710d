// Building blocks for the actions of rule rows, shared by both chains.
//
// Searches and replacements ignore case (A-Z equals a-z); inserted texts go in
// exactly as written (the tables write them in lower case); everything a step
// does not touch keeps its case, tabs and spaces.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/regex.hpp"
#include "engine/rule.hpp"

namespace engine {

using Step = std::function<void(Code&)>;

Action pass_through();
Action mark();

// Applies the steps in order, each to the code field the step before left, and
// answers rewrite.
template <typename... Steps>
Action rewrite(Steps... steps) {
  return [all = std::vector<Step>{std::move(steps)...}](Code& code) {
    for (const Step& step : all) step(code);
    return Verdict::rewrite;
  };
}

// The first occurrence of old_text, searched from position 1.
Step replace_first(std::u16string old_text, std::u16string new_text);
// Every occurrence of old_text, from position 1.
Step replace_every(std::u16string old_text, std::u16string new_text);

// True if text holds needle in any case.
bool contains(std::u16string_view text, std::u16string_view needle);

// A second test of a rule: true if the compiled pattern matches the lower-cased
// text (as regex_test, without looking the pattern up).
bool matches(const Regex* pattern, std::u16string_view text);

}  // namespace engine
