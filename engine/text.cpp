#include "engine/text.hpp"

#include <algorithm>

namespace engine {
namespace {

bool same(char16_t a, char16_t b, int mode) {
  if (a == b) return true;
  if (!(mode & kAnyCase)) return false;
  if ((a | b) < 0x80) return (a | 0x20) == (b | 0x20) && (a | 0x20) >= u'a' && (a | 0x20) <= u'z';
  return lower_char(a) == lower_char(b);
}

bool occurs_at(std::u16string_view text, std::size_t at, std::u16string_view needle,
               int mode) {
  if (text.size() - at < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (!same(text[at + i], needle[i], mode)) return false;
  }
  return true;
}

// Even code points of [first, last] are capitals whose small letter follows them.
bool in_pair_range(char16_t c, char16_t first, char16_t last) {
  return c >= first && c <= last && ((c - first) % 2 == 0);
}

}  // namespace

char16_t lower_char(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) ||       // Latin-1
      (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||    // Greek
      (c >= 0x410 && c <= 0x42F) ||                  // Cyrillic
      (c >= 0xFF21 && c <= 0xFF3A)) {                // full-width A-Z
    return static_cast<char16_t>(c + 32);
  }
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c == 0x178) return 0xFF;
  // U+0130 (capital I with dot) would lower to an ASCII i; it is left alone.
  if ((in_pair_range(c, 0x100, 0x12E)) || in_pair_range(c, 0x132, 0x136) ||
      in_pair_range(c, 0x139, 0x147) || in_pair_range(c, 0x14A, 0x176) ||
      in_pair_range(c, 0x179, 0x17D) || in_pair_range(c, 0x460, 0x480) ||
      in_pair_range(c, 0x48A, 0x4BE) || in_pair_range(c, 0x4C1, 0x4CD) ||
      in_pair_range(c, 0x4D0, 0x52E)) {
    return static_cast<char16_t>(c + 1);
  }
  return c;
}

namespace {

char16_t upper_char(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A)) {
    return static_cast<char16_t>(c - 32);
  }
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  if (c == 0xFF) return 0x178;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  // U+0131 (dotless i) would upper to an ASCII I; it is left alone.
  if (in_pair_range(c, 0x101, 0x12F) || in_pair_range(c, 0x133, 0x137) ||
      in_pair_range(c, 0x13A, 0x148) || in_pair_range(c, 0x14B, 0x177) ||
      in_pair_range(c, 0x17A, 0x17E) || in_pair_range(c, 0x461, 0x481) ||
      in_pair_range(c, 0x48B, 0x4BF) || in_pair_range(c, 0x4C2, 0x4CE) ||
      in_pair_range(c, 0x4D1, 0x52F)) {
    return static_cast<char16_t>(c - 1);
  }
  return c;
}

}  // namespace

std::size_t find_text(std::u16string_view text, std::u16string_view needle, std::size_t start, int mode) {
  if (needle.empty() || start >= text.size() || text.size() - start < needle.size()) return kNone;
  const std::size_t last = text.size() - needle.size();
  const char16_t first = needle[0];
  if (first < 0x80) {
    // Only an ASCII unit compares equal to an ASCII one (lower_char never
    // makes ASCII of anything else): look for it, either case for a letter.
    const char16_t folded = first | 0x20;
    const bool letter = (mode & kAnyCase) && folded >= u'a' && folded <= u'z';
    const char16_t other = letter ? static_cast<char16_t>(first ^ 0x20) : first;
    for (std::size_t i = start; i <= last; ++i) {
      const char16_t c = text[i];
      if ((c == first || c == other) && occurs_at(text, i, needle, mode)) return i;
    }
    return kNone;
  }
  for (std::size_t i = start; i <= last; ++i) {
    if (occurs_at(text, i, needle, mode)) return i;
  }
  return kNone;
}

std::u16string replace_text(std::u16string_view text, std::u16string_view needle,
                            std::u16string_view replacement, int mode, std::size_t start,
                            std::ptrdiff_t count) {
  const std::size_t from = std::min(start, text.size());
  if (needle.empty() || count == 0 || from >= text.size()) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size() + replacement.size());
  out.append(text.substr(0, from));
  std::ptrdiff_t done = 0;
  std::size_t copied = from;  // text before this index is in `out`
  // One left-to-right pass: at each occurrence the replacement goes in and the
  // scan moves past the occurrence, so nothing overlaps or is searched twice.
  for (std::size_t i = from; i + needle.size() <= text.size() && (count < 0 || done < count);) {
    if (occurs_at(text, i, needle, mode)) {
      out.append(text.substr(copied, i - copied)).append(replacement);
      i += needle.size();
      copied = i;
      ++done;
    } else {
      ++i;
    }
  }
  out.append(text.substr(copied));
  return out;
}

std::u16string mid_text(std::u16string_view text, std::size_t start, std::size_t length) {
  return std::u16string(text.substr(std::min(start, text.size()), length));
}

std::u16string tail_text(std::u16string_view text, std::size_t start) {
  return std::u16string(text.substr(std::min(start, text.size())));
}

std::u16string_view trim_spaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == kNone) return {};
  const auto last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

std::u16string trim_blanks(std::u16string_view text) { return std::u16string(trim_spaces(text)); }

std::u16string lower_text(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = lower_char(c);
  return out;
}

std::u16string upper_text(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = upper_char(c);
  return out;
}

// Turning every tab into a space and then collapsing pairs of spaces until none
// is left amounts to turning every run of blanks into one space.
std::u16string normalize_blanks(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (is_blank(c)) {
      if (out.empty() || out.back() != u' ') out.push_back(u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace engine
