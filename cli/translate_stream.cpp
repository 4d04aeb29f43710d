#include "cli/translate_stream.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/utf.hpp"

namespace cli {
namespace {

constexpr std::size_t kBlock = 1 << 20;       // bytes per read
constexpr std::size_t kBatch = 4 << 20;       // bytes of lines translated together
constexpr std::size_t kLongLine = 16 << 20;   // a line this long is translated on its own
constexpr std::size_t kShownLength = 200;     // bytes of a statement shown in a diagnostic

// Runs a job on every thread of the pool at once: part 0 on the caller's
// thread, the others on threads that live as long as the pool.
class Pool {
 public:
  explicit Pool(unsigned threads) {
    for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this, i] { loop(i); });
  }
  ~Pool() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
  }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  unsigned size() const { return static_cast<unsigned>(workers_.size()) + 1; }

  void run(const std::function<void(unsigned)>& job) {
    if (workers_.empty()) {
      job(0);
      return;
    }
    {
      const std::lock_guard lock(mutex_);
      job_ = &job;
      ++generation_;
      pending_ = workers_.size();
    }
    wake_.notify_all();
    job(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
  }

 private:
  void loop(unsigned part) {
    std::uint64_t seen = 0;
    for (;;) {
      const std::function<void(unsigned)>* job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        job = job_;
      }
      (*job)(part);
      const std::lock_guard lock(mutex_);
      if (--pending_ == 0) done_.notify_one();
    }
  }

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  const std::function<void(unsigned)>* job_ = nullptr;
  std::uint64_t generation_ = 0;
  std::size_t pending_ = 0;
  bool stop_ = false;
};

// Index of the first CR, LF or zero byte at or after `from`, or the size;
// eight bytes at a time.
std::size_t find_line_end(std::string_view text, std::size_t from) {
  constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  const auto has_zero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  std::size_t i = from;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t v;
    std::memcpy(&v, text.data() + i, 8);
    if (has_zero(v) | has_zero(v ^ (ones * '\n')) | has_zero(v ^ (ones * '\r'))) break;
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r' || c == '\0') return i;
  }
  return text.size();
}

struct Line {
  std::size_t begin, end;  // of its bytes in the text
};

// The statement as shown in a diagnostic: blanks made single spaces, trimmed,
// cut after kShownLength bytes.
void append_shown(std::string& out, std::string_view utf8) {
  std::size_t written = 0;
  bool blank = false;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == ' ' || c == '\t') {
      blank = true;
      continue;
    }
    if (blank && written > 0) out += ' ', ++written;
    blank = false;
    if (written >= kShownLength && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      out += "...";
      return;
    }
    out += c;
    ++written;
  }
}

// What one thread made of its share of a batch.
struct Part {
  std::string out, diagnostics;
  std::size_t marked = 0;
};

class Translator {
 public:
  Translator(const StreamOptions& options, std::string_view line_end)
      : options_(options), line_end_(line_end) {}

  // Translates lines[first, last) of text, whose first is line number `number`;
  // every line but an unended last one gets the line end.
  void run(std::string_view text, const std::vector<Line>& lines, std::size_t first, std::size_t last,
           std::size_t number, bool last_ended, Part& part) const {
    thread_local std::u16string line;
    for (std::size_t k = first; k < last; ++k, ++number) {
      line.clear();
      engine::append_utf16(line, text.substr(lines[k].begin, lines[k].end - lines[k].begin));
      one(line, number, part);
      if (k + 1 < lines.size() || last_ended) part.out += line_end_;
    }
    if (line.capacity() > (1u << 20)) std::u16string().swap(line);  // a long line's room is given back
  }

  void one(std::u16string_view line, std::size_t number, Part& part) const {
    const engine::LineInfo info = engine::translate_line(options_.direction, line, options_.engine, part.out);
    const bool marked = engine::is_not_convertible(info.outcome);
    if (marked) ++part.marked;
    if (!options_.check && !options_.explain) return;
    const std::string where = options_.name + ":" + std::to_string(number) + ": ";
    std::string source;
    if (info.source_end > info.source_begin) {
      source = engine::utf16_to_utf8(line.substr(info.source_begin, info.source_end - info.source_begin));
    }
    if (options_.explain) {
      part.diagnostics += where + engine::describe(info.outcome);
      const engine::Decision d = info.outcome.decision;
      if (d != engine::Decision::blank && d != engine::Decision::label_only) {
        part.diagnostics += ": ";
        append_shown(part.diagnostics, source);
        part.diagnostics += " -> ";
        const std::size_t from = marked ? info.out_begin - marking_size() : info.out_begin;
        append_shown(part.diagnostics, std::string_view(part.out).substr(from, info.out_end - from));
      }
      part.diagnostics += '\n';
    }
    if (options_.check && marked) {
      part.diagnostics += where + "cannot convert: ";
      append_shown(part.diagnostics, source);
      part.diagnostics += '\n';
    }
  }

 private:
  // Bytes of the marking in the output (it is ASCII).
  std::size_t marking_size() const {
    return (options_.direction == engine::Direction::z80_to_8080 ? engine::kZ80To8080Marking
                                                                : engine::k8080ToZ80Marking)
        .size();
  }

  const StreamOptions& options_;
  std::string_view line_end_;
};

}  // namespace

StreamResult translate_stream(const ReadBlock& read, const WriteBytes& write, const WriteBytes& diagnostics,
                              const StreamOptions& options) {
  StreamResult result;
  // The workers stay for the next input (one pool per thread count asked for).
  thread_local std::vector<std::unique_ptr<Pool>> pools;
  const unsigned threads = std::max(1u, options.threads);
  auto found = std::find_if(pools.begin(), pools.end(), [&](const auto& p) { return p->size() == threads; });
  if (found == pools.end()) found = pools.insert(pools.end(), std::make_unique<Pool>(threads));
  Pool& pool = **found;
  std::vector<Part> parts(pool.size());
  std::vector<Line> lines;
  std::string raw, text;  // raw: bytes as read (UTF-16 input only); text: UTF-8 not yet translated
  std::string line_end;   // known from the first line end on
  bool at_end = false, wrote_mark = false;
  std::unique_ptr<engine::Utf16Decoder> utf16;
  std::string encoded;    // output in UTF-16, when the input was

  thread_local std::vector<char> block(kBlock);  // what one read brings, before it joins the text
  const auto fill = [&]() -> bool {
    std::string& into = utf16 ? raw : text;
    long n;
    do {
      n = read(block.data(), block.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0) into.append(block.data(), static_cast<std::size_t>(n));
    if (n < 0) {
      result.error = std::strerror(errno);
      return false;
    }
    if (n == 0) at_end = true;
    if (utf16) {
      utf16->decode(raw, text);
      raw.clear();
      if (at_end) utf16->finish(text);
    }
    return true;
  };
  const auto emit = [&](std::string_view bytes) {
    if (bytes.empty() || result.write_failed) return;
    if (!wrote_mark) {
      wrote_mark = true;
      if (!engine::byte_order_mark(result.encoding).empty() && !write(engine::byte_order_mark(result.encoding))) {
        result.write_failed = true;
        return;
      }
    }
    if (result.encoding == engine::Encoding::utf16le || result.encoding == engine::Encoding::utf16be) {
      encoded.clear();
      engine::append_utf16_bytes(encoded, bytes, result.encoding == engine::Encoding::utf16be);
      bytes = encoded;
    }
    if (!write(bytes)) result.write_failed = true;
  };

  // The byte order mark, read from at least the first three bytes.
  while (text.size() < 3 && !at_end) {
    if (!fill()) return result;
  }
  result.encoding = engine::detect_encoding(text);
  text.erase(0, engine::byte_order_mark(result.encoding).size());
  if (result.encoding == engine::Encoding::utf16le || result.encoding == engine::Encoding::utf16be) {
    utf16 = std::make_unique<engine::Utf16Decoder>(result.encoding == engine::Encoding::utf16be);
    raw.swap(text);
    text.clear();
    utf16->decode(raw, text);
    raw.clear();
    if (at_end) utf16->finish(text);
  }

  std::size_t scanned = 0;  // text before this index holds no line end
  while (result.error.empty() && !result.write_failed) {
    // Gather a batch of whole lines; a CR at the very end waits for what follows it.
    std::size_t cut = 0;  // just after the last line end of the batch
    lines.clear();
    std::size_t begin = 0;
    bool full = false;  // the batch takes no more lines
    for (;;) {
      for (std::size_t e = find_line_end(text, std::max(begin, scanned)); e < text.size(); e = find_line_end(text, begin)) {
        if (text[e] == '\r' && e + 1 == text.size() && !at_end) break;
        // A long line is translated in a batch of its own.
        if (e - begin >= kLongLine && !lines.empty()) {
          full = true;
          break;
        }
        const bool crlf = text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n';
        if (line_end.empty()) line_end = crlf ? "\r\n" : text[e] == '\r' ? "\r" : "\n";
        lines.push_back({begin, e});
        begin = cut = e + (crlf ? 2 : 1);
        if (cut >= kBatch || e - lines.back().begin >= kLongLine) {
          full = true;
          break;
        }
      }
      if (full || at_end || (cut > 0 && text.size() >= kBatch)) break;
      scanned = std::max(begin, text.size() - (!text.empty() && text.back() == '\r' ? 1 : 0));
      if (!fill()) return result;
    }
    bool last_ended = true;
    if (!full && at_end && cut < text.size() && (lines.empty() || text.size() - cut < kLongLine)) {
      lines.push_back({cut, text.size()});  // the last line, with no line end after it
      cut = text.size();
      last_ended = false;
    }
    if (lines.empty()) break;

    const Translator translator(options, line_end.empty() ? std::string_view("\n") : std::string_view(line_end));
    const std::size_t number = result.lines + 1;
    for (Part& p : parts) p.out.clear(), p.diagnostics.clear(), p.marked = 0;
    if (lines.size() == 1 && lines[0].end - lines[0].begin >= kLongLine) {
      // A long line on its own: its bytes are given back before it is translated.
      std::u16string line;
      engine::append_utf16(line, std::string_view(text).substr(lines[0].begin, lines[0].end - lines[0].begin));
      std::string rest = text.substr(cut);
      text.swap(rest);
      std::string().swap(rest);
      cut = 0;
      translator.one(line, number, parts[0]);
      if (last_ended) parts[0].out += line_end;
    } else {
      // Shares of about equal size, in line order.
      std::vector<std::size_t> starts(parts.size() + 1, lines.size());
      starts[0] = 0;
      const std::size_t share = (cut - lines[0].begin) / parts.size() + 1;
      for (std::size_t k = 0, p = 1; k < lines.size() && p < parts.size(); ++k) {
        if (lines[k].begin - lines[0].begin >= share * p) starts[p++] = k;
      }
      for (std::size_t p = parts.size(); p-- > 1;) starts[p] = std::min(starts[p], starts[p + 1]);
      pool.run([&](unsigned p) {
        translator.run(text, lines, starts[p], starts[p + 1], number + starts[p], last_ended, parts[p]);
      });
    }
    result.lines += lines.size();
    for (Part& p : parts) {
      emit(p.out);
      result.marked += p.marked;
      if (!p.diagnostics.empty() && !diagnostics(p.diagnostics)) result.write_failed = true;
    }
    text.erase(0, cut);
    scanned = 0;
    if (at_end && text.empty()) break;
  }
  // A text of nothing but its byte order mark keeps the mark.
  if (!wrote_mark && result.error.empty() && !result.write_failed && !engine::byte_order_mark(result.encoding).empty() &&
      !write(engine::byte_order_mark(result.encoding))) {
    result.write_failed = true;
  }
  return result;
}

}  // namespace cli
