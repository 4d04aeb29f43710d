// libFuzzer target: tapegen's address and output-name rules and its image.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tapegen/image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // An address, once read, reads the same in every spelling; nothing above FFFF.
  if (const auto address = tapegen::parse_address(text)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", *address);
    for (const std::string& spelling : {std::string(hex), std::string(hex) + "h", "0x" + std::string(hex), "$" + std::string(hex)}) {
      if (tapegen::parse_address(spelling) != address) std::abort();
    }
  }

  // The name keeps its folders and gets "rku" after the last dot of the file name.
  const std::string out = tapegen::output_name(text);
  const std::size_t slash = text.rfind('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  if (out.compare(0, name, text, 0, name) != 0) std::abort();
  if (out.size() < 3 || out.compare(out.size() - 3, 3, "rku") != 0) std::abort();
  const std::size_t dot = text.rfind('.');
  if (dot != std::string::npos && dot >= name && out != text.substr(0, dot + 1) + "rku") std::abort();
  if ((dot == std::string::npos || dot < name) && out != text + ".rku") std::abort();

  // The image: header, the data, the trailer; read back, it is consistent.
  const std::uint16_t start = size > 1 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : 0;
  const std::span<const std::uint8_t> bytes(data, std::min(size, tapegen::capacity(start)));
  const auto image = tapegen::make_image(start, bytes);
  if (image.size() != bytes.size() + 9 || image[bytes.size() + 6] != 0xE6) std::abort();
  if (!std::equal(bytes.begin(), bytes.end(), image.begin() + 4)) std::abort();
  const auto info = tapegen::read_image(image);
  if (!bytes.empty() && (!info || !info->consistent() || info->start != start)) std::abort();
  return 0;
}
