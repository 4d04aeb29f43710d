// RKU tape images: pure functions over bytes and names.
//
// An image is: start address, end address (two bytes each), the data unchanged,
// 00 00 E6 (the sync byte), and the checksum (the sum of the data bytes). Every
// two-byte value is written high byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tapegen {

// The largest data an image can describe with 16-bit addresses.
inline constexpr std::size_t kMaxData = 65536;
// The largest image: a 4-byte header, kMaxData bytes and a 5-byte trailer.
inline constexpr std::size_t kMaxImage = kMaxData + 9;

// A load address: hexadecimal digits, optionally followed by "h" or "H"
// ("8000", "8000h") or preceded by "0x", "$" or "#"; at most FFFF. Anything
// else (a sign, a blank, other letters, no digits) is no address.
std::optional<std::uint16_t> parse_address(std::string_view text);

// How many bytes an image loaded at start can hold: up to address FFFF.
constexpr std::size_t capacity(std::uint16_t start) { return 0x10000 - start; }

// The input name with the part after the last dot of its file name replaced by
// "rku", or ".rku" appended when the file name has no dot. Dots in folder names
// do not count: "old.dir/prog" gives "old.dir/prog.rku".
std::string output_name(std::string_view input);

// The whole image for data loaded at start. The end address is start + size - 1
// modulo 65536: tapegen only writes 1 to capacity(start) bytes, which end at
// FFFF at the latest.
std::vector<std::uint8_t> make_image(std::uint16_t start, std::span<const std::uint8_t> data);

// The sum of the bytes, modulo 65536: the checksum the machine's loader shows.
std::uint16_t checksum(std::span<const std::uint8_t> data);

// What an image says of itself.
struct ImageInfo {
  std::uint16_t start = 0, end = 0;
  std::size_t length = 0;           // data bytes between header and trailer
  std::uint16_t checksum = 0;       // of those bytes
  std::uint16_t stored_checksum = 0;
  bool sync = false;                // the trailer starts 00 00 E6
  // The addresses cover exactly the data, the trailer is in place and the
  // stored checksum is the data's.
  bool consistent() const;
};

// An image's header, data and trailer; nothing if it is shorter than 10 bytes.
std::optional<ImageInfo> read_image(std::span<const std::uint8_t> image);

// "prog.rku: load 0100-0102, 3 bytes, checksum 0006"
std::string describe(std::string_view name, const ImageInfo& info);

}  // namespace tapegen
