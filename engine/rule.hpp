// What a rule of a translation chain is: its number, its pattern exactly as
// written, and the action taken on the code field when the pattern matches.
//
// An action answers with a verdict. `rewrite` and `pass_through` end the chain
// with the code field as the action left it; `mark` ends it with the
// not-convertible marking; `next` hands the code field on to the next rule. An
// action that answers `next` leaves the text alone unless it sets `changed`, in
// which case the later rules see the changed text.
//
// Positions in a code field are indices from 0, as the text primitives use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/options.hpp"
#include "engine/regex.hpp"
#include "engine/text.hpp"

namespace engine {

enum class Verdict { rewrite, pass_through, mark, next };

// What the chain and the steps work in besides the code field, kept with it
// so that a statement allocates nothing once the buffers have grown and no
// state hides in the thread: the patterns' match state, a lower-cased copy of
// the text for a second pattern test, and the list of candidate rules.
struct CodeScratch {
  MatchScratch match;
  std::string subject;
  std::vector<std::uint16_t> candidates;
};

struct Code {
  std::u16string text;   // the code field: as typed, as rewritten so far
  std::size_t match = 0;     // where the rule's pattern matched
  std::size_t mnemonic = 0;  // the first character after the separators that begin the match
  bool changed = false;  // set by an action that changed text and answers `next`
  Options options = {};  // the user's choices
  CodeScratch scratch = {};
};

using Action = std::function<Verdict(Code&)>;

struct Rule {
  int number;
  std::u16string pattern;
  Action action;
};

}  // namespace engine
