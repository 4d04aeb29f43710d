// asmconv: the translation engine on the command line.
//
// Argument parsing and file handling only; every translation decision is the
// engine's, the reading, batching and writing translate_stream's.
// Exit status: 0 done; 1 with --check when a line was marked not convertible;
// 2 on a usage error or an input or output that cannot be read or written;
// 3 with --verify when a line is unproven (cli/verify_files.hpp).
// No output replaces an input of the run (fileio::check_target decides).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/translate_stream.hpp"
#include "cli/verify_files.hpp"
#include "engine/line_reader.hpp"
#include "engine/notation_detect.hpp"
#include "engine/verify.hpp"
#include "fileio/safe_file.hpp"

namespace {

constexpr const char* kHelp =
    "usage: asmconv [--to-8080 | --to-z80] [options] [FILE...]\n"
    "\n"
    "Translates assembly source line by line: --to-8080 reads Z80 mnemonics and\n"
    "writes 8080 mnemonics, --to-z80 the other way. A line with no equivalent comes\n"
    "out marked \"; cannot convert:\" (--to-8080) or \";Cannot convert:\" (--to-z80),\n"
    "followed by the line as it was written.\n"
    "\n"
    "Without --to-8080 or --to-z80 the direction follows from the mnemonics of the\n"
    "input's first 64 KiB (mov, mvi, jnz... against ld, jr, djnz...), and is told\n"
    "on standard error; an input whose notation is unclear is an error. With one,\n"
    "a file that looks like the other notation gets a warning.\n"
    "\n"
    "Without FILE, or with \"-\", standard input is read (from where it stands).\n"
    "Input is UTF-8, or UTF-8 or UTF-16 with a byte order mark, which the output\n"
    "keeps; a line that is not UTF-8 is 8-bit text and goes through byte for byte.\n"
    "CR LF, LF, a lone CR and a zero byte end a line. The output has one line per\n"
    "input line, ended as the input's first line is.\n"
    "\n"
    "options:\n"
    "  -o OUT         write to OUT (\"-\": standard output); one input only. A file is\n"
    "                 replaced only when complete, keeping its owner, group and\n"
    "                 mode, never when it is the input or one the user may not\n"
    "                 write; a device or FIFO is written into\n"
    "  -d DIR         write each FILE to DIR under its name with the extension of\n"
    "                 the other notation: .asm (--to-8080) or .z80 (--to-z80); a\n"
    "                 FILE whose output would replace an input, or that shares its\n"
    "                 output with another FILE, is not translated\n"
    "  --check        report each marked line on standard error as\n"
    "                 \"FILE:LINE: cannot convert: STATEMENT\", then \"N lines, M not\n"
    "                 convertible\"; exit with status 1 if a line was marked\n"
    "  --explain      print on standard error how each line was decided:\n"
    "                 \"FILE:LINE: rule 21 rewrite: ld a,b -> mov a,b\"\n"
    "  --verify      prove each line: source and translation must assemble alike;\n"
    "                 report each unproven line on standard error as \"FILE:LINE:\n"
    "                 unproven: SOURCE -> OUTPUT (reason)\", then \"N lines: P proven,\n"
    "                 Q passed, M marked, U unproven\"; exit with status 3 if a line\n"
    "                 is unproven\n"
    "  --against T    (with --verify and one FILE) do not translate: prove the\n"
    "                 existing translation T, line by line, against FILE\n"
    "  --jr-as-jump   (--to-8080) translate jr as jmp and jr cc as jcc: each grows\n"
    "                 by a byte; a target relative to $ stays marked\n"
    "  --encoding NAME  the input's 8-bit code page: cp1251, koi8-r, cp866 or latin1\n"
    "                 (or utf-8); the output is written in it. Without it, a line\n"
    "                 that is not UTF-8 goes through byte for byte all the same\n"
    "  --backslash-separator  a backslash separates statements, as \"!\" and \":\" do\n"
    "  --keep-layout  a rewritten statement keeps the columns and the case it was\n"
    "                 typed in: mnemonic, operands and comment stay where they\n"
    "                 were, and a line that needs no change is not changed at all\n"
    "  -j N           translate on N threads (default: one per processor; at most\n"
    "                 4 per processor, a larger N is cut to that)\n"
    "  --version      print the version\n"
    "  --help         show this text\n"
    "  --             end of options: every argument after it is a FILE\n"
    "\n"
    "exit status: 0 done, 1 marked lines found (--check), 2 error,\n"
    "3 unproven lines found (--verify)\n";

const char* const kOptions[] = {"--to-8080", "--to-z80", "--check",    "--explain",  "--jr-as-jump",
                                "--version", "--help",   "-o",         "-d",         "-j",
                                "--encoding", "--verify", "--against", "--backslash-separator",
                                "--keep-layout"};

struct Options {
  bool to_8080 = false, to_z80 = false, help = false, version = false;
  bool check = false, explain = false, verify = false;
  std::string against;  // --against: the translation to prove
  engine::Options engine;
  std::optional<engine::Encoding> encoding;
  unsigned threads = 0;
  std::vector<std::string> inputs;
  std::string output;  // empty: standard output
  std::string folder;  // -d
};

int fail(const std::string& message) {
  std::fprintf(stderr, "asmconv: %s\n", message.c_str());
  return 2;
}

std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

std::string unknown_option(std::string_view arg) {
  std::string message = "unknown option " + std::string(arg);
  const char* nearest = nullptr;
  std::size_t best = 4;
  for (const char* known : kOptions) {
    if (const std::size_t d = distance(arg, known); d < best) best = d, nearest = known;
  }
  return message + (nearest ? " (did you mean " + std::string(nearest) + "?)" : " (see --help)");
}

// Returns an error message, or an empty text when the options are good.
std::string parse(int argc, char** argv, Options& o) {
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (options_end || arg == "-" || arg.empty() || arg[0] != '-') {
      o.inputs.emplace_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "--to-8080") {
      o.to_8080 = true;
    } else if (arg == "--to-z80") {
      o.to_z80 = true;
    } else if (arg == "--check") {
      o.check = true;
    } else if (arg == "--explain") {
      o.explain = true;
    } else if (arg == "--verify") {
      o.verify = true;
    } else if (arg == "--against") {
      const char* v = value();
      if (v == nullptr || *v == '\0') return "--against needs a file name";
      o.against = v;
    } else if (arg == "--jr-as-jump") {
      o.engine.jr_as_jump = true;
    } else if (arg == "--backslash-separator") {
      o.engine.backslash_separates = true;
    } else if (arg == "--keep-layout") {
      o.engine.keep_layout = true;
    } else if (arg == "--encoding") {
      const char* v = value();
      o.encoding = v == nullptr ? std::nullopt : engine::encoding_by_name(v);
      if (!o.encoding) return "--encoding needs one of utf-8, cp1251, koi8-r, cp866, latin1";
    } else if (arg == "-o") {
      const char* v = value();
      if (v == nullptr || *v == '\0') return "-o needs a file name";
      if (!o.output.empty()) return "-o given twice; one output only";
      o.output = v;
    } else if (arg == "-d") {
      const char* v = value();
      if (v == nullptr || *v == '\0') return "-d needs a folder";
      if (!o.folder.empty()) return "-d given twice; one folder only";
      o.folder = v;
    } else if (arg == "-j" || (arg.starts_with("-j") && arg.size() > 2)) {
      const std::string n = arg.size() > 2 ? std::string(arg.substr(2)) : (i + 1 < argc ? argv[++i] : "");
      if (n.empty() || n.size() > 4 || n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1) {
        return "-j needs a number of threads from 1 to 9999";
      }
      o.threads = static_cast<unsigned>(std::stoi(n));
    } else {
      return unknown_option(arg);
    }
  }
  if (o.help || o.version) return {};
  if (o.to_8080 && o.to_z80) return "say either --to-8080 or --to-z80 (see --help)";
  if (o.inputs.empty()) o.inputs.emplace_back("-");
  if (!o.output.empty() && !o.folder.empty()) return "-o and -d exclude each other";
  if (!o.output.empty() && o.inputs.size() > 1) return "-o takes one input; use -d DIR for several";
  if (!o.folder.empty() && std::find(o.inputs.begin(), o.inputs.end(), "-") != o.inputs.end()) {
    return "-d needs file names, not standard input";
  }
  if (o.engine.jr_as_jump && o.to_z80) return "--jr-as-jump is for --to-8080";
  if (!o.against.empty() && (!o.verify || o.inputs.size() != 1 || o.inputs[0] == "-" || !o.output.empty() ||
                             !o.folder.empty())) {
    return "--against needs --verify and one source file, and writes no output";
  }
  return {};
}

// A first pass over a regular file, from where it stands: the macros it
// defines, so that calls before a definition are known too. Reads nothing
// from anything else (a pipe is read once, and learns as it goes), nor UTF-16
// (its bytes are no text until decoded: the stream learns those as it goes
// too): returns whether it learnt from the file.
bool learn_macros(int fd, engine::MacroNames& macros) {
  struct stat st {};
  const off_t start = ::lseek(fd, 0, SEEK_CUR);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || start < 0) return false;
  char mark[2] = {};
  if (::pread(fd, mark, 2, start) == 2) {
    const engine::Encoding e = engine::detect_encoding(std::string_view(mark, 2));
    if (e == engine::Encoding::utf16le || e == engine::Encoding::utf16be) return false;
  }
  constexpr std::size_t kBlock = 1 << 20;
  const auto block = std::make_unique_for_overwrite<char[]>(kBlock);  // unset: a short file touches little of it
  std::string text;
  for (off_t at = start;;) {
    const ssize_t n = ::pread(fd, block.get(), kBlock, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    at += n;
    text.append(block.get(), static_cast<std::size_t>(n));
    const std::size_t cut = text.find_last_of(std::string_view("\r\n\0", 3));
    if (cut == std::string::npos) continue;
    macros.learn_text(std::string_view(text).substr(0, cut));
    text.erase(0, cut + 1);
  }
  macros.learn_text(text);
  return true;
}

// How much of an input tells its notation.
constexpr std::size_t kSample = 64 << 10;

// The notation of an input's start. A regular file is read where it stands
// without moving its offset; anything else only when `keep` is given, which
// then holds what was read, to be translated first.
std::optional<engine::Notation> sniff_notation(int fd, std::string* keep) {
  std::string sample(kSample, '\0');
  struct stat st {};
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  ssize_t n = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && at >= 0) {
    n = ::pread(fd, sample.data(), sample.size(), at);
  } else if (keep != nullptr) {
    std::size_t got = 0;
    while (got < sample.size()) {
      const ssize_t r = ::read(fd, sample.data() + got, sample.size() - got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    n = static_cast<ssize_t>(got);
    keep->assign(sample, 0, got);
  }
  if (n <= 0) return std::nullopt;
  sample.resize(static_cast<std::size_t>(n));
  engine::NotationCount count;
  for (const std::u16string& line : engine::read_lines(sample).lines) count.add_line(line);
  return count.notation();
}

const char* notation_name(engine::Notation n) { return n == engine::Notation::z80 ? "Z80" : "8080"; }

// Translates one input to one output ("" or "-": standard output), never
// replacing a file of `keep` (the run's inputs). Returns the exit status it
// asks for (0, 1 or 2).
int translate_file(const Options& o, const std::string& input, const std::string& output,
                   std::span<const fileio::FileId> keep) {
  const bool standard_in = input == "-";
  const std::string shown = standard_in ? std::string("<stdin>") : input;
  const int fd = standard_in ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fail(fileio::Status(fileio::Status::Action::read, shown, errno).message());
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    if (!standard_in) ::close(fd);
    return fail(fileio::Status(fileio::Status::Action::read, shown, EISDIR).message());
  }

  // The direction: given, or told by the input.
  engine::Direction direction = o.to_z80 ? engine::Direction::i8080_to_z80 : engine::Direction::z80_to_8080;
  std::string head;  // read to tell the notation: translated first
  const bool detect = !o.to_8080 && !o.to_z80;
  const std::optional<engine::Notation> notation = sniff_notation(fd, detect ? &head : nullptr);
  if (detect) {
    if (!notation) {
      if (!standard_in) ::close(fd);
      return fail("say either --to-8080 or --to-z80: the notation of " + shown + " is not clear");
    }
    direction = *notation == engine::Notation::z80 ? engine::Direction::z80_to_8080 : engine::Direction::i8080_to_z80;
    std::fprintf(stderr, "asmconv: %s looks like %s source: translating to %s\n", shown.c_str(),
                 notation_name(*notation), *notation == engine::Notation::z80 ? "8080" : "Z80");
  } else if (notation && (*notation == engine::Notation::z80) != o.to_8080) {
    std::fprintf(stderr, "asmconv: warning: %s looks like %s source, not %s\n", shown.c_str(), notation_name(*notation),
                 o.to_8080 ? "Z80" : "8080");
  }

  fileio::SafeFile file;
  const bool to_stdout = output.empty() || output == "-";
  if (!to_stdout) {
    if (const fileio::Status opened = file.open(output, keep); !opened.ok()) {
      if (!standard_in) ::close(fd);
      return fail(opened.message());
    }
  }
  cli::StreamOptions so;
  so.direction = direction;
  so.engine = o.engine;
  so.encoding = o.encoding;
  so.threads = o.threads;
  so.check = o.check;
  so.explain = o.explain;
  so.verify = o.verify;
  so.name = shown;
  engine::MacroNames macros;
  so.macros_known = learn_macros(fd, macros) && head.empty();
  so.macros = &macros;
  fileio::Status out_status, diagnostics_status;  // a failed write to standard output or error
  const cli::StreamResult r = cli::translate_stream(
      [fd, &head, kept = std::size_t{0}](char* buffer, std::size_t size) mutable {
        if (kept < head.size()) {
          const std::size_t n = std::min(size, head.size() - kept);
          std::memcpy(buffer, head.data() + kept, n);
          kept += n;
          return static_cast<long>(n);
        }
        return static_cast<long>(::read(fd, buffer, size));
      },
      [&](std::string_view bytes) {
        if (!to_stdout) return file.write(bytes);  // commit reports a failure
        const fileio::Status written = fileio::write_all(STDOUT_FILENO, bytes, "standard output");
        if (out_status.ok()) out_status = written;  // the first failure is the one told
        return written.ok();
      },
      [&](std::string_view bytes) {
        const fileio::Status written = fileio::write_all(STDERR_FILENO, bytes, "standard error");
        if (diagnostics_status.ok()) diagnostics_status = written;
        return written.ok();
      },
      so);
  if (!standard_in) ::close(fd);
  // On every error below, the output file is discarded: the target stays as it was.
  if (!r.threads_error.empty()) return fail("cannot start threads: " + r.threads_error);
  if (!r.error.empty()) return fail("cannot read " + shown + ": " + r.error);
  if (!diagnostics_status.ok()) return fail(diagnostics_status.message());
  if (to_stdout && r.write_failed) return fail(out_status.message());
  if (!to_stdout) {
    if (const fileio::Status committed = file.commit(); !committed.ok()) return fail(committed.message());
  }
  if (o.check) {
    const std::string prefix = o.inputs.size() > 1 ? shown + ": " : std::string();
    std::fprintf(stderr, "%s%zu lines, %zu not convertible\n", prefix.c_str(), r.lines, r.marked);
  }
  if (o.verify) {
    const std::string prefix = o.inputs.size() > 1 ? shown + ": " : std::string();
    std::fprintf(stderr, "%s%s\n", prefix.c_str(), cli::proof_summary(r.lines, r.proofs).c_str());
    if (r.proofs[static_cast<int>(engine::Proof::unproven)] > 0) return 3;
  }
  return o.check && r.marked > 0 ? 1 : 0;
}

// Why each input is not translated: its output would replace an input of the
// run, or another input has the same output (-d). Per input, nothing when it
// is translated, else the message lines to print (none for an input that an
// earlier input's message names already).
std::vector<std::optional<std::string>> refusals(const Options& o, const std::vector<std::string>& outputs,
                                  const std::vector<fileio::FileId>& ids, const std::vector<std::string>& id_names) {
  std::vector<std::optional<std::string>> why(o.inputs.size());
  const auto shown = [](const std::string& input) { return input == "-" ? std::string("<stdin>") : input; };
  std::map<std::string, std::vector<std::size_t>> by_output;
  for (std::size_t i = 0; i < o.inputs.size(); ++i) {
    if (!o.folder.empty()) by_output[std::filesystem::path(outputs[i]).lexically_normal().string()].push_back(i);
  }
  for (const auto& [name, group] : by_output) {
    if (group.size() < 2) continue;
    for (const std::size_t i : group) why[i] = "";
    for (std::size_t k = 1; k < group.size(); ++k) {
      *why[group[0]] += "asmconv: " + o.inputs[group[0]] + " and " + o.inputs[group[k]] +
                        " would both be written to " + outputs[group[0]] + "; neither translated\n";
    }
  }
  for (std::size_t i = 0; i < o.inputs.size(); ++i) {
    if (why[i] || outputs[i].empty() || outputs[i] == "-") continue;
    const fileio::TargetCheck check = fileio::check_target(outputs[i], ids);
    if (check.verdict != fileio::TargetCheck::kept) continue;
    why[i] = o.folder.empty() ? "asmconv: " + outputs[i] + " is also the input; nothing written\n"
                              : "asmconv: " + outputs[i] + " would replace the input " + id_names[check.which] + "; " +
                                    shown(o.inputs[i]) + " not translated\n";
  }
  return why;
}

// --verify FILE --against TRANSLATION.
int verify_against(const Options& o) {
  // The direction: given, or told by the source as for a translation.
  engine::Direction direction = o.to_8080 ? engine::Direction::z80_to_8080 : engine::Direction::i8080_to_z80;
  if (!o.to_8080 && !o.to_z80) {
    std::optional<engine::Notation> notation;
    if (const int fd = ::open(o.inputs[0].c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
      notation = sniff_notation(fd, nullptr);
      ::close(fd);
    }
    if (!notation) return fail("say either --to-8080 or --to-z80: the notation of " + o.inputs[0] + " is not clear");
    direction = *notation == engine::Notation::z80 ? engine::Direction::z80_to_8080 : engine::Direction::i8080_to_z80;
    std::fprintf(stderr, "asmconv: %s looks like %s source: proving its %s translation\n", o.inputs[0].c_str(),
                 notation_name(*notation), *notation == engine::Notation::z80 ? "8080" : "Z80");
  }
  std::string diagnostics;
  cli::ProofCounts counts;
  const std::string error = cli::verify_files(direction, o.inputs[0], o.against, o.engine, diagnostics, counts);
  if (!error.empty()) return fail(error);
  std::fputs(diagnostics.c_str(), stderr);
  std::fprintf(stderr, "%s\n", cli::proof_summary(counts.lines, counts.proofs).c_str());
  return counts.proofs[static_cast<int>(engine::Proof::unproven)] > 0 ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  fileio::open_standard_descriptors();
  fileio::guard_signals("asmconv");
  Options options;
  if (const std::string error = parse(argc, argv, options); !error.empty()) return fail(error);
  if (options.help || options.version) {
    if (options.help) {
      std::fputs(kHelp, stdout);
    } else {
      std::printf("asmconv %s\n", Z80TOOLS_VERSION);
    }
    const fileio::Status flushed = fileio::finish_standard_output();
    return flushed.ok() ? 0 : fail(flushed.message());
  }
  // Threads beyond a few per processor only cost memory and time.
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  if (options.threads == 0) options.threads = processors;
  options.threads = std::min(options.threads, 4 * processors);
  // For measuring: ASMCONV_MEMORY=off translates every line and statement anew.
  if (const char* memory = std::getenv("ASMCONV_MEMORY"); memory != nullptr && std::string_view(memory) == "off") {
    engine::remember_translations(false);
    engine::remember_proofs(false);
  }

  if (!options.against.empty()) return verify_against(options);
  // The run's inputs, as files (compared by device and inode): no output may replace one.
  std::vector<fileio::FileId> ids;
  std::vector<std::string> id_names;
  for (const std::string& input : options.inputs) {
    const std::optional<fileio::FileId> id = input == "-" ? fileio::file_id(STDIN_FILENO) : fileio::file_id(input);
    if (id) ids.push_back(*id), id_names.push_back(input == "-" ? "<stdin>" : input);
  }
  std::vector<std::string> outputs;
  for (const std::string& input : options.inputs) {
    namespace fs = std::filesystem;
    bool to_8080 = options.to_8080;
    if (!options.folder.empty() && !options.to_8080 && !options.to_z80) {  // the extension follows the notation the file shows
      if (const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        to_8080 = sniff_notation(fd, nullptr) != engine::Notation::i8080;
        ::close(fd);
      }
    }
    outputs.push_back(options.folder.empty()
                          ? options.output
                          : (fs::path(options.folder) / fs::path(input).filename().replace_extension(
                                engine::file_extension(to_8080 ? engine::Notation::i8080 : engine::Notation::z80)))
                                .string());
  }
  // Standard output appended to an input would read back what it writes.
  if (std::find_if(outputs.begin(), outputs.end(), [](const std::string& out) { return out.empty() || out == "-"; }) !=
      outputs.end()) {
    if (const std::optional<fileio::FileId> out = fileio::file_id(STDOUT_FILENO)) {
      if (const auto found = std::find(ids.begin(), ids.end(), *out); found != ids.end()) {
        return fail("standard output is also the input " + id_names[static_cast<std::size_t>(found - ids.begin())] +
                    "; nothing written");
      }
    }
  }

  const std::vector<std::optional<std::string>> why = refusals(options, outputs, ids, id_names);
  int status = 0;
  for (std::size_t i = 0; i < options.inputs.size(); ++i) {
    if (why[i]) {
      std::fputs(why[i]->c_str(), stderr);
      status = 2;
      continue;
    }
    status = std::max(status, translate_file(options, options.inputs[i], outputs[i], ids));
  }
  return status;
}
