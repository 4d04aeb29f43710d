#include "tapegen/image.hpp"

namespace tapegen {
namespace {

void put_two_bytes(std::vector<std::uint8_t>& out, std::int32_t value) {
  out.push_back(static_cast<std::uint8_t>((value / 256) & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::int32_t parse_address(std::string_view text) {
  std::uint64_t value = 0;
  for (char c : text) {
    const int d = hex_digit(c);
    if (d < 0) break;
    value = value * 16 + static_cast<std::uint64_t>(d);
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string output_name(std::string_view input) {
  const std::size_t name_start = input.rfind('/') == std::string_view::npos ? 0 : input.rfind('/') + 1;
  const std::size_t dot = input.rfind('.');
  if (dot == std::string_view::npos || dot < name_start) return std::string(input) + ".rku";
  return std::string(input.substr(0, dot + 1)) + "rku";
}

std::vector<std::uint8_t> make_image(std::int32_t start, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> image;
  image.reserve(data.size() + 9);
  const auto end = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(static_cast<std::int64_t>(start) + static_cast<std::int64_t>(data.size()) - 1));
  put_two_bytes(image, start);
  put_two_bytes(image, end);
  std::uint32_t checksum = 0;
  for (std::uint8_t b : data) checksum += b;
  image.insert(image.end(), data.begin(), data.end());
  image.insert(image.end(), {0x00, 0x00, 0xE6});
  put_two_bytes(image, static_cast<std::int32_t>(checksum));
  return image;
}

}  // namespace tapegen
