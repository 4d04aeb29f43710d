// asmconv: the translation engine on the command line.
//
// Argument parsing and file I/O only; every translation decision is the engine's.
// Exit status: 0 done; 1 with --check when a line was marked not convertible;
// 2 on a usage error or an input or output that cannot be read or written.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/line_reader.hpp"
#include "engine/pipeline.hpp"
#include "engine/utf.hpp"

namespace {

constexpr const char* kHelp =
    "usage: asmconv (--to-8080 | --to-z80) [options] [FILE]\n"
    "\n"
    "Translates assembly source line by line: --to-8080 reads Z80 mnemonics and\n"
    "writes 8080 mnemonics, --to-z80 the other way. A line with no equivalent comes\n"
    "out marked \"; cannot convert:\" (--to-8080) or \";Cannot convert:\" (--to-z80).\n"
    "\n"
    "FILE is read as UTF-8 (ill-formed bytes become U+FFFD); without FILE, or with\n"
    "\"-\", standard input is read. CR LF, LF, a lone CR and a zero byte end a line.\n"
    "The output has one line per input line, in UTF-8, with CR LF line ends if the\n"
    "input's first line end was CR LF and LF otherwise.\n"
    "\n"
    "options:\n"
    "  -o OUT     write to OUT instead of standard output (replaced only when complete)\n"
    "  --check    print \"N lines, M not convertible\" on standard error and exit\n"
    "             with status 1 if any line was marked\n"
    "  --explain  print on standard error, for each line, its number and how it was\n"
    "             decided, e.g. \"12: rule 21 rewrite\"\n"
    "  --help     show this text\n"
    "\n"
    "exit status: 0 done, 1 marked lines found (--check), 2 error\n";

struct Options {
  bool to_8080 = false;
  bool to_z80 = false;
  bool check = false;
  bool explain = false;
  engine::Options engine;
  std::string input = "-";
  std::string output;  // empty: standard output
};

int fail(const std::string& message) {
  std::fprintf(stderr, "asmconv: %s\n", message.c_str());
  return 2;
}

// Returns an error message, or an empty text when the options are good.
std::string parse(int argc, char** argv, Options& o, bool& help) {
  bool have_input = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--to-8080") {
      o.to_8080 = true;
    } else if (arg == "--to-z80") {
      o.to_z80 = true;
    } else if (arg == "--check") {
      o.check = true;
    } else if (arg == "--explain") {
      o.explain = true;
    } else if (arg == "--jr-as-jump") {
      o.engine.jr_as_jump = true;
    } else if (arg == "-o") {
      if (i + 1 >= argc) return "-o needs a file name";
      o.output = argv[++i];
      if (o.output.empty()) return "-o needs a file name";
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + std::string(arg) + " (see --help)";
    } else if (have_input) {
      return "more than one input file (see --help)";
    } else {
      o.input = arg;
      have_input = true;
    }
  }
  if (help) return {};
  if (o.to_8080 == o.to_z80) return "say either --to-8080 or --to-z80 (see --help)";
  return {};
}

// The bytes to translate: a regular file is mapped, anything else (a pipe,
// standard input) is read to its end.
class Input {
 public:
  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input() {
    if (mapped_ != nullptr) ::munmap(mapped_, size_);
  }

  // Returns an error text, or an empty one.
  std::string open(const std::string& name) {
    const bool standard = name == "-";
    const int fd = standard ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string shown = standard ? std::string("standard input") : name;
    if (fd < 0) return "cannot read " + shown + ": " + std::strerror(errno);
    std::string error;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      size_ = static_cast<std::size_t>(st.st_size);
      void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        ::madvise(p, size_, MADV_SEQUENTIAL);
        mapped_ = p;
      }
    }
    if (mapped_ == nullptr && !read_to_end(fd)) error = "cannot read " + shown + ": " + std::strerror(errno);
    if (!standard) ::close(fd);
    return error;
  }

  std::string_view bytes() const {
    return mapped_ != nullptr ? std::string_view(static_cast<const char*>(mapped_), size_) : read_;
  }

 private:
  bool read_to_end(int fd) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      read_.append(buffer, static_cast<std::size_t>(n));
    }
  }

  void* mapped_ = nullptr;
  std::size_t size_ = 0;
  std::string read_;
};

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Where the translation goes: standard output, or a temporary file in the
// output's folder that replaces the output only once it is complete, so a
// failed run leaves the output as it was.
class Output {
 public:
  Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
  }

  // Returns an error text, or an empty one.
  std::string open(const std::string& path) {
    if (path.empty()) {
      shown_ = "standard output";
      return {};
    }
    namespace fs = std::filesystem;
    shown_ = path;
    std::error_code ec;
    target_ = fs::weakly_canonical(fs::path(path), ec);
    if (ec) target_ = path;
    temp_ = (target_.parent_path() / (target_.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
      temp_.clear();
      return "cannot write " + shown_ + ": " + std::strerror(errno);
    }
    struct stat st {};
    mode_t mode;
    if (::stat(target_.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(fd_, mode);
    return {};
  }

  std::string& buffer() { return buffer_; }

  // Writes the buffer out once it holds a megabyte.
  bool flush_if_full() { return buffer_.size() < (1 << 20) || flush(); }

  bool flush() {
    const bool ok = failed_ == 0 && write_all(fd_, buffer_);
    if (!ok && failed_ == 0) failed_ = errno != 0 ? errno : EIO;
    buffer_.clear();
    return ok;
  }

  // Returns an error text, or an empty one.
  std::string finish() {
    flush();
    if (temp_.empty()) {
      return failed_ == 0 ? std::string() : "cannot write " + shown_ + ": " + std::strerror(failed_);
    }
    if (::close(fd_) != 0 && failed_ == 0) failed_ = errno;
    if (failed_ == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) failed_ = errno;
    if (failed_ != 0) return "cannot write " + shown_ + ": " + std::strerror(failed_);
    temp_.clear();  // in place: nothing to remove
    return {};
  }

 private:
  int fd_ = STDOUT_FILENO;
  std::string shown_;
  std::filesystem::path target_;
  std::string temp_;
  std::string buffer_;
  int failed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (const std::string error = parse(argc, argv, options, help); !error.empty()) {
    return fail(error);
  }
  if (help) {
    std::fputs(kHelp, stdout);
    return 0;
  }

  Input input;
  if (const std::string error = input.open(options.input); !error.empty()) return fail(error);
  Output output;
  if (const std::string error = output.open(options.output); !error.empty()) return fail(error);

  const auto translate =
      options.to_8080 ? engine::translate_z80_to_8080 : engine::translate_8080_to_z80;
  // The output's line ends are those of the input's first line end.
  const std::string_view bytes = input.bytes();
  const std::size_t first_end = bytes.find_first_of(std::string_view("\r\n\0", 3));
  const bool crlf = first_end != std::string_view::npos && bytes.substr(first_end, 2) == "\r\n";
  const std::string_view line_end = crlf ? "\r\n" : "\n";

  std::string explanation;
  std::size_t lines = 0;
  std::size_t marked = 0;
  bool pending_end = false;  // the last line's end, written once the next line comes
  const engine::LineEnds ends = engine::for_each_line(bytes, [&](std::u16string_view line) {
    std::string& out = output.buffer();
    if (pending_end) out += line_end;
    const engine::Translation t = translate(line, options.engine);
    engine::append_utf8(out, t.text);
    pending_end = true;
    ++lines;
    if (engine::is_not_convertible(t.outcome)) ++marked;
    if (options.explain) explanation += std::to_string(lines) + ": " + engine::describe(t.outcome) + "\n";
    output.flush_if_full();
  });
  // A last line without a line end in the input has none in the output either.
  if (pending_end && ends.ends_with_line_end) output.buffer() += line_end;
  if (const std::string error = output.finish(); !error.empty()) return fail(error);
  if (options.explain) write_all(STDERR_FILENO, explanation);
  if (options.check) {
    std::fprintf(stderr, "%zu lines, %zu not convertible\n", lines, marked);
    return marked > 0 ? 1 : 0;
  }
  return 0;
}
