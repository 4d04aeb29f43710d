// Conversions between UTF-8 bytes and UTF-16 texts.
//
// Both directions are total. Decoding turns every ill-formed UTF-8 sequence into
// U+FFFD (one per maximal ill-formed subpart, as Unicode recommends), including
// encoded surrogates and overlong forms. Encoding turns a lone surrogate into
// U+FFFD. Valid input round-trips unchanged.
#pragma once

#include <string>
#include <string_view>

namespace engine {

std::u16string utf8_to_utf16(std::string_view bytes);
// True if bytes are well-formed UTF-8 (no overlong form, no surrogate).
bool is_utf8(std::string_view bytes);
// Appends bytes to out, decoded as utf8_to_utf16 does.
void append_utf16(std::u16string& out, std::string_view bytes);
std::string utf16_to_utf8(std::u16string_view text);

// Appends bytes to out, one unit per byte, when they are all ASCII, and
// returns true; otherwise returns false and out holds a part of them.
bool append_ascii(std::u16string& out, std::string_view bytes);

// Appends text to out as UTF-8, as utf16_to_utf8 does.
void append_utf8(std::string& out, std::u16string_view text);

// Appends the lower-cased text (lower_char) to out as UTF-8: the subject that
// rule patterns are matched against. Returns true if every character was ASCII.
bool append_lower_utf8(std::string& out, std::u16string_view text);

}  // namespace engine
