#include "frontend/pane.hpp"

namespace frontend {

std::vector<std::u16string> Pane::all_lines() const {
  std::vector<std::u16string> lines;
  const std::size_t n = count_lines();
  lines.reserve(n);
  for (std::size_t i = 0; i < n; ++i) lines.push_back(get_line(i));
  return lines;
}

void Pane::replace_lines(std::span<const std::u16string> lines) {
  clear_pane();
  for (const auto& line : lines) append_line(line);
}

}  // namespace frontend
