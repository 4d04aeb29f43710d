#include "tapegen/image.hpp"

#include <cstdio>

namespace tapegen {
namespace {

void put_two_bytes(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint16_t> parse_address(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
  } else if (text.starts_with("$") || text.starts_with("#")) {
    text.remove_prefix(1);
  } else if (text.ends_with("h") || text.ends_with("H")) {
    text.remove_suffix(1);
  }
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    const int d = hex_digit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(d);
    if (value > 0xFFFF) return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

std::uint16_t checksum(std::span<const std::uint8_t> data) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : data) sum += b;
  return static_cast<std::uint16_t>(sum);
}

bool ImageInfo::consistent() const {
  return sync && checksum == stored_checksum && length > 0 && end >= start &&
         static_cast<std::size_t>(end - start) + 1 == length;
}

std::optional<ImageInfo> read_image(std::span<const std::uint8_t> image) {
  if (image.size() < 10) return std::nullopt;
  const auto two = [&](std::size_t at) { return static_cast<std::uint16_t>(image[at] << 8 | image[at + 1]); };
  ImageInfo info;
  info.start = two(0);
  info.end = two(2);
  info.length = image.size() - 9;
  info.checksum = checksum(image.subspan(4, info.length));
  const std::size_t trailer = 4 + info.length;
  info.sync = image[trailer] == 0x00 && image[trailer + 1] == 0x00 && image[trailer + 2] == 0xE6;
  info.stored_checksum = two(trailer + 3);
  return info;
}

std::string describe(std::string_view name, const ImageInfo& info) {
  char text[96];
  std::snprintf(text, sizeof text, ": load %04X-%04X, %zu bytes, checksum %04X", info.start, info.end, info.length,
                info.checksum);
  return std::string(name) + text;
}

std::string output_name(std::string_view input) {
  const std::size_t name_start = input.rfind('/') == std::string_view::npos ? 0 : input.rfind('/') + 1;
  const std::size_t dot = input.rfind('.');
  if (dot == std::string_view::npos || dot < name_start) return std::string(input) + ".rku";
  return std::string(input.substr(0, dot + 1)) + "rku";
}

std::vector<std::uint8_t> make_image(std::uint16_t start, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> image;
  image.reserve(data.size() + 9);
  put_two_bytes(image, start);
  put_two_bytes(image, static_cast<std::uint16_t>(start + data.size() - 1));
  image.insert(image.end(), data.begin(), data.end());
  image.insert(image.end(), {0x00, 0x00, 0xE6});
  put_two_bytes(image, checksum(data));
  return image;
}

}  // namespace tapegen
