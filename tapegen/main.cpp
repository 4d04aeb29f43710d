// tapegen: writes a file's bytes as an RKU tape image, or reads an image back.
//
//   tapegen [-o OUT] [-v] ADDR FILE    FILE loaded at ADDR, written to OUT
//                                      (default: FILE with the extension "rku")
//   tapegen --info IMAGE               what an image holds, and whether it is whole
//
// Files, messages and exit codes only; the image itself is image.cpp's. Exit
// status: 0 when the image was written (or is consistent); 1 after a file
// error, data that does not fit, or an inconsistent image; 2 after a usage
// error or a bad address. Messages go to standard error and name the file and
// the system's reason; a run without -v says nothing when it succeeds. The
// image is written by fileio::SafeFile (complete or not at all), and never
// over the input, also when the output name leads back to it, nor over a file
// fileio::check_target refuses. "-o -" writes standard output.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/safe_file.hpp"
#include "tapegen/image.hpp"
#include "tapegen/read_input.hpp"

namespace {

// The fixed one-line answer to a wrong command line (the manual page quotes it);
// --help gives the whole synopsis.
constexpr const char* kUsage = "usage tapegen addr filename\n";
constexpr const char* kHelp =
    "usage: tapegen [-o OUT] [-v] ADDR FILE\n"
    "       tapegen --info IMAGE\n"
    "\n"
    "Writes FILE's bytes as an RKU tape image loaded at ADDR: start and end\n"
    "address, the data, 00 00 E6 and the checksum (the sum of the data bytes),\n"
    "each two-byte value high byte first. The image goes to FILE with its\n"
    "extension replaced by \"rku\", and never over FILE itself.\n"
    "\n"
    "ADDR is hexadecimal, 0000 to FFFF: 8000, 8000h, 0x8000, $8000 or #8000. The\n"
    "data must be 1 to 65536 bytes and end at FFFF at the latest.\n"
    "\n"
    "options:\n"
    "  -o OUT         write the image to OUT (\"-\": standard output; -v then prints\n"
    "                 on standard error). A file is replaced only when complete,\n"
    "                 keeping its owner, group and mode, never when the user may\n"
    "                 not write it\n"
    "  -v             after writing, print \"OUT: load 0100-0102, 3 bytes, checksum 0006\"\n"
    "  --info IMAGE   print the same line for an existing image, and whether its\n"
    "                 length and checksum are consistent (exit status 1 if not)\n"
    "  --version      print the version\n"
    "  --help         show this text\n"
    "\n"
    "exit status: 0 done, 1 file error (also standard output that cannot be\n"
    "written), data that does not fit or an inconsistent image, 2 usage error or\n"
    "bad address\n";

int fail(const std::string& message, int status) {
  std::fprintf(stderr, "tapegen: %s\n", message.c_str());
  return status;
}

// Reads a whole file (at most limit + 1 bytes: more is not a failure here, the
// caller tells by the size).
fileio::Status read_file(const std::string& name, std::vector<std::uint8_t>& data, struct stat& st,
                         std::size_t limit = tapegen::kMaxData) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fileio::Status(fileio::Status::Action::read, name, errno);
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fileio::Status(fileio::Status::Action::read, name, EISDIR);
  }
  const fileio::Status read = tapegen::read_input(
      [fd](std::uint8_t* buffer, std::size_t size) -> long {
        ssize_t n;
        do {
          n = ::read(fd, buffer, size);
        } while (n < 0 && errno == EINTR);
        return n < 0 ? -errno : n;
      },
      name, data, limit);
  ::close(fd);
  return read.refusal() == fileio::Status::Refusal::too_large ? fileio::Status() : read;
}

// Flushes standard output; status, or 1 when it could not be written.
int finish(int status) {
  const fileio::Status flushed = fileio::finish_standard_output();
  return flushed.ok() ? status : fail(flushed.message(), 1);
}

int info(const std::string& name) {
  std::vector<std::uint8_t> data;
  struct stat st {};
  if (const fileio::Status read = read_file(name, data, st, tapegen::kMaxImage); !read.ok()) return fail(read.message(), 1);
  const auto image = tapegen::read_image(data);
  if (!image || data.size() > tapegen::kMaxImage) {
    // Of a larger file only the first byte beyond an image's size was read.
    const std::string size = data.size() <= tapegen::kMaxImage ? std::to_string(data.size())
                             : S_ISREG(st.st_mode)           ? std::to_string(st.st_size)
                                                             : "more than " + std::to_string(tapegen::kMaxImage);
    return fail(name + " is no RKU image: it has " + size +
                    " bytes; an image has a 4-byte header, 1 to 65536 bytes of data and a 5-byte trailer",
                1);
  }
  std::string line = tapegen::describe(name, *image);
  if (image->consistent()) {
    std::printf("%s; consistent\n", line.c_str());
    return finish(0);
  }
  char why[160];
  const std::size_t covered = image->end >= image->start ? image->end - image->start + 1u : 0;
  std::snprintf(why, sizeof why, "; inconsistent: the addresses cover %zu bytes, the stored checksum is %04X%s",
                covered, image->stored_checksum, image->sync ? "" : ", no 00 00 E6 before it");
  std::printf("%s%s\n", line.c_str(), why);
  return finish(1);
}

}  // namespace

int main(int argc, char** argv) {
  fileio::open_standard_descriptors();
  fileio::guard_signals("tapegen");
  std::vector<std::string> args;
  std::string output;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(kHelp, stdout);
      return finish(0);
    }
    if (arg == "--version") {
      std::printf("tapegen %s\n", Z80TOOLS_VERSION);
      return finish(0);
    }
    if (arg == "--info") {
      if (argc != 3 || i != 1) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      return info(argv[2]);
    }
    if (arg == "-v") {
      verbose = true;
    } else if (arg == "-o") {
      if (i + 1 == argc || argv[i + 1][0] == '\0') return fail("-o needs a file name", 2);
      if (!output.empty()) return fail("-o given twice; one output only", 2);
      output = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      std::fprintf(stderr, "tapegen: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      args.emplace_back(arg);
    }
  }
  if (args.size() != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  const auto start = tapegen::parse_address(args[0]);
  if (!start) {
    return fail("bad address '" + args[0] + "': expected hexadecimal 0000-FFFF, e.g. 8000 or 8000h", 2);
  }
  const std::string& input = args[1];
  if (output.empty()) output = tapegen::output_name(input);

  std::vector<std::uint8_t> data;
  struct stat in_stat {};
  if (const fileio::Status read = read_file(input, data, in_stat); !read.ok()) return fail(read.message(), 1);
  const std::size_t fit = tapegen::capacity(*start);
  char range[64];
  std::snprintf(range, sizeof range, "at %04X an image holds 1 to %zu bytes (%04X-FFFF)", *start, fit, *start);
  if (data.empty()) return fail(input + " is empty; " + range, 1);
  if (data.size() > fit) {
    const std::string size = data.size() > tapegen::kMaxData ? "more than 65536" : std::to_string(data.size());
    return fail(input + " has " + size + " bytes; " + range, 1);
  }

  // The output may lead back to the input (its extension is already "rku", a
  // link, -o, standard output appended to it): never write over the input.
  const std::vector<fileio::FileId> keep = {fileio::FileId{in_stat.st_dev, in_stat.st_ino}};
  const bool to_stdout = output == "-";
  if (to_stdout ? fileio::file_id(STDOUT_FILENO) == keep[0]
                : fileio::check_target(output, keep).verdict == fileio::TargetCheck::kept) {
    return fail(to_stdout ? "standard output is the input file " + input + "; nothing written"
                          : output + " is the input file; choose another output with -o",
                1);
  }
  const std::vector<std::uint8_t> image = tapegen::make_image(*start, data);
  const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
  const fileio::Status written =
      to_stdout ? fileio::write_all(STDOUT_FILENO, bytes, "standard output") : fileio::write_file(output, bytes, keep);
  if (!written.ok()) return fail(written.message(), 1);
  if (verbose) {
    const std::string line = tapegen::describe(to_stdout ? "<stdout>" : output, *tapegen::read_image(image));
    std::fprintf(to_stdout ? stderr : stdout, "%s\n", line.c_str());
  }
  return finish(0);
}
