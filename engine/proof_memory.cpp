#include "engine/proof_memory.hpp"

#include <array>
#include <atomic>
#include <cstdint>

#include "engine/dialect.hpp"
#include "engine/verify.hpp"

namespace engine {
namespace {

std::atomic<bool> g_remember{true};

// The key is bytes: the options, then the shapes of source and translation.
// Text is ASCII, so these two bytes stand for nothing else: a placeholder is
// kMark, the run's index among the pair's distinct runs and its count of
// digits; kBetween parts the two shapes.
constexpr char kMark = '\x80';
constexpr char kBetween = '\x81';
constexpr std::size_t kMostNumbers = 8;
constexpr std::size_t kLongestNumber = 9;  // digits: below 2^32 whatever they are

// Mnemonics whose encoding reads a number's value (im 0/1/2, bit numbers,
// restarts) or takes it as a jump distance.
constexpr std::u16string_view kEvaluating[] = {u"im", u"bit", u"set", u"res", u"rst", u"jr", u"djnz"};

// Characters as the shape reads them; anything past ASCII is refused.
enum : std::uint8_t { kOther = 0, kName = 1, kDigit = 2, kRefused = 4, kSeparator = 8, kDollar = 16 };
constexpr auto kClasses = [] {
  std::array<std::uint8_t, 256> t{};
  for (char16_t c = 0; c < 256; ++c) {
    if (c >= 128) t[c] = kRefused;
    else if (is_digit(c)) t[c] = kName | kDigit;
    else if (is_name_char(c)) t[c] = kName;
    else if (is_separator(c)) t[c] = kSeparator;
  }
  for (char16_t c : std::u16string_view(u"#%&'\";!:")) t[c] = kRefused;
  t[u'$'] = kRefused | kDollar;  // "$FF" is a number; "$" in a first word is a character of a name
  return t;
}();
std::uint8_t class_of(char c) { return kClasses[static_cast<unsigned char>(c)]; }
std::uint8_t class_of(char16_t c) { return c < 256 ? kClasses[c] : std::uint8_t{kRefused}; }

template <typename Char>
struct Shape {
  char* text = nullptr;
  std::size_t size = 0;
  std::basic_string_view<Char> seen[kMostNumbers];  // the distinct runs of digits so far
  std::size_t count = 0;

  // A run of digits as its placeholder.
  bool add_number(std::basic_string_view<Char> digits) {
    // Runs are short: compared here rather than by a call per run.
    const auto same = [&](std::basic_string_view<Char> run) {
      if (run.size() != digits.size()) return false;
      for (std::size_t k = 0; k < run.size(); ++k) {
        if (run[k] != digits[k]) return false;
      }
      return true;
    };
    std::size_t index = 0;
    while (index < count && !same(seen[index])) ++index;
    if (index == count) {
      if (count == kMostNumbers) return false;
      seen[count++] = digits;
    }
    text[size++] = kMark;
    text[size++] = static_cast<char>(index);
    text[size++] = static_cast<char>(digits.size());
    return true;
  }
};

// A code unit as the tables read it: a byte as the character of its number.
char16_t unit(char c) { return static_cast<unsigned char>(c); }
char16_t unit(char16_t c) { return c; }

// A word of two to four ASCII letters as one number, lower case, or 0.
template <typename Char>
std::uint32_t packed(std::basic_string_view<Char> word) {
  if (word.size() < 2 || word.size() > 4) return 0;
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char16_t c = unit(word[i]);
    if (c >= 0x80) return 0;
    v |= static_cast<std::uint32_t>(c | 0x20) << (8 * i);
  }
  return v;
}
constexpr std::uint32_t packed_literal(std::u16string_view word) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < word.size(); ++i) v |= static_cast<std::uint32_t>(word[i]) << (8 * i);
  return v;
}
constexpr auto kEvaluatingPacked = [] {
  std::array<std::uint32_t, std::size(kEvaluating)> t{};
  for (std::size_t i = 0; i < t.size(); ++i) t[i] = packed_literal(kEvaluating[i]);
  return t;
}();

// One comparison per word of kEvaluating, without a branch for each ("| 0x20"
// makes a letter of no character but a capital letter).
template <typename Char>
bool may_evaluate(std::basic_string_view<Char> word) {
  const std::uint32_t v = packed(word);
  bool found = false;
  for (const std::uint32_t w : kEvaluatingPacked) found |= v == w;
  return found;
}

// Appends the statement's shape; false when it has none. A statement given
// as bytes (UTF-8) has the shape of the same statement given as UTF-16: only
// ASCII takes part.
template <typename Char>
bool add_statement(Shape<Char>& shape, std::basic_string_view<Char> statement) {
  const Char* const text = statement.data();
  const std::size_t n = statement.size();
  char* out = shape.text + shape.size;
  // The first word (a mnemonic, a directive, a macro's name) stays as typed.
  std::size_t i = 0;
  while (i < n && (class_of(text[i]) & kSeparator)) *out++ = static_cast<char>(text[i++]);
  const std::size_t word = i;
  for (; i < n; ++i) {
    const std::uint8_t kind = class_of(text[i]);
    if (kind & kSeparator) break;
    if ((kind & kRefused) && !(kind & kDollar)) return false;
    *out++ = static_cast<char>(text[i]);
  }
  if (may_evaluate(statement.substr(word, i - word))) return false;
  bool in_name = false;  // the character before is a name character
  while (i < n) {
    const std::uint8_t kind = class_of(text[i]);
    if (!(kind & (kDigit | kRefused))) {  // most characters: one test
      *out++ = static_cast<char>(text[i]);
      in_name = kind == kName;
      ++i;
      continue;
    }
    if (kind & kRefused) return false;
    std::size_t end = i + 1;
    while (end < n && (class_of(text[end]) & kDigit)) ++end;
    const std::basic_string_view<Char> run = statement.substr(i, end - i);
    const bool number = !in_name;  // "12"; in a name ("l12") the digits are text, compared as text only
    i = end;
    in_name = true;
    if (number && end < n && (class_of(text[end]) & kName)) {
      return false;  // "0FFh", "12d", "1x": read by their suffix
    }
    if (unit(run[0]) == u'0' || run.size() > kLongestNumber) {
      if (number && run.size() > 1) return false;  // "05" reads as 5: its text is not its value
      for (const Char d : run) *out++ = static_cast<char>(d);  // "0", "l05": as typed
    } else {
      shape.size = static_cast<std::size_t>(out - shape.text);
      if (!shape.add_number(run)) return false;
      out = shape.text + shape.size;
    }
  }
  shape.size = static_cast<std::size_t>(out - shape.text);
  return true;
}

}  // namespace

template <typename Char>
bool ProofMemory::find_shape(Direction direction, std::basic_string_view<Char> source,
                             std::basic_string_view<Char> translation, const Options& options,
                             const EncodeOptions& encode, Proof& proof) {
  wanted_ = false;
  if (source.size() + translation.size() > kLongestPair || !g_remember.load(std::memory_order_relaxed)) return false;
  // While few shapes repeat the table looks up one in many: the others need no shape.
  if (!table_.wants(kLongestKey)) return false;
  Shape<Char> shape;
  shape.text = key_;
  shape.text[shape.size++] = static_cast<char>((direction == Direction::z80_to_8080 ? 1 : 0) |
                                               (options.jr_as_jump ? 2 : 0) | (encode.case_sensitive ? 4 : 0));
  if (!add_statement(shape, source)) return false;
  shape.text[shape.size++] = kBetween;
  if (!add_statement(shape, translation)) return false;
  key_size_ = shape.size;
  wanted_ = true;
  return table_.find(std::string_view(key_, key_size_), payload_, proof);
}

bool ProofMemory::find(Direction direction, std::u16string_view source, std::u16string_view translation,
                       const Options& options, const EncodeOptions& encode, Proof& proof) {
  return find_shape(direction, source, translation, options, encode, proof);
}

bool ProofMemory::find(Direction direction, std::string_view source, std::string_view translation,
                       const Options& options, const EncodeOptions& encode, Proof& proof) {
  return find_shape(direction, source, translation, options, encode, proof);
}

void ProofMemory::remember(Proof proof) {
  if (!wanted_ || proof == Proof::unproven) return;
  wanted_ = false;
  table_.remember(std::string_view(key_, key_size_), {}, proof);
}

void remember_proofs(bool on) { g_remember.store(on); }

}  // namespace engine
