// Text primitives: the operations the rule chains are written in.
//
// A text is a sequence of UTF-16 code units. Positions are indices from 0, as
// everywhere in the engine; kNone means "not found". Every operation is pure and
// total: it never changes its arguments, and a position or length that falls
// outside the text is clamped as documented below instead of being reported.
//
// Mode (find_text, replace_text): bit 0 set (kAnyCase) compares A-Z and a-z as
// equal (and the other letters that lower_char maps); with bit 0 clear the
// comparison is exact.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace engine {

// "Not found" for every position the engine reports.
inline constexpr std::size_t kNone = std::u16string_view::npos;

inline constexpr int kExact = 0;
inline constexpr int kAnyCase = 1;

// Position of the first occurrence of needle that begins at start or later, or
// kNone. An empty text or needle gives kNone; a start past the end finds nothing.
std::size_t find_text(std::u16string_view text, std::u16string_view needle, std::size_t start = 0,
                      int mode = kExact);

// Copies text, replacing occurrences of needle in one left-to-right pass from
// start: a replacement is never searched again and occurrences never overlap.
// Count -1 (any negative count) means no limit; 0 replaces nothing. If nothing is
// replaced the result is a copy of the text.
std::u16string replace_text(std::u16string_view text, std::u16string_view needle,
                            std::u16string_view replacement, int mode = kExact,
                            std::size_t start = 0, std::ptrdiff_t count = -1);

// At most length characters from start; a start past the end gives the empty text.
std::u16string mid_text(std::u16string_view text, std::size_t start, std::size_t length);

// The characters from start to the end; a start past the end gives the empty text.
std::u16string tail_text(std::u16string_view text, std::size_t start);

// Removes spaces (code 32 only) at both ends; tabs stay.
std::u16string trim_blanks(std::u16string_view text);
// The same as a view of text.
std::u16string_view trim_spaces(std::u16string_view text);

// Case mapping of whole texts. A-Z and a-z map onto each other exactly; Latin-1,
// Latin Extended-A, Greek, Cyrillic and full-width Latin letters map by their
// simple one-to-one Unicode mapping; everything else stays. The length never
// changes and no non-ASCII character maps to an ASCII one.
std::u16string lower_text(std::u16string_view text);
std::u16string upper_text(std::u16string_view text);
char16_t lower_char(char16_t c);

// Tabs become spaces and every run of spaces collapses to one space. Nothing is
// trimmed: a single leading or trailing space stays.
std::u16string normalize_blanks(std::u16string_view text);

// True for a tab or a space, the two blanks of assembly source.
constexpr bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace engine
