#include "cli/verify_files.hpp"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/line_reader.hpp"
#include "engine/text.hpp"
#include "engine/text_encoding.hpp"
#include "engine/verify.hpp"
#include "fileio/safe_file.hpp"

namespace cli {
namespace {

// The lines of a file.
fileio::Status read_file(const std::string& name, std::vector<std::u16string>& lines) {
  const auto failed = [&] { return fileio::Status(fileio::Status::Action::read, name, errno != 0 ? errno : EIO); };
  errno = 0;
  std::ifstream in(name, std::ios::binary);
  if (!in) return failed();
  std::error_code error;
  if (std::filesystem::is_directory(name, error)) return fileio::Status(fileio::Status::Action::read, name, EISDIR);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return failed();
  std::string text = std::move(bytes).str();
  const engine::Encoding encoding = engine::detect_encoding(text);
  const std::size_t mark = engine::byte_order_mark(encoding).size();
  if (encoding == engine::Encoding::utf16le || encoding == engine::Encoding::utf16be) {
    engine::Utf16Decoder decoder(encoding == engine::Encoding::utf16be);
    std::string utf8;
    decoder.decode(std::string_view(text).substr(mark), utf8);
    decoder.finish(utf8);
    text = std::move(utf8);
  } else {
    text.erase(0, mark);
  }
  lines = engine::read_lines(text).lines;
  return {};
}

// A line as shown in a report: blanks made single spaces, trimmed, cut after
// 200 characters (as asmconv's other reports cut statements).
std::string shown(std::u16string_view line) {
  constexpr std::size_t kLongest = 200;
  std::u16string text = engine::normalize_blanks(line);
  while (!text.empty() && text.back() == u' ') text.pop_back();
  std::size_t from = 0;
  while (from < text.size() && text[from] == u' ') ++from;
  const std::u16string_view view = std::u16string_view(text).substr(from);
  return engine::utf16_to_utf8(view.substr(0, kLongest)) + (view.size() > kLongest ? "..." : "");
}

}  // namespace

std::string verify_files(engine::Direction direction, const std::string& source, const std::string& translation,
                         const engine::Options& options, std::string& diagnostics, ProofCounts& counts) {
  std::vector<std::u16string> a, b;
  if (const fileio::Status read = read_file(source, a); !read.ok()) return read.message();
  if (const fileio::Status read = read_file(translation, b); !read.ok()) return read.message();
  counts.lines = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < counts.lines; ++i) {
    engine::LineProof proof;
    if (i >= a.size()) {
      proof = {engine::Proof::unproven, "no source line"};
    } else if (i >= b.size()) {
      proof = {engine::Proof::unproven, "no translated line"};
    } else {
      proof = engine::verify_line(direction, a[i], b[i], options);
    }
    ++counts.proofs[static_cast<int>(proof.proof)];
    if (proof.proof != engine::Proof::unproven) continue;
    diagnostics += source + ":" + std::to_string(i + 1) + ": unproven: " + (i < a.size() ? shown(a[i]) : "") +
                   " -> " + (i < b.size() ? shown(b[i]) : "") + " (" + proof.reason + ")\n";
  }
  return {};
}

std::string proof_summary(std::size_t lines, const std::size_t (&proofs)[4]) {
  using engine::Proof;
  const auto n = [&](Proof p) { return std::to_string(proofs[static_cast<int>(p)]); };
  return std::to_string(lines) + " lines: " + n(Proof::proven) + " proven, " + n(Proof::passed) + " passed, " +
         n(Proof::marked) + " marked, " + n(Proof::unproven) + " unproven";
}

}  // namespace cli
