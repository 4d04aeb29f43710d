// tapegen addr filename: writes filename's bytes as an RKU tape image.
//
// Files, messages and exit codes only; the image itself is image.cpp's. Exit
// status: 0 when the image was written, 1 after a file error, 2 after the usage
// message. Messages go to standard error. The image is written under a
// temporary name beside its final one and renamed into place only when it is
// complete, so a failure leaves no partial image, and the input is never
// written to, also when the output name leads to the input itself.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tapegen/image.hpp"
#include "tapegen/read_input.hpp"

namespace {

int fail(const std::string& message, int status) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return status;
}

bool write_all(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes the image beside `output` and renames it into place.
bool write_image(const std::string& output, const std::vector<std::uint8_t>& image) {
  std::string temp = output + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  bool ok = write_all(fd, image);
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), output.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  // A write beyond a file size limit must fail as a write error, not end the process.
  std::signal(SIGXFSZ, SIG_IGN);
  if (argc != 3) return fail("usage tapegen addr filename", 2);

  const std::int32_t start = tapegen::parse_address(argv[1]);
  const std::string input = argv[2];
  const std::string output = tapegen::output_name(input);

  const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat in_stat {};
  if (fd < 0 || ::fstat(fd, &in_stat) != 0) return fail("file read error:" + input, 1);

  std::vector<std::uint8_t> data;
  const tapegen::ReadResult read = tapegen::read_input(
      [fd](std::uint8_t* buffer, std::size_t size) -> long {
        ssize_t n;
        do {
          n = ::read(fd, buffer, size);
        } while (n < 0 && errno == EINTR);
        return n;
      },
      data);
  ::close(fd);
  if (read == tapegen::ReadResult::error) return fail("file read error:" + input, 1);
  if (read == tapegen::ReadResult::too_large) return fail("file too large:" + input, 1);

  // The output name may lead back to the input (its extension is already "rku",
  // or a link): never replace the input.
  struct stat out_stat {};
  if (::stat(output.c_str(), &out_stat) == 0 && out_stat.st_dev == in_stat.st_dev &&
      out_stat.st_ino == in_stat.st_ino) {
    return fail("file write error:" + output, 1);
  }
  if (!write_image(output, tapegen::make_image(start, data))) {
    return fail("file write error:" + output, 1);
  }
  return 0;
}
