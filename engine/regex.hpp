// Regular-expression tests over PCRE2 (8-bit library, UTF mode).
//
// regex_test(pattern, text) is true when the pattern matches anywhere in the
// lower-cased text. Only the text is lower-cased, never the pattern, so a capital
// letter in a pattern can never match. Matching uses no options beyond UTF mode:
// case-sensitive, not multi-line, not anchored unless the pattern says so.
//
// Each distinct pattern is compiled once per process and kept (thread-safe cache,
// JIT-compiled where the platform allows). A pattern that does not compile answers
// false, silently, every time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/text.hpp"

namespace engine {

struct Regex;  // a compiled pattern, owned by the cache

// What running patterns needs besides the pattern: PCRE2's match data, its
// limits and the JIT's stack, made on first use. Serves one thread at a time;
// each translating thread keeps its own (in the code field it works on).
class MatchScratch {
 public:
  MatchScratch();
  ~MatchScratch();
  MatchScratch(MatchScratch&&) noexcept;
  MatchScratch& operator=(MatchScratch&&) noexcept;
  MatchScratch(const MatchScratch&) = delete;
  MatchScratch& operator=(const MatchScratch&) = delete;

  struct State;
  State& state();

 private:
  std::unique_ptr<State> state_;
};

// The cached compiled form of pattern, or nullptr if it does not compile.
const Regex* regex_compile(std::u16string_view pattern);

// Byte offset where the leftmost match of re begins in subject (UTF-8 that the
// caller has already lower-cased, see append_lower_utf8), or kNone.
std::size_t regex_find(const Regex& re, std::string_view subject, MatchScratch& scratch);

bool regex_test(std::u16string_view pattern, std::u16string_view text);

}  // namespace engine
