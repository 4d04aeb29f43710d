#include "engine/regex.hpp"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "engine/dialect.hpp"
#include "engine/pattern_text.hpp"
#include "engine/utf.hpp"

namespace engine {

struct Regex {
  pcre2_code* code = nullptr;
  bool jit = false;
  // Text every match contains ("xra" for "[\t, ]{1,}xra[\t, ]{1,}..."): a
  // subject without it cannot match, and the matcher is not called.
  std::string required;
  // The pattern starts with "[\t, ]{1,}" and no anchor. Any match then has one
  // that starts where a run of tabs, commas and spaces starts, and the leftmost
  // match starts at such a place; trying only those places keeps a long line of
  // blanks linear instead of quadratic.
  bool starts_with_blank_run = false;
  pcre2_code* anchored = nullptr;  // the same pattern anchored, for those tries
  bool anchored_jit = false;

  ~Regex() {
    pcre2_code_free(code);
    pcre2_code_free(anchored);
  }
};

namespace {

struct Cache {
  std::shared_mutex mutex;
  std::unordered_map<std::u16string, std::unique_ptr<Regex>> patterns;
};

Cache& cache() {
  static Cache* instance = new Cache;  // lives until exit; patterns are handed out by address
  return *instance;
}

}  // namespace

// The limits are raised so that a long line gets its true answer: every
// pattern of the chains runs in time linear in the line.
struct MatchScratch::State {
  pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
  pcre2_match_context* context = [] {
    pcre2_match_context* c = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(c, 0xFFFFFFFFu);
    pcre2_set_depth_limit(c, 0xFFFFFFFFu);
    pcre2_set_heap_limit(c, 0xFFFFFFFFu);
    return c;
  }();
  pcre2_jit_stack* jit_stack = pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr);

  State() { pcre2_jit_stack_assign(context, nullptr, jit_stack); }
  ~State() {
    pcre2_jit_stack_free(jit_stack);
    pcre2_match_context_free(context);
    pcre2_match_data_free(data);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
};

MatchScratch::MatchScratch() = default;
MatchScratch::~MatchScratch() = default;
MatchScratch::MatchScratch(MatchScratch&&) noexcept = default;
MatchScratch& MatchScratch::operator=(MatchScratch&&) noexcept = default;

MatchScratch::State& MatchScratch::state() {
  if (!state_) state_ = std::make_unique<State>();
  return *state_;
}

namespace {

// The literal that opens the pattern (after a leading "^" and a leading run of
// separators), when every match must contain it.
std::string required_literal(std::u16string_view pattern) {
  if (has_top_level_alternatives(pattern)) return {};
  std::size_t i = pattern.starts_with(u"^") ? 1 : 0;
  if (pattern.substr(i).starts_with(kSeparatorRun)) i += kSeparatorRun.size();
  return literal_at(pattern, i);
}

std::unique_ptr<Regex> compile(std::u16string_view pattern) {
  auto re = std::make_unique<Regex>();
  const std::string utf8 = utf16_to_utf8(pattern);
  int error = 0;
  PCRE2_SIZE offset = 0;
  re->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), PCRE2_UTF,
                           &error, &offset, nullptr);
  if (re->code == nullptr) return re;
  re->jit = pcre2_jit_compile(re->code, PCRE2_JIT_COMPLETE) == 0;  // else the interpreter
  re->starts_with_blank_run = pattern.starts_with(kSeparatorRun);
  if (re->starts_with_blank_run) {
    re->anchored = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
                                 PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, nullptr);
    re->anchored_jit = re->anchored != nullptr && pcre2_jit_compile(re->anchored, PCRE2_JIT_COMPLETE) == 0;
    if (re->anchored == nullptr) re->starts_with_blank_run = false;
  }
  re->required = required_literal(pattern);
  return re;
}

int match_at(pcre2_code* code, bool jit, std::string_view subject, std::size_t start, MatchScratch::State& state) {
  const auto* s = reinterpret_cast<PCRE2_SPTR>(subject.data());
  // The JIT's own entry skips the interpreter's checks; the subject is valid UTF-8.
  // No rule pattern repeats a group, so the JIT needs no stack in proportion
  // to the line: 50 MB lines of every shape the rules look at stay far from
  // the JIT stack's limit.
  return jit ? pcre2_jit_match(code, s, subject.size(), start, 0, state.data, state.context)
             : pcre2_match(code, s, subject.size(), start, PCRE2_NO_UTF_CHECK, state.data, state.context);
}

std::size_t match_start(const MatchScratch::State& state) { return pcre2_get_ovector_pointer(state.data)[0]; }

}  // namespace

const Regex* regex_compile(std::u16string_view pattern) {
  Cache& c = cache();
  const std::u16string key(pattern);
  {
    std::shared_lock lock(c.mutex);
    if (auto it = c.patterns.find(key); it != c.patterns.end()) {
      return it->second->code ? it->second.get() : nullptr;
    }
  }
  auto compiled = compile(pattern);
  std::unique_lock lock(c.mutex);
  auto [it, inserted] = c.patterns.try_emplace(key, std::move(compiled));
  return it->second->code ? it->second.get() : nullptr;
}

std::size_t regex_find(const Regex& re, std::string_view subject, MatchScratch& scratch) {
  if (!re.required.empty() && subject.find(re.required) == kNone) return kNone;
  MatchScratch::State& state = scratch.state();
  if (!re.starts_with_blank_run) {
    return match_at(re.code, re.jit, subject, 0, state) >= 0 ? match_start(state) : kNone;
  }
  for (std::size_t i = 0; i < subject.size(); ++i) {
    if (!is_separator(static_cast<unsigned char>(subject[i])) ||
        (i > 0 && is_separator(static_cast<unsigned char>(subject[i - 1])))) {
      continue;
    }
    if (match_at(re.anchored, re.anchored_jit, subject, i, state) >= 0) return i;
  }
  return kNone;
}

bool regex_test(std::u16string_view pattern, std::u16string_view text) {
  const Regex* re = regex_compile(pattern);
  if (re == nullptr) return false;
  std::string subject;
  append_lower_utf8(subject, text);
  MatchScratch scratch;
  return regex_find(*re, subject, scratch) != kNone;
}

}  // namespace engine
