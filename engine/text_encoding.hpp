// The encoding of a text file, told by its byte order mark, and the way back.
//
// A file is UTF-8 unless it starts with a byte order mark: EF BB BF (UTF-8),
// FF FE (UTF-16, little-endian) or FE FF (UTF-16, big-endian). The mark is not
// part of the text; whoever writes the text back writes the same mark and
// encoding. UTF-16 text is turned into UTF-8 for the line reader, two bytes
// at a time across any cut of the input (a lone surrogate or an odd last byte
// becomes U+FFFD), and back into UTF-16 on output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// The 8-bit code pages are for sources with Cyrillic (or other) comments:
// Windows-1251, KOI8-R, DOS 866, and ISO 8859-1 for anything else. A text in
// one of them comes back byte for byte: every byte value has a character.
enum class Encoding { utf8, utf8_bom, utf16le, utf16be, cp1251, koi8r, cp866, latin1 };

// The encoding the first bytes of a file announce. `first` must hold at least
// three bytes unless the file is shorter.
Encoding detect_encoding(std::string_view first);

// The byte order mark of the encoding ("" for plain UTF-8).
std::string_view byte_order_mark(Encoding encoding);

// The name shown to a user: "UTF-8", "Windows-1251", "KOI8-R" ...
const char* encoding_name(Encoding encoding);

// The encoding a user names: "utf-8", "cp1251" ("windows-1251"), "koi8-r",
// "cp866" ("ibm866"), "latin1" ("iso-8859-1"); any case. Nothing for others.
std::optional<Encoding> encoding_by_name(std::string_view name);
// The short name encoding_by_name reads ("utf-8", "cp1251" ...).
const char* encoding_short_name(Encoding encoding);

bool is_single_byte(Encoding encoding);
// Appends the bytes of an 8-bit text to out as UTF-8.
void decode_single_byte(Encoding encoding, std::string_view bytes, std::string& out);
// Appends UTF-8 text to out in the 8-bit encoding; a character it has no byte
// for becomes "?" (a translation writes only characters its input had, and
// ASCII).
void encode_single_byte(Encoding encoding, std::string_view utf8, std::string& out);

// The code page of an 8-bit text that is not UTF-8: the one of cp1251, KOI8-R
// and cp866 whose reading gives the most common Russian letters (the other
// readings give rare letters and box drawings), or latin1 when the bytes read
// as no Cyrillic text in any of them.
Encoding guess_single_byte(std::string_view bytes);

// UTF-16 bytes -> UTF-8, piece by piece.
class Utf16Decoder {
 public:
  explicit Utf16Decoder(bool big_endian) : big_endian_(big_endian) {}
  // Appends the UTF-8 form of the bytes to out; a unit or surrogate pair cut
  // by the end of `bytes` is finished by the next call.
  void decode(std::string_view bytes, std::string& out);
  // Ends the text: what is left unfinished becomes U+FFFD.
  void finish(std::string& out);

 private:
  void unit(char16_t u, std::string& out);
  bool big_endian_;
  int carry_ = -1;           // a byte waiting for its partner
  char16_t high_ = 0;        // a high surrogate waiting for its low one
};

// Appends UTF-8 text to out as UTF-16 bytes of the given order.
void append_utf16_bytes(std::string& out, std::string_view utf8, bool big_endian);

}  // namespace engine
