#include "engine/utf.hpp"

#include <cstdint>
#include <cstring>

#include "engine/text.hpp"

namespace engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void put_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void put_utf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Encodes text as UTF-8, passing each BMP unit through map first. Runs of
// ASCII are written in one go.
template <typename Map>
void encode(std::string& out, std::u16string_view text, Map map) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t ascii = i;
    while (ascii < text.size() && text[ascii] < 0x80) ++ascii;
    if (ascii > i) {
      const std::size_t at = out.size();
      out.resize(at + (ascii - i));
      for (std::size_t k = i; k < ascii; ++k) out[at + (k - i)] = static_cast<char>(map(text[k]));
      i = ascii;
      if (i == text.size()) break;
    }
    const char16_t c = text[i];
    if (is_high(c) && i + 1 < text.size() && is_low(text[i + 1])) {
      put_utf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (is_high(c) || is_low(c)) {
      put_utf8(out, kReplacement);
    } else {
      put_utf8(out, map(c));
    }
    ++i;
  }
}

// Appends the run of ASCII at the start of text to out, each unit through
// map; returns how many units it took. Written in place: no call per unit.
template <typename Map>
std::size_t narrow_ascii(std::string& out, std::u16string_view text, Map map) {
  std::size_t n = 0;
  while (n < text.size() && text[n] < 0x80) ++n;
  if (n == 0) return 0;
  const std::size_t at = out.size();
  out.resize(at + n);
  char* p = out.data() + at;
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<char>(map(text[i]));
  return n;
}

// Appends the run of ASCII at the start of bytes to out; returns how many
// bytes it took.
std::size_t widen_ascii(std::u16string& out, std::string_view bytes) {
  std::size_t n = 0;
  while (n < bytes.size() && static_cast<unsigned char>(bytes[n]) < 0x80) ++n;
  if (n == 0) return 0;
  const std::size_t at = out.size();
  out.resize(at + n);
  char16_t* p = out.data() + at;
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<char16_t>(bytes[i]);
  return n;
}

char16_t same(char16_t c) { return c; }
char16_t lower_ascii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

bool is_utf8(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned c = b[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + len > n || b[i + 1] < low || b[i + 1] > high) return false;
    for (std::size_t k = 2; k < len; ++k) {
      if (b[i + k] < 0x80 || b[i + k] > 0xBF) return false;
    }
    i += len;
  }
  return true;
}

bool append_ascii(std::u16string& out, std::string_view bytes) {
  return widen_ascii(out, bytes) == bytes.size();
}

std::u16string utf8_to_utf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  append_utf16(out, bytes);
  return out;
}

void append_utf16(std::u16string& out, std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  out.reserve(out.size() + n);
  std::size_t i = widen_ascii(out, bytes);
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      std::size_t ascii = i + 1;
      while (ascii < n && s[ascii] < 0x80) ++ascii;
      const std::size_t at = out.size();
      out.resize(at + (ascii - i));
      for (std::size_t k = i; k < ascii; ++k) out[at + (k - i)] = s[k];
      i = ascii;
      continue;
    }
    // Length and the allowed range of the second byte (Unicode table 3-7).
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3, cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4, cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    std::size_t j = 1;
    for (; j < len && i + j < n; ++j) {
      const unsigned char t = s[i + j];
      if (t < (j == 1 ? lo : 0x80) || t > (j == 1 ? hi : 0xBF)) break;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (j == len) {
      put_utf16(out, cp);
    } else {
      out.push_back(static_cast<char16_t>(kReplacement));
    }
    i += j;
  }
}

void append_utf8(std::string& out, std::u16string_view text) {
  const std::size_t ascii = narrow_ascii(out, text, same);
  if (ascii < text.size()) encode(out, text.substr(ascii), same);
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  append_utf8(out, text);
  return out;
}

bool append_lower_utf8(std::string& out, std::u16string_view text) {
  const std::size_t before = out.size();
  const std::size_t ascii = narrow_ascii(out, text, lower_ascii);
  if (ascii == text.size()) return true;
  encode(out, text.substr(ascii), [](char16_t c) { return c < 0x80 ? lower_ascii(c) : lower_char(c); });
  // Every non-ASCII code unit takes more than one byte.
  return out.size() - before == text.size();
}

}  // namespace engine
