#include "engine/steps.hpp"

#include "engine/utf.hpp"

namespace engine {

Action pass_through() {
  return [](Code&) { return Verdict::pass_through; };
}

Action mark() {
  return [](Code&) { return Verdict::mark; };
}

Step replace_first(std::u16string old_text, std::u16string new_text) {
  return [o = std::move(old_text), n = std::move(new_text)](Code& code) {
    code.text = replace_text(code.text, o, n, kAnyCase, 1, 1);
  };
}

Step replace_every(std::u16string old_text, std::u16string new_text) {
  return [o = std::move(old_text), n = std::move(new_text)](Code& code) {
    code.text = replace_text(code.text, o, n, kAnyCase);
  };
}

bool matches(const Regex* pattern, std::u16string_view text) {
  if (pattern == nullptr) return false;
  thread_local std::string subject;
  subject.clear();
  append_lower_utf8(subject, text);
  return regex_find(*pattern, subject) != kNoMatch;
}

bool contains(std::u16string_view text, std::u16string_view needle) {
  return find_text(text, needle, 1, kAnyCase) > 0;
}

}  // namespace engine
