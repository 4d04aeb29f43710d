// Reading the data to wrap (or an image): all of it, in large blocks, never
// more than one byte beyond the limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fileio/status.hpp"
#include "tapegen/image.hpp"

namespace tapegen {

// Reads up to size bytes into buffer: the count read, 0 at the end of the data,
// or minus the errno on a read error.
using ReadBlock = std::function<long(std::uint8_t* buffer, std::size_t size)>;

// Fills data with everything read reports until its end; `name` names the
// input in a failure. Fails with Refusal::too_large as soon as more than
// `limit` bytes have come (data then holds limit + 1 bytes), and with the
// errno of the first failed read (data then holds what came before it).
fileio::Status read_input(const ReadBlock& read, const std::string& name, std::vector<std::uint8_t>& data,
                          std::size_t limit = kMaxData);

}  // namespace tapegen
