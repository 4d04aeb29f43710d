#include "engine/text_encoding.hpp"

#include "engine/utf.hpp"

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
    case Encoding::utf8: break;
  }
  return {};
}

const char* encoding_name(Encoding encoding) {
  switch (encoding) {
    case Encoding::utf8_bom: return "UTF-8 with byte order mark";
    case Encoding::utf16le: return "UTF-16 LE";
    case Encoding::utf16be: return "UTF-16 BE";
    case Encoding::utf8: break;
  }
  return "UTF-8";
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
