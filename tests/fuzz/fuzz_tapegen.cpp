// libFuzzer target: tapegen's address and output-name rules and its image.
#include <cstdlib>
#include <string>

#include "tapegen/image.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The address is the value of the leading hex digits modulo 2^32: the last
  // eight of them decide it.
  const std::size_t digits = text.find_first_not_of("0123456789abcdefABCDEF");
  const std::string hex = text.substr(0, digits);
  const std::string last8 = hex.size() > 8 ? hex.substr(hex.size() - 8) : hex;
  const auto want = static_cast<std::uint32_t>(last8.empty() ? 0 : std::stoul(last8, nullptr, 16));
  if (static_cast<std::uint32_t>(tapegen::parse_address(text)) != want) std::abort();

  // The name keeps its folders and gets "rku" after the last dot of the file name.
  const std::string out = tapegen::output_name(text);
  const std::size_t slash = text.rfind('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  if (out.compare(0, name, text, 0, name) != 0) std::abort();
  if (out.size() < 3 || out.compare(out.size() - 3, 3, "rku") != 0) std::abort();
  const std::size_t dot = text.rfind('.');
  if (dot != std::string::npos && dot >= name && out != text.substr(0, dot + 1) + "rku") std::abort();
  if ((dot == std::string::npos || dot < name) && out != text + ".rku") std::abort();

  // The image: header, the data, the trailer.
  const std::span<const std::uint8_t> bytes(data, std::min(size, tapegen::kMaxData));
  const auto image = tapegen::make_image(tapegen::parse_address(text), bytes);
  if (image.size() != bytes.size() + 9 || image[bytes.size() + 6] != 0xE6) std::abort();
  if (!std::equal(bytes.begin(), bytes.end(), image.begin() + 4)) std::abort();
  return 0;
}
