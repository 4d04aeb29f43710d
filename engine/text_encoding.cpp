#include "engine/text_encoding.hpp"

#include <array>
#include <memory>

#include "engine/utf.hpp"
#include "engine/code_pages.inc"

namespace engine {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

Encoding detect_encoding(std::string_view first) {
  if (first.starts_with("\xEF\xBB\xBF")) return Encoding::utf8_bom;
  if (first.starts_with("\xFF\xFE")) return Encoding::utf16le;
  if (first.starts_with("\xFE\xFF")) return Encoding::utf16be;
  return Encoding::utf8;
}

std::string_view byte_order_mark(Encoding encoding) {
  switch (encoding) {
    case Encoding::utf8_bom: return "\xEF\xBB\xBF";
    case Encoding::utf16le: return "\xFF\xFE";
    case Encoding::utf16be: return "\xFE\xFF";
    default: break;
  }
  return {};
}

const char* encoding_name(Encoding encoding) {
  switch (encoding) {
    case Encoding::utf8_bom: return "UTF-8 with byte order mark";
    case Encoding::utf16le: return "UTF-16 LE";
    case Encoding::utf16be: return "UTF-16 BE";
    case Encoding::cp1251: return "Windows-1251";
    case Encoding::koi8r: return "KOI8-R";
    case Encoding::cp866: return "DOS 866";
    case Encoding::latin1: return "ISO 8859-1";
    case Encoding::utf8: break;
  }
  return "UTF-8";
}

namespace {

constexpr struct {
  std::string_view name;
  Encoding encoding;
} kNames[] = {
    {"utf-8", Encoding::utf8},    {"utf8", Encoding::utf8},     {"cp1251", Encoding::cp1251},
    {"windows-1251", Encoding::cp1251}, {"koi8-r", Encoding::koi8r}, {"koi8r", Encoding::koi8r},
    {"cp866", Encoding::cp866},   {"ibm866", Encoding::cp866},  {"latin1", Encoding::latin1},
    {"iso-8859-1", Encoding::latin1},
};

// The characters of bytes 0x80-0xFF; latin1 has none (each byte is its own).
const char16_t* upper_half(Encoding encoding) {
  switch (encoding) {
    case Encoding::cp1251: return code_pages::kCp1251;
    case Encoding::koi8r: return code_pages::kKoi8R;
    case Encoding::cp866: return code_pages::kCp866;
    default: return nullptr;
  }
}

char16_t char_of(const char16_t* half, unsigned char b) { return b < 0x80 || half == nullptr ? b : half[b - 0x80]; }

}  // namespace

std::optional<Encoding> encoding_by_name(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  for (const auto& n : kNames) {
    if (n.name == lower) return n.encoding;
  }
  return std::nullopt;
}

const char* encoding_short_name(Encoding encoding) {
  for (const auto& n : kNames) {
    if (n.encoding == encoding) return n.name.data();
  }
  return "utf-8";
}

bool is_single_byte(Encoding encoding) {
  return encoding == Encoding::cp1251 || encoding == Encoding::koi8r || encoding == Encoding::cp866 ||
         encoding == Encoding::latin1;
}

void decode_single_byte(Encoding encoding, std::string_view bytes, std::string& out) {
  const char16_t* half = upper_half(encoding);
  std::u16string text;
  text.reserve(bytes.size());
  for (const char b : bytes) text += char_of(half, static_cast<unsigned char>(b));
  append_utf8(out, text);
}

void encode_single_byte(Encoding encoding, std::string_view utf8, std::string& out) {
  // The byte of each character of the BMP, per code page: 0 for none.
  using Bytes = std::array<unsigned char, 0x10000>;
  const auto reverse = [](Encoding e) {
    auto bytes = std::make_unique<Bytes>();
    bytes->fill(0);
    for (unsigned b = 0x80; b < 0x100; ++b) (*bytes)[char_of(upper_half(e), static_cast<unsigned char>(b))] = static_cast<unsigned char>(b);
    return bytes;
  };
  static const std::unique_ptr<Bytes> cp1251 = reverse(Encoding::cp1251), koi8r = reverse(Encoding::koi8r),
                                      cp866 = reverse(Encoding::cp866), latin1 = reverse(Encoding::latin1);
  const Bytes& table = encoding == Encoding::cp1251 ? *cp1251
                       : encoding == Encoding::koi8r ? *koi8r
                       : encoding == Encoding::cp866 ? *cp866
                                                     : *latin1;
  for (const char16_t c : utf8_to_utf16(utf8)) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += table[c] != 0 ? static_cast<char>(table[c]) : '?';
    }
  }
}

Encoding guess_single_byte(std::string_view bytes) {
  // How often each Russian letter stands in text, in tenths of a percent (о е а и н т с р в л ...).
  static constexpr std::u16string_view kLetters = u"оеаинтсрвлкмдпуяыьгзбчйхжшюцщэфъё";
  static constexpr int kWeights[] = {110, 85, 80, 74, 67, 63, 55, 47, 45, 44, 35, 32, 30, 28, 26, 20, 19,
                                     17, 17, 16, 16, 15, 12, 10, 9, 7, 6, 5, 4, 3, 3, 2, 1};
  static_assert(std::size(kWeights) == kLetters.size());
  std::array<std::size_t, 128> count{};
  for (const char b : bytes) {
    if (static_cast<unsigned char>(b) >= 0x80) ++count[static_cast<unsigned char>(b) - 0x80];
  }
  Encoding best = Encoding::latin1;
  long best_score = 0;
  for (const Encoding e : {Encoding::cp1251, Encoding::koi8r, Encoding::cp866}) {
    const char16_t* half = upper_half(e);
    long score = 0;
    for (std::size_t i = 0; i < 128; ++i) {
      if (count[i] == 0) continue;
      const char16_t c = half[i];
      const bool upper = (c >= 0x0410 && c <= 0x042F) || c == 0x0401;
      const char16_t lower = c == 0x0401 ? 0x0451 : upper ? static_cast<char16_t>(c + 0x20) : c;
      const std::size_t at = kLetters.find(lower);
      // Letters count by how common they are, in either case; anything that
      // is no letter counts against.
      if (at == std::u16string_view::npos) {
        score -= 40 * static_cast<long>(count[i]);
      } else {
        score += kWeights[at] * static_cast<long>(count[i]);
      }
    }
    if (score > best_score) {
      best_score = score;
      best = e;
    }
  }
  return best;
}

void Utf16Decoder::unit(char16_t u, std::string& out) {
  if (high_ != 0) {
    const char16_t high = high_;
    high_ = 0;
    if (is_low(u)) {
      const char16_t pair[2] = {high, u};
      append_utf8(out, std::u16string_view(pair, 2));
      return;
    }
    append_utf8(out, std::u16string_view(&kReplacement, 1));
  }
  if (is_high(u)) {
    high_ = u;
    return;
  }
  append_utf8(out, std::u16string_view(is_low(u) ? &kReplacement : &u, 1));
}

void Utf16Decoder::decode(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  if (carry_ >= 0 && !bytes.empty()) {
    const auto b = static_cast<unsigned char>(bytes[0]);
    unit(static_cast<char16_t>(big_endian_ ? (carry_ << 8) | b : (b << 8) | carry_), out);
    carry_ = -1;
    i = 1;
  }
  for (; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    unit(static_cast<char16_t>(big_endian_ ? (a << 8) | b : (b << 8) | a), out);
  }
  if (i < bytes.size()) carry_ = static_cast<unsigned char>(bytes[i]);
}

void Utf16Decoder::finish(std::string& out) {
  if (high_ != 0 || carry_ >= 0) append_utf8(out, std::u16string_view(&kReplacement, 1));
  high_ = 0;
  carry_ = -1;
}

void append_utf16_bytes(std::string& out, std::string_view utf8, bool big_endian) {
  const std::u16string text = utf8_to_utf16(utf8);
  const std::size_t at = out.size();
  out.resize(at + text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    out[at + 2 * i + (big_endian ? 1 : 0)] = static_cast<char>(u & 0xFF);
    out[at + 2 * i + (big_endian ? 0 : 1)] = static_cast<char>(u >> 8);
  }
}

}  // namespace engine
