#include "cli/stream_parts.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/line_end.hpp"

namespace cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;  // bytes per read
constexpr std::size_t kText = 6 << 20;   // the text's first capacity: a batch and the reads beyond it

bool is_utf16(engine::Encoding e) { return e == engine::Encoding::utf16le || e == engine::Encoding::utf16be; }

// The index just after the last line end in text[from, to), or 0. A CR as the
// very last byte of the text waits for what follows it (an LF or not).
std::size_t last_line_end(std::string_view text, std::size_t from, std::size_t to, bool at_end) {
  for (std::size_t e = to; e-- > from;) {
    const char c = text[e];
    if (!engine::is_line_end(c)) continue;
    if (c != '\r' || e + 1 < text.size() || at_end) return engine::after_line_end(text, e);
  }
  return 0;
}

}  // namespace

InputReader::InputReader(const ReadBlock& read, std::optional<engine::Encoding> code_page)
    : read_(read), code_page_(code_page), block_(std::make_unique_for_overwrite<char[]>(kBlock)) {
  // The text gets its size once: memory touched for the first time in every
  // batch would cost more than the translation.
  text_.reserve(kText);
}

bool InputReader::read_block(std::string& into) {
  long n;
  do {
    n = read_(block_.get(), kBlock);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  if (n == 0) at_end_ = true;
  into.append(block_.get(), static_cast<std::size_t>(n));
  return true;
}

void InputReader::decode() {
  if (utf16_) {
    utf16_->decode(raw_, text_);
    if (at_end_) utf16_->finish(text_);
  } else {
    engine::decode_single_byte(encoding_, raw_, text_);
  }
  raw_.clear();
}

bool InputReader::start() {
  while (text_.size() < 3 && !at_end_) {
    if (!read_block(text_)) return false;
  }
  encoding_ = engine::detect_encoding(text_);
  text_.erase(0, engine::byte_order_mark(encoding_).size());
  if (is_utf16(encoding_)) {
    utf16_ = std::make_unique<engine::Utf16Decoder>(encoding_ == engine::Encoding::utf16be);
  } else if (encoding_ == engine::Encoding::utf8 && code_page_ && engine::is_single_byte(*code_page_)) {
    encoding_ = *code_page_;
  } else {
    return true;
  }
  decoding_ = true;
  raw_.swap(text_);
  text_.clear();
  decode();
  return true;
}

bool InputReader::more() {
  if (!read_block(decoding_ ? raw_ : text_)) return false;
  if (decoding_) decode();
  return true;
}

Batch BatchCutter::next(std::string_view text, bool at_end) {
  Batch batch;
  const std::size_t limit = std::min(text.size(), limit_);
  if (limit > scanned_) batch.end = last_line_end(text, scanned_, limit, at_end);
  if (batch.end == 0 && text.size() > limit) {
    const std::size_t e = engine::find_line_end(text, std::max(scanned_, limit));
    if (e < text.size() && (text[e] != '\r' || e + 1 < text.size() || at_end)) {
      batch.end = engine::after_line_end(text, e);
      batch.long_line = true;
    }
  }
  if (batch.end == 0 && at_end && !text.empty()) {
    batch.end = text.size();
    batch.ended = false;
    batch.long_line = batch.end > limit_;
  }
  if (batch.end > 0) {
    scanned_ = 0;
  } else {
    scanned_ = text.size() - (!text.empty() && text.back() == '\r' ? 1 : 0);
  }
  return batch;
}

void OrderedWriter::put(std::size_t index, std::string_view out, std::string_view diagnostics) {
  if (index != next_) {
    held_.emplace(index, std::pair(std::string(out), std::string(diagnostics)));
    return;
  }
  write_out(out);
  write_diagnostics(diagnostics);
  ++next_;
  for (auto held = held_.begin(); held != held_.end() && held->first == next_; held = held_.erase(held), ++next_) {
    write_out(held->second.first);
    write_diagnostics(held->second.second);
  }
}

void OrderedWriter::write_out(std::string_view bytes) {
  if (bytes.empty() || failed_) return;
  if (!wrote_mark_) {
    wrote_mark_ = true;
    const std::string_view mark = engine::byte_order_mark(encoding_);
    if (!mark.empty() && !write_(mark)) {
      failed_ = true;
      return;
    }
  }
  if (is_utf16(encoding_)) {
    encoded_.clear();
    engine::append_utf16_bytes(encoded_, bytes, encoding_ == engine::Encoding::utf16be);
    bytes = encoded_;
  } else if (engine::is_single_byte(encoding_)) {
    encoded_.clear();
    engine::encode_single_byte(encoding_, bytes, encoded_);
    bytes = encoded_;
  }
  if (!write_(bytes)) failed_ = true;
}

void OrderedWriter::write_diagnostics(std::string_view bytes) {
  if (first_warnings_only_ && bytes.find(": warning: ") != std::string_view::npos) {
    kept_.clear();
    for (std::size_t start = 0; start < bytes.size();) {
      const std::size_t end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
      const std::string_view line = bytes.substr(start, end - start);
      start = end;
      if (const std::size_t at = line.find(": warning: "); at != std::string_view::npos) {
        const std::string_view rest = line.substr(at + 11);
        std::string word(rest.substr(0, rest.find(' ')));
        for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (!warned_.insert(std::move(word)).second) continue;
      }
      kept_ += line;
    }
    bytes = kept_;
  }
  if (!bytes.empty() && !diagnostics_(bytes)) failed_ = true;
}

void OrderedWriter::finish() {
  const std::string_view mark = engine::byte_order_mark(encoding_);
  if (!wrote_mark_ && !failed_ && !mark.empty() && !write_(mark)) failed_ = true;
}

}  // namespace cli
