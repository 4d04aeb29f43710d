#include "frontend/pane_commands.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "engine/line_reader.hpp"

namespace frontend {

std::vector<std::size_t> convert_pane(const Pane& source, Pane& target, Translator translate,
                                      const engine::Options& options) {
  const std::vector<std::u16string> lines = source.all_lines();
  std::vector<std::u16string> out;
  out.reserve(lines.size());
  std::vector<std::size_t> marked;
  for (const auto& line : lines) {
    engine::Translation t = translate(line, options);
    if (engine::is_not_convertible(t.outcome)) marked.push_back(out.size());
    out.push_back(std::move(t.text));
  }
  target.replace_lines(out);
  return marked;
}

bool load_file(const std::string& path, Pane& pane) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string bytes;
  char buffer[1 << 16];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (n < 0) return false;  // a read error (a folder, say): the pane keeps its text
  pane.replace_lines(engine::read_lines(bytes).lines);
  return true;
}

}  // namespace frontend
