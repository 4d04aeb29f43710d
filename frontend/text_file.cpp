#include "frontend/text_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/line_end.hpp"
#include "engine/line_reader.hpp"
#include "engine/notation_detect.hpp"
#include "engine/utf.hpp"

namespace frontend {
namespace {

constexpr char16_t kParagraph = 0x2029;

void replace_all(std::u16string& text, std::u16string_view from, std::u16string_view to) {
  for (std::size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

bool is_utf16(engine::Encoding e) { return e == engine::Encoding::utf16le || e == engine::Encoding::utf16be; }

}  // namespace

bool looks_like_text(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return false;
  if (engine::is_utf8(bytes)) return true;
  // An 8-bit text (a cp1251 or KOI8-R comment) has few control characters
  // besides tab, line ends, form feed and CP/M's ^Z; a binary file has many.
  std::size_t controls = 0;
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ++controls;
  }
  return controls * 100 <= bytes.size();
}

TextFile text_from_bytes(std::string_view bytes, std::optional<engine::Encoding> forced) {
  TextFile file;
  file.format.encoding = engine::detect_encoding(bytes);
  bytes.remove_prefix(engine::byte_order_mark(file.format.encoding).size());
  std::string utf8;
  if (is_utf16(file.format.encoding)) {
    engine::Utf16Decoder decoder(file.format.encoding == engine::Encoding::utf16be);
    decoder.decode(bytes, utf8);
    decoder.finish(utf8);
    bytes = utf8;
  } else if (file.format.encoding == engine::Encoding::utf8 && (forced || !engine::is_utf8(bytes))) {
    file.format.encoding = forced ? *forced : engine::guess_single_byte(bytes);
    if (engine::is_single_byte(file.format.encoding)) {
      engine::decode_single_byte(file.format.encoding, bytes, utf8);
      bytes = utf8;
    }
  }
  if (const std::size_t end = engine::find_line_end(bytes); end < bytes.size()) {
    file.format.line_end = engine::line_end_spelling(bytes, end);
  }
  engine::ReadLines read = engine::read_lines(bytes);
  file.format.final_line_end = read.ends_with_line_end || bytes.empty();
  file.lines = std::move(read.lines);
  for (auto& line : file.lines) {
    if (line.find(kParagraph) != std::u16string::npos) replace_all(line, std::u16string_view(&kParagraph, 1), kParagraphStandIn);
  }
  return file;
}

ReadResult read_text_file(const std::string& path, bool accept_binary, std::optional<engine::Encoding> forced) {
  ReadResult result;
  const auto fail = [&](int error) {
    result.status = fileio::Status(fileio::Status::Action::read, path, error);
    return result;
  };
  const auto refuse = [&](fileio::Status::Refusal refusal) {
    result.status = fileio::Status(fileio::Status::Action::read, path, refusal);
    return result;
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(errno);
  if (S_ISDIR(st.st_mode)) return fail(EISDIR);
  if (!S_ISREG(st.st_mode)) return refuse(fileio::Status::Refusal::not_regular);
  if (static_cast<std::size_t>(st.st_size) > kLargestFile) return refuse(fileio::Status::Refusal::too_large);
  // Not blocking: should the name lead to a FIFO by now, the read fails at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return fail(errno);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return refuse(fileio::Status::Refusal::not_regular);
  }
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return fail(error);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kLargestFile) {
      ::close(fd);
      return refuse(fileio::Status::Refusal::too_large);
    }
  }
  ::close(fd);
  const engine::Encoding encoding = engine::detect_encoding(bytes);
  if (!accept_binary && !is_utf16(encoding) &&
      !looks_like_text(std::string_view(bytes).substr(engine::byte_order_mark(encoding).size()))) {
    return refuse(fileio::Status::Refusal::not_text);
  }
  result.file = text_from_bytes(bytes, forced);
  return result;
}

std::string describe_problem(const fileio::Status& status) {
  const std::string& path = status.path();
  switch (status.refusal()) {
    case fileio::Status::Refusal::not_regular: return path + " is not a regular file (a device, a FIFO or a socket).";
    case fileio::Status::Refusal::too_large: return path + " is larger than 64 MiB, more than a source pane holds.";
    case fileio::Status::Refusal::not_text: return path + " does not look like a text file.";
    default: break;
  }
  if (status.ok()) return {};
  if (status.error() == EISDIR) return path + " is a folder, not a file.";
  return "Cannot read " + path + ": " + status.reason() + ".";
}

std::string file_bytes(const std::vector<std::u16string>& lines, const FileFormat& format) {
  std::string utf8;
  std::u16string line;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    line = lines[i];
    if (line.find(kParagraphStandIn) != std::u16string::npos) {
      replace_all(line, kParagraphStandIn, std::u16string_view(&kParagraph, 1));
    }
    engine::append_utf8(utf8, line);
    if (i + 1 < lines.size() || format.final_line_end) utf8 += format.line_end;
  }
  std::string out(engine::byte_order_mark(format.encoding));
  if (is_utf16(format.encoding)) {
    engine::append_utf16_bytes(out, utf8, format.encoding == engine::Encoding::utf16be);
  } else if (engine::is_single_byte(format.encoding)) {
    engine::encode_single_byte(format.encoding, utf8, out);
  } else {
    out += utf8;
  }
  return out;
}

std::string converted_name(const std::string& other_file, bool to_8080) {
  if (other_file.empty()) return {};
  const auto notation = to_8080 ? engine::Notation::i8080 : engine::Notation::z80;
  std::filesystem::path name = std::filesystem::path(other_file).replace_extension(engine::file_extension(notation));
  if (name == other_file) name.replace_filename(name.stem().string() + (to_8080 ? "-8080" : "-z80") + name.extension().string());
  return name.string();
}

}  // namespace frontend
