// asmconv: the translation engine on the command line.
//
// Argument parsing and file I/O only; every translation decision is the engine's.
// Exit status: 0 done; 1 with --check when a line was marked not convertible;
// 2 on a usage error or an input or output that cannot be read or written.
#include <fcntl.h>
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

bool read_all(std::FILE* f, std::string& out) {
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  return !std::ferror(f);
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes data to path through a temporary file in the same folder that replaces
// path only once it is complete, so a failed write leaves path as it was.
std::string write_file(const std::string& path, std::string_view data) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = fs::weakly_canonical(fs::path(path), ec);
  if (ec) target = path;
  std::string temp = (target.parent_path() / (target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return "cannot write " + path + ": " + std::strerror(errno);
  struct stat st {};
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  bool ok = write_all(fd, data);
  const int write_errno = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return {};
  const int err = ok ? errno : write_errno;
  ::unlink(temp.c_str());
  return "cannot write " + path + ": " + std::strerror(err);
}

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

  std::string input;
  if (options.input == "-") {
    if (!read_all(stdin, input)) return fail("cannot read standard input");
  } else {
    std::FILE* f = std::fopen(options.input.c_str(), "rb");
    if (f == nullptr) return fail("cannot read " + options.input + ": " + std::strerror(errno));
    const bool ok = read_all(f, input);
    const int err = errno;
    std::fclose(f);
    if (!ok) return fail("cannot read " + options.input + ": " + std::strerror(err));
  }

  const auto translate =
      options.to_8080 ? engine::translate_z80_to_8080 : engine::translate_8080_to_z80;
  // The output's line ends are those of the input's first line end.
  const std::size_t first_end = input.find_first_of(std::string_view("\r\n\0", 3));
  const bool crlf = first_end != std::string::npos && input.compare(first_end, 2, "\r\n") == 0;
  const std::string_view line_end = crlf ? "\r\n" : "\n";

  std::string output;
  output.reserve(input.size() + input.size() / 4);
  std::string explanation;
  std::size_t lines = 0;
  std::size_t marked = 0;
  const engine::LineEnds ends = engine::for_each_line(input, [&](std::u16string_view line) {
    const engine::Translation t = translate(line);
    engine::append_utf8(output, t.text);
    output += line_end;
    ++lines;
    if (engine::is_not_convertible(t.outcome)) ++marked;
    if (options.explain) explanation += std::to_string(lines) + ": " + engine::describe(t.outcome) + "\n";
  });
  // A last line without a line end in the input has none in the output either.
  if (lines > 0 && !ends.ends_with_line_end) output.resize(output.size() - line_end.size());
  input = std::string();

  if (options.output.empty()) {
    if (!write_all(STDOUT_FILENO, output)) {
      return fail(std::string("cannot write standard output: ") + std::strerror(errno));
    }
  } else if (const std::string error = write_file(options.output, output); !error.empty()) {
    return fail(error);
  }
  if (options.explain) write_all(STDERR_FILENO, explanation);
  if (options.check) {
    std::fprintf(stderr, "%zu lines, %zu not convertible\n", lines, marked);
    return marked > 0 ? 1 : 0;
  }
  return 0;
}
