#include "tapegen/read_input.hpp"

#include "tapegen/image.hpp"

namespace tapegen {

fileio::Status read_input(const ReadBlock& read, const std::string& name, std::vector<std::uint8_t>& data,
                          std::size_t limit) {
  data.clear();
  data.resize(limit + 1);
  std::size_t filled = 0;
  while (filled < data.size()) {
    const long n = read(data.data() + filled, data.size() - filled);
    if (n < 0) {
      data.resize(filled);
      return fileio::Status(fileio::Status::Action::read, name, static_cast<int>(-n));
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  data.resize(filled);
  if (filled > limit) return fileio::Status(fileio::Status::Action::read, name, fileio::Status::Refusal::too_large);
  return {};
}

}  // namespace tapegen
