// The yardstick for asmconv's speed: copies a file line by line, finding each
// line end with one memchr, in blocks as asmconv reads and writes them.
// Usage: line_copy FILE > OUT
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = ::open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  std::vector<char> block(1 << 20);
  std::string text, out;
  std::size_t lines = 0;
  for (;;) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n <= 0) break;
    text.append(block.data(), static_cast<std::size_t>(n));
    const char* p = text.data();
    const char* end = p + text.size();
    while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
      const char* e = static_cast<const char*>(found) + 1;
      out.append(p, static_cast<std::size_t>(e - p));
      p = e;
      ++lines;
    }
    text.erase(0, static_cast<std::size_t>(p - text.data()));
    if (out.size() >= (1u << 20)) {
      if (::write(STDOUT_FILENO, out.data(), out.size()) < 0) return 1;
      out.clear();
    }
  }
  out += text;
  if (!out.empty() && ::write(STDOUT_FILENO, out.data(), out.size()) < 0) return 1;
  return lines > 0 || !text.empty() ? 0 : 0;
}
