// Reading the data to wrap (or an image): all of it, in large blocks, never
// more than one byte beyond the limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tapegen/image.hpp"

namespace tapegen {

// Reads up to size bytes into buffer: the count read, 0 at the end of the data,
// or a negative number on a read error.
using ReadBlock = std::function<long(std::uint8_t* buffer, std::size_t size)>;

enum class ReadResult { ok, error, too_large };

// Fills data with everything read reports until its end. Stops with too_large
// as soon as more than `limit` bytes have come (data then holds limit + 1
// bytes), and with error at the first failed read (data then holds what came
// before it).
ReadResult read_input(const ReadBlock& read, std::vector<std::uint8_t>& data, std::size_t limit = kMaxData);

}  // namespace tapegen
