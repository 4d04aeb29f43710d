#include "tapegen/read_input.hpp"

#include "tapegen/image.hpp"

namespace tapegen {

ReadResult read_input(const ReadBlock& read, std::vector<std::uint8_t>& data, std::size_t limit) {
  data.clear();
  data.resize(limit + 1);
  std::size_t filled = 0;
  while (filled < data.size()) {
    const long n = read(data.data() + filled, data.size() - filled);
    if (n < 0) {
      data.resize(filled);
      return ReadResult::error;
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  data.resize(filled);
  return filled > limit ? ReadResult::too_large : ReadResult::ok;
}

}  // namespace tapegen
