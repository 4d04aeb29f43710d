// Reading a pattern's own text for what every match of it must contain.
//
// The answers are necessary conditions of the pattern: the chain and the regex
// cache use them to skip running a pattern on a text it cannot match, which
// changes no result.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// The pieces rule patterns are written with, named once: a run of separators
// (tabs, commas, spaces), the same at the start of the code field, the end of
// a word (a separator or the end of the text), and a run of blanks.
inline constexpr std::u16string_view kSeparatorRun = u"[\\t, ]{1,}";
inline constexpr std::u16string_view kLeadingSeparators = u"^[\\t, ]{1,}";
inline constexpr std::u16string_view kWordEnd = u"([\\t, ]|$)";
inline constexpr std::u16string_view kBlankRun = u"[\\t ]{1,}";

// True if the pattern's literals may be only one of several alternatives: it
// has a "|" outside brackets and parentheses, or a "(?" construct.
bool has_top_level_alternatives(std::u16string_view pattern);

// The literal text the pattern demands from position i on (i moves past it):
// lower-case letters, digits, some punctuation and the escapes "\(", "\)", "\,",
// "\." and "\x2C". A character followed by a quantifier is optional and ends the
// literal before it.
std::string literal_at(std::u16string_view pattern, std::size_t& i);

}  // namespace engine
