// The encoding of a text file, told by its byte order mark, and the way back.
//
// A file is UTF-8 unless it starts with a byte order mark: EF BB BF (UTF-8),
// FF FE (UTF-16, little-endian) or FE FF (UTF-16, big-endian). The mark is not
// part of the text; whoever writes the text back writes the same mark and
// encoding. UTF-16 text is turned into UTF-8 for the line reader, two bytes
// at a time across any cut of the input (a lone surrogate or an odd last byte
// becomes U+FFFD), and back into UTF-16 on output.
#pragma once

#include <string>
#include <string_view>

namespace engine {

enum class Encoding { utf8, utf8_bom, utf16le, utf16be };

// The encoding the first bytes of a file announce. `first` must hold at least
// three bytes unless the file is shorter.
Encoding detect_encoding(std::string_view first);

// The byte order mark of the encoding ("" for plain UTF-8).
std::string_view byte_order_mark(Encoding encoding);

const char* encoding_name(Encoding encoding);

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
