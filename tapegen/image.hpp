// RKU tape images: pure functions over bytes and names.
//
// An image is: start address, end address (two bytes each), the data unchanged,
// 00 00 E6 (the sync byte), and the checksum (the sum of the data bytes). Every
// two-byte value is written high byte first by one rule: the high byte is the low
// 8 bits of value / 256 (truncated toward zero), the low byte the low 8 bits of
// the value; so an end address of -1 (empty data at 0) is written 00 FF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tapegen {

// The largest data an image can describe with 16-bit addresses.
inline constexpr std::size_t kMaxData = 65536;

// Hexadecimal digits from the first character up to the first other character,
// accumulated in 64 bits; the low 32 bits are the address. No prefix, sign or
// blank is recognised: "0x8000" gives 0, "8000h" gives 0x8000, "" gives 0.
std::int32_t parse_address(std::string_view text);

// The input name with the part after the last dot of its file name replaced by
// "rku", or ".rku" appended when the file name has no dot. Dots in folder names
// do not count: "old.dir/prog" gives "old.dir/prog.rku".
std::string output_name(std::string_view input);

// The whole image for data loaded at start.
std::vector<std::uint8_t> make_image(std::int32_t start, std::span<const std::uint8_t> data);

}  // namespace tapegen
